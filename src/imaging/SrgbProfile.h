// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace varnholt {

// The ICC profile describes sRGB itself: RGB primaries and tone curves of sRGB, no lookup
// tables. Converting from it to sRGB would change no pixel by more than rounding.
bool isSrgbProfile(const void* profile, std::size_t size);

}  // namespace varnholt
