#include "batch/BatchOutputSize.h"

#include <cmath>

#include "settings/TextReadings.h"

namespace varnholt {
namespace {

// round(x): formed in single precision, rounded half away from zero in double.
double roundSide(float value) { return std::round(static_cast<double>(value)); }

BatchOutputSize byMode(double w, double h, const ResizeSettings& s) {
    const float r = static_cast<float>(w / h);
    const bool turned = s.widthIsLargestDimension && r < 1.0f;
    const SizeEntries entries = sizeEntries(s);
    const float a = leadingFloatValue(entries.width);
    const float b = leadingFloatValue(entries.height);
    switch (resizeMode(s)) {
        case ResizeMode::FreePixels:
            if (!s.keepAspect) return turned ? BatchOutputSize{b, a} : BatchOutputSize{a, b};
            [[fallthrough]];
        case ResizeMode::FixedWidth:
            if (turned) return {roundSide(r * a), a};
            return {a, roundSide(a / r)};
        case ResizeMode::FreePercents: {
            const double pw = a / 100.0f;
            const double ph = b / 100.0f;
            if (turned) return {w * ph, h * pw};
            return {w * pw, h * ph};
        }
        case ResizeMode::FixedHeight:
            if (turned) return {b, roundSide(b / r)};
            return {roundSide(r * b), b};
        case ResizeMode::FixedWidthAndHeight:
            if (!turned) {
                if (r >= a / b) return {a, roundSide(a / r)};
                return {roundSide(r * b), b};
            }
            if (std::trunc(static_cast<double>(b)) >= std::trunc(std::roundf(r * a))) {
                return {roundSide(r * a), a};
            }
            return {b, roundSide(b / r)};
        case ResizeMode::None:
            break;
    }
    return {0, 0};
}

}  // namespace

BatchOutputSize computeBatchOutputSize(double imageWidth, double imageHeight,
                                       const ResizeSettings& settings) {
    BatchOutputSize size = byMode(imageWidth, imageHeight, settings);
    if (settings.doNotEnlarge) {
        if (size.width > imageWidth) size.width = imageWidth;
        if (size.height > imageHeight) size.height = imageHeight;
    }
    return size;
}

std::optional<PixelDimensions> wholePixels(const BatchOutputSize& size) {
    const auto side = [](double value) -> std::optional<std::int64_t> {
        if (!std::isfinite(value)) return std::nullopt;
        const double whole = std::trunc(value);
        if (whole < 1 || whole > static_cast<double>(kMaxOutputSide)) return std::nullopt;
        return static_cast<std::int64_t>(whole);
    };
    const auto width = side(size.width);
    const auto height = side(size.height);
    if (!width || !height) return std::nullopt;
    return PixelDimensions{*width, *height};
}

}  // namespace varnholt
