// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/DimensionLabels.h"

#include <cstring>

#include "settings/OutputDimensions.h"
#include "settings/TextReadings.h"
#include "settings/WholeNumbers.h"

namespace varnholt {
namespace {

std::string prefixed(const char* prefix, std::string_view value) {
    std::string text(_(prefix));
    text += value;
    return text;
}

std::string wholeSide(double side) {
    const auto whole = wholePart(side);
    return whole ? std::to_string(*whole) : std::string("0");
}

// The text after a label's prefix; parseInt tests it, parseFloat sizes it.
std::optional<double> positiveWhole(std::string_view label, std::size_t prefixLength) {
    if (label.size() < prefixLength) return std::nullopt;
    const std::string_view value = label.substr(prefixLength);
    const auto whole = parseInt(value);
    if (!whole || *whole <= 0) return std::nullopt;
    const auto size = parseFloat(value);
    if (!size) return std::nullopt;
    return static_cast<double>(*size);
}

}  // namespace

DimensionLabels noImageLabels() {
    const std::string width = prefixed(kWidthPrefix, "0");
    const std::string height = prefixed(kHeightPrefix, "0");
    const std::string dpi(_(kDpiPrefix));
    return {width, height, dpi, dpi, width, height};
}

bool isPresent(const DisplayedImage& image) { return image.width > 0 && image.height > 0; }

DimensionLabels dimensionLabels(const std::optional<DisplayedImage>& image,
                                const ResizeSettings& settings, const DimensionLabels& previous) {
    if (!image || !isPresent(*image)) return noImageLabels();
    DimensionLabels labels;
    labels.originalWidth = prefixed(kWidthPrefix, wholeSide(image->width));
    labels.originalHeight = prefixed(kHeightPrefix, wholeSide(image->height));
    labels.originalDPI = prefixed(kDpiPrefix, std::to_string(image->dpi));
    labels.outputDPI = dpiOverride(settings) ? prefixed(kDpiPrefix, settings.dpiText)
                                             : prefixed(kDpiPrefix, std::to_string(kDefaultDpi));
    const auto output = computeOutputDimensions(image->width, image->height, settings);
    labels.outputWidth = output ? prefixed(kWidthPrefix, output->widthText) : previous.outputWidth;
    labels.outputHeight =
        output ? prefixed(kHeightPrefix, output->heightText) : previous.outputHeight;
    return labels;
}

std::optional<PixelSize> previewOutputSize(std::string_view outputWidthLabel,
                                           std::string_view outputHeightLabel) {
    const auto width = positiveWhole(outputWidthLabel, std::strlen(_(kWidthPrefix)));
    const auto height = positiveWhole(outputHeightLabel, std::strlen(_(kHeightPrefix)));
    if (!width || !height) return std::nullopt;
    return PixelSize{*width, *height};
}

}  // namespace varnholt
