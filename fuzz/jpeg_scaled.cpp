// SPDX-License-Identifier: GPL-3.0-or-later
// A JPEG decoded by libjpeg-turbo at a fraction of its size, then resampled and turned: the
// input's last byte picks the target, so that each of the scales 1/8, 2/8 and 4/8 is reached.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "imaging/ImageTools.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnholt;
    fuzz::startLibraries();
    const fuzz::MemoryFile input(data, size);
    const auto image = ImageTools::loadImage(input.path());
    if (!image) return 0;
    // Larger pictures only cost time per run; their size checks come before any decode.
    constexpr std::int64_t kMaxFuzzPixels = 1'000'000;
    if (static_cast<std::int64_t>(image->width()) * image->height() > kMaxFuzzPixels) return 0;
    const int sixteenths = size > 0 ? 1 + data[size - 1] % 15 : 8;
    const auto scaled = ImageTools::scaledTo(*image, std::max(1, image->width() * sixteenths / 16),
                                             std::max(1, image->height() * sixteenths / 16));
    if (scaled) (void)ImageTools::rasterizeImage(*scaled);
    return 0;
}
