// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vips/vips8>

#include <exiv2/exiv2.hpp>

#include <cstdint>
#include <memory>
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

// A libvips source whose reads and seeks go to the given callbacks with state; the source
// owns state and deletes it with itself.
template <typename State>
vips::VSource customSource(std::unique_ptr<State> owned,
                           gint64 (*read)(VipsSourceCustom*, void*, gint64, void*),
                           gint64 (*seek)(VipsSourceCustom*, gint64, int, void*)) {
    VipsSourceCustom* custom = vips_source_custom_new();
    State* state = owned.release();
    g_object_set_data_full(G_OBJECT(custom), "varnholt-source-state", state,
                           [](gpointer p) { delete static_cast<State*>(p); });
    g_signal_connect(custom, "read", G_CALLBACK(read), state);
    g_signal_connect(custom, "seek", G_CALLBACK(seek), state);
    return vips::VSource(VIPS_SOURCE(custom));
}

// The same for exiv2, which would otherwise open the file again by name.
Exiv2::BasicIo::AutoPtr descriptorIo(int descriptor, BytePatches patches = {});

}  // namespace varnholt
