// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace varnholt {

// What this process may still allocate: the address space left under its limit and the
// memory the system says is available, whichever is smaller.
std::int64_t memoryLeft();

}  // namespace varnholt
