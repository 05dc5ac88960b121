// SPDX-License-Identifier: GPL-3.0-or-later
// The whole way of a file: open, header, scaled decode, and the properties with the metadata.

#include <cstddef>
#include <cstdint>
#include <variant>

#include "FuzzInput.h"
#include "imaging/ImageTools.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnholt;
    fuzz::startLibraries();
    const fuzz::MemoryFile input(data, size);
    const auto opened = ImageTools::openImage(input.path());
    if (const auto* image = std::get_if<Image>(&opened)) {
        // Larger pictures only cost time per run; their size checks come before any decode.
        constexpr std::int64_t kMaxFuzzPixels = 1'000'000;
        if (static_cast<std::int64_t>(image->width()) * image->height() <= kMaxFuzzPixels) {
            if (const auto scaled = ImageTools::scaledTo(*image, 23, 17)) {
                (void)ImageTools::rasterizeImage(*scaled);
            }
        }
    }
    (void)ImageTools::readImageProperties(input.path());
    return 0;
}
