// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <variant>

#include "imaging/ImageTools.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

// The batch's size rule with the entries of the chosen mode already read (leadingFloatValue);
// what is left to know is the image's own pixel size, which only opening it tells.
struct OutputSizeRule {
    ResizeMode mode = ResizeMode::None;
    float widthEntry = 0;
    float heightEntry = 0;
    bool keepAspect = true;
    bool widthIsLargestDimension = false;
    bool doNotEnlarge = false;
};

OutputSizeRule outputSizeRule(const ResizeSettings& settings);

// The size the batch resamples to (see settings/PixelSize.h for how it differs from the
// window's); a side may be 0, negative or not finite for unusable entries.
PixelSize computeBatchOutputSize(double imageWidth, double imageHeight, const OutputSizeRule& rule);
PixelSize computeBatchOutputSize(double imageWidth, double imageHeight,
                                 const ResizeSettings& settings);

// Largest side the batch writes; beyond it the entries are taken as a mistake.
inline constexpr std::int64_t kMaxOutputSide = 65535;

// The whole-pixel size to write (fractions truncated), or nullopt when a side is not
// finite, below 1 or above kMaxOutputSide: such an image is written nowhere.
std::optional<WholePixels> wholePixels(const PixelSize& size);

// wholePixels of the rule's size for an image of the given pixel size, or why there is none.
std::variant<WholePixels, ImageFailure> outputPixels(const OutputSizeRule& rule, double imageWidth,
                                                     double imageHeight);

}  // namespace varnholt
