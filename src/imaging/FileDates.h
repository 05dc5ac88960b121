// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/ImageTools.h"

namespace varnholt {

FileTime currentFileTime();

}  // namespace varnholt
