// SPDX-License-Identifier: GPL-3.0-or-later
// The PNG filter: the decoder's view of the file read through to its end and sought in, and
// the metadata copy.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "FuzzInput.h"
#include "imaging/BoundedPng.h"
#include "imaging/SourceFile.h"

namespace {

void readToEnd(VipsSource* source) {
    std::vector<std::uint8_t> buffer(4096);
    while (vips_source_read(source, buffer.data(), buffer.size()) > 0) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnholt;
    fuzz::startLibraries();
    const fuzz::MemoryFile input(data, size);
    const auto file = SourceFile::reopen(input.descriptor());
    if (!file || file->format() != SourceFormat::Png) return 0;
    try {
        const vips::VSource view = pngDecoderSource(*file);
        VipsSource* source = view.get_source();
        readToEnd(source);
        const auto half = static_cast<gint64>(size / 2);
        for (const auto& [offset, whence] : {std::pair<gint64, int>{0, SEEK_SET},
                                             {half, SEEK_SET},
                                             {-7, SEEK_END},
                                             {3, SEEK_CUR},
                                             {half + 5, SEEK_SET}}) {
            if (vips_source_seek(source, offset, whence) >= 0) readToEnd(source);
        }
    } catch (const vips::VError&) {
    }
    vips_error_clear();
    std::vector<std::string> dropped;
    (void)pngMetadataCopy(*file, dropped);
    return 0;
}
