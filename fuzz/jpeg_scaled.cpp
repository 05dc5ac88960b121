// SPDX-License-Identifier: GPL-3.0-or-later
// A JPEG decoded by libjpeg-turbo at a fraction of its size, reduced and turned: the input's
// last two bytes pick the target's sides, so that each of the scales 1/8, 2/8, 4/8 and 8/8 and
// stretches either way are reached.

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
    // Each side its own fraction: a stretch reduces one way far more than the other.
    const int across = size > 0 ? 1 + data[size - 1] % 15 : 8;
    const int down = size > 1 ? 1 + data[size - 2] % 15 : across;
    const auto scaled = ImageTools::scaledTo(*image, std::max(1, image->width() * across / 16),
                                             std::max(1, image->height() * down / 16));
    if (scaled) (void)ImageTools::rasterizeImage(*scaled);
    return 0;
}
