// SPDX-License-Identifier: GPL-3.0-or-later
// The format sniffer on the first bytes of a file.

#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/SourceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)varnholt::sniffSourceFormat(std::span(data, size));
    return 0;
}
