// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// BMP without a pixel cache on disk: libvips reads and writes BMP through ImageMagick, which
// keeps a 16-bit copy of the whole picture and puts it in /tmp above a few hundred MB.

#include <vips/vips8>

#include <cstdint>
#include <vector>

namespace varnholt {

class SourceFile;

// Read with gdk-pixbuf's BMP loader: the OS/2 and the Windows headers; 1, 4, 8, 16, 24 and
// 32 bits; RLE4, RLE8 and bitfields. The header image has the file's true size, 8-bit sRGB,
// 3 bands or 4 where the picture can hold alpha (RLE files, 32-bit files with an alpha mask),
// and the pixels per metre as xres and yres. The loader decodes the whole picture; that
// happens on the first request for pixels and fails, through vips_error, when the memory left
// cannot hold it. Throws vips::VError when the header is not a BMP one or a side is beyond
// 10,000,000 pixels. failOn at truncated or above fails a decode whose data runs out or that
// the loader reports as damaged; below, whatever the loader decoded is kept.
vips::VImage loadBmp(const SourceFile& file, VipsFailOn failOn);

// The memory a decode of the file holds at once (0 when its header does not read), to be
// checked before the decode as the encoders' needs are.
std::int64_t bmpDecodeBytes(const SourceFile& file);

// 24-bit, or 32-bit with alpha, bottom-up, with the pixels per metre from xres and yres.
// Throws vips::VError.
std::vector<std::uint8_t> encodeBmp(const vips::VImage& pixels);

}  // namespace varnholt
