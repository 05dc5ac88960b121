// SPDX-License-Identifier: GPL-3.0-or-later
// The resolution readers: JFIF density, pHYs and the JPEG 2000 "res " boxes from the file,
// and an EXIF block as it comes; the TIFF directory walk that finds oversized metadata tags.

#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "imaging/MetadataCodec.h"
#include "imaging/Resolution.h"
#include "imaging/TiffMetadataTags.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnholt;
    fuzz::startLibraries();
    // A header without EXIF: statedResolution then reads the format's own fields from the
    // file, even where libvips would refuse the header (the EXIF path is fuzzed below).
    static const vips::VImage blankHeader = vips::VImage::black(1, 1);
    const fuzz::MemoryFile input(data, size);
    if (const auto file = SourceFile::reopen(input.descriptor())) {
        (void)dpiOrDefault(statedResolution(*file, blankHeader));
        (void)tiffOversizedTags(*file);
    }
    (void)dpiOrDefault(exifResolution(data, size));
    return 0;
}
