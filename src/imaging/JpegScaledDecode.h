// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vips/vips8>

#include <optional>

#include "imaging/SourceFile.h"

namespace varnholt {

// A JPEG upright and stretched to exactly uprightWidth x uprightHeight, smaller across:
// decoded by libjpeg-turbo at the smallest of its scales 1/8, 2/8, 4/8 and 8/8 that keeps at
// least twice the target (or whole), reduced across with Lanczos 3 a few rows at a time while
// it is decoded, then reduced down by libvips (Lanczos 3) and turned, with the ICC profile of
// header (the same file's header as libvips read it). nullopt whenever this path does not
// apply (colour spaces other than YCbCr and grey, wider than the source, too large for the
// memory left) or the data is not perfectly clean: the caller then takes libvips's own path,
// which decides about damage as always.
std::optional<vips::VImage> decodeJpegScaled(const SourceFile& file, const vips::VImage& header,
                                             int uprightWidth, int uprightHeight);

}  // namespace varnholt
