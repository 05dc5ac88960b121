// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// BMP without a pixel cache on disk: libvips reads and writes BMP through ImageMagick, which
// keeps a 16-bit copy of the whole picture and puts it in /tmp above a few hundred MB.

#include <vips/vips8>

#include <cstdint>
#include <vector>

namespace varnholt {

class SourceFile;

// The OS/2 1.x and the Windows headers; 1, 2, 4, 8, 16, 24 and 32 bits; RLE4, RLE8 and
// bitfields; bottom-up and top-down. 8-bit sRGB, with alpha where a 32-bit file has some or
// its masks say so; the pixels per metre become xres and yres. Rows are read from the file as
// the pipeline asks for them, so only the rows in flight are in memory (an RLE file is
// decoded whole, one byte a pixel, on the first request). Throws vips::VError when the header
// is not one of these or the file is shorter than its pixels; failOn at truncated or above
// fails a decode whose data runs out.
vips::VImage loadBmp(const SourceFile& file, VipsFailOn failOn);

// 24-bit, or 32-bit with alpha, bottom-up, with the pixels per metre from xres and yres.
// Throws vips::VError.
std::vector<std::uint8_t> encodeBmp(const vips::VImage& pixels);

}  // namespace varnholt
