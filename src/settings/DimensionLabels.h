// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/PixelSize.h"
#include "settings/ResizeSettings.h"
#include "settings/Translation.h"

namespace varnholt {

// The labels' prefixes, marked for translation; the labels carry them translated.
// TRANSLATORS: a number of pixels follows.
inline constexpr const char* kWidthPrefix = N_("Width: ");
// TRANSLATORS: a number of pixels follows.
inline constexpr const char* kHeightPrefix = N_("Height: ");
// TRANSLATORS: a resolution in dots per inch follows.
inline constexpr const char* kDpiPrefix = N_("DPI: ");

// The selected image as the display needs it: pixel size and the file's own DPI.
struct DisplayedImage {
    double width = 0;
    double height = 0;
    std::int64_t dpi = kDefaultDpi;
};

// The six texts of the dimension display.
struct DimensionLabels {
    std::string originalWidth;
    std::string originalHeight;
    std::string originalDPI;
    std::string outputDPI;
    std::string outputWidth;
    std::string outputHeight;

    bool operator==(const DimensionLabels&) const = default;
};

// What the display shows without an image: zero sizes and no DPI in both columns.
DimensionLabels noImageLabels();

// An image counts as present when both sides are above 0.
bool isPresent(const DisplayedImage& image);

// The labels for image (nothing selected: nullopt) and the panel's settings. The output DPI
// is what the batch writes: the override when in effect, else kDefaultDpi. When the output size
// cannot be computed for the entries, the output size labels keep the texts of previous.
DimensionLabels dimensionLabels(const std::optional<DisplayedImage>& image,
                                const ResizeSettings& settings, const DimensionLabels& previous);

// The size the preview renders, read from the output labels after their prefixes. Nothing
// (an empty preview) unless both are whole numbers above 0.
std::optional<PixelSize> previewOutputSize(std::string_view outputWidthLabel,
                                           std::string_view outputHeightLabel);

}  // namespace varnholt
