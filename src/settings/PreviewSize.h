// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

#include "settings/PixelSize.h"

namespace varnholt {

// The pixel size at which the preview renders an output of outputWidth x outputHeight in a
// view of viewWidth x viewHeight device pixels: the output's proportions, shrunk to fit the
// view and never enlarged, each side at least 1. An output of 20000 px therefore costs no
// more than the view. Nothing when either size is not above 0 or not finite.
std::optional<WholePixels> previewPixels(double outputWidth, double outputHeight, double viewWidth,
                                         double viewHeight);

}  // namespace varnholt
