// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vips/vips8>

#include <exiv2/exiv2.hpp>

#include <cstdint>
#include <vector>

namespace varnholt {

// Bytes shown in place of the file's own at offset.
struct BytePatch {
    std::int64_t offset = 0;
    std::vector<std::uint8_t> bytes;
};
using BytePatches = std::vector<BytePatch>;

// A libvips source over a descriptor that reads with pread at a position of its own: several
// decodes of one open file, on any threads, never move each other's file offset (a duplicated
// descriptor would share it).
vips::VSource descriptorSource(int descriptor, BytePatches patches = {});

// The same for exiv2, which would otherwise open the file again by name.
Exiv2::BasicIo::AutoPtr descriptorIo(int descriptor, BytePatches patches = {});

}  // namespace varnholt
