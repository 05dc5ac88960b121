#pragma once

#include <cstdint>
#include <optional>

#include "settings/ResizeSettings.h"

namespace varnholt {

// The size the batch resamples to; sides taken from entries or percentages may hold
// fractions, and a side may be 0, negative or not finite for unusable entries.
struct BatchOutputSize {
    double width = 0;
    double height = 0;
};

BatchOutputSize computeBatchOutputSize(double imageWidth, double imageHeight,
                                       const ResizeSettings& settings);

// Largest side the batch writes; beyond it the entries are taken as a mistake.
inline constexpr std::int64_t kMaxOutputSide = 65535;

struct PixelDimensions {
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool operator==(const PixelDimensions&) const = default;
};

// The whole-pixel size to write (fractions truncated), or nullopt when a side is not
// finite, below 1 or above kMaxOutputSide: such an image is written nowhere.
std::optional<PixelDimensions> wholePixels(const BatchOutputSize& size);

}  // namespace varnholt
