// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vips/vips8>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "imaging/ImageTools.h"
#include "imaging/SourceFile.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

// Every output is written with upright pixels and orientation 1: many readers ignore the
// code (in PNG nearly all, in JPEG and TIFF thumbnailers and scripts), so the picture is turned
// once, on decode, and never stored in the source's layout.
inline constexpr std::int64_t kWrittenOrientation = 1;

// The source of an image handle, open from the first read to the last: every read of the
// image goes through this one descriptor, so the file is opened once and its header parsed
// once, and a file renamed or replaced meanwhile is not read by mistake.
struct OpenedSource {
    SourceFile file;
    vips::VImage header;  // page 0 as stored, header only
};

struct ImageData {
    std::shared_ptr<const OpenedSource> source;
    int uprightWidth = 0;
    int uprightHeight = 0;
    bool scaled = false;  // the size comes from scaledTo, not from the file
    bool draft = false;   // stretched from the file's own small preview picture
    std::int64_t dpi = kDefaultDpi;
    std::shared_ptr<const SourceMetadataData> metadata;  // null: the source's is not kept
};

// The recipe's pixels in 8-bit sRGB (alpha kept where the source has it), lazily: nothing
// is decoded until the result is written or copied to memory, except a JPEG being reduced,
// which is decoded and reduced across here. Throws vips::VError. failOn
// decides which damage in the source fails the decode.
vips::VImage buildPixels(const ImageData& data, VipsFailOn failOn);

// libvips reports errors through a global buffer; clear it after every caught failure.
void clearVipsError();

}  // namespace varnholt
