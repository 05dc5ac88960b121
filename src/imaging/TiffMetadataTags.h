// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/DescriptorSource.h"

namespace varnholt {

class SourceFile;

// libtiff reads every metadata tag of a TIFF's first directory in full while reading its
// header (libvips then copies it), and exiv2 does the same: a 100 MB XMP packet cost seconds
// and a gigabyte per image. The readers are shown such tags with a count of 0 instead.
struct TiffOversizedTags {
    std::vector<BytePatch> patches;
    std::vector<std::string> dropped;  // "XMP larger than 16 MB"
};

// The metadata tags (XMP, IPTC, Photoshop, ICC) of the first directory larger than
// kMaxMetadataBytes, from the file's 8-byte header and the bytes from its first directory's
// offset on; nothing for what does not hold together.
TiffOversizedTags tiffOversizedTags(std::span<const std::uint8_t> header,
                                    std::span<const std::uint8_t> directory);
TiffOversizedTags tiffOversizedTags(const SourceFile& file);

}  // namespace varnholt
