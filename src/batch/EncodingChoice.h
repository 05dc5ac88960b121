// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "settings/ResizeSettings.h"

namespace varnholt {

// The concrete format an image is encoded in: the chosen one, or for "Original" the one its
// own extension names (compared in lower case; JPG for any other extension or none).
OutputFormat encodingFormat(std::string_view sourcePath, const ResizeSettings& settings);

// The slider's percentage as the encoder's factor: quality / 100 in single precision.
double encodingQuality(const ResizeSettings& settings);

}  // namespace varnholt
