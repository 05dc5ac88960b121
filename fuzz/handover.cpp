// SPDX-License-Identifier: GPL-3.0-or-later
// The hand-over message a later launch sends to the running window.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/SingleInstance.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnholt;
    const QByteArray received(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ParsedHandOver parsed = parseHandOver(received);
    // A complete message is exactly what its paths encode to.
    if (parsed.status == ParsedHandOver::Status::Complete &&
        encodeHandOver(parsed.paths) != received)
        std::abort();
    return 0;
}
