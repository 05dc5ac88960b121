// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchOutputSize.h"

#include <cmath>
#include <string>

#include "settings/TextReadings.h"
#include "settings/Translation.h"

namespace varnholt {
namespace {

// round(x): formed in single precision, rounded half away from zero in double.
double roundSide(float value) { return std::round(static_cast<double>(value)); }

PixelSize byMode(double w, double h, const OutputSizeRule& s) {
    const float r = static_cast<float>(w / h);
    const bool turned = s.widthIsLargestDimension && r < 1.0f;
    const float a = s.widthEntry;
    const float b = s.heightEntry;
    switch (s.mode) {
        case ResizeMode::FreePixels:
            if (!s.keepAspect) return turned ? PixelSize{b, a} : PixelSize{a, b};
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

// Why wholePixels refused the size.
ImageFailure unusableSize(const PixelSize& size) {
    // An entry too large for a float ("1e39") arrives as infinity: too large as well.
    const auto tooLarge = [](double side) {
        return side >= static_cast<double>(kMaxOutputSide) + 1;
    };
    if (tooLarge(size.width) || tooLarge(size.height)) {
        return {FailureKind::SizeNotUsable,
                fillIn(P_("size too large (at most %1 pixel a side)",
                          "size too large (at most %1 pixels a side)", kMaxOutputSide),
                       {std::to_string(kMaxOutputSide)})};
    }
    const auto belowOne = [](double side) { return side > 0 && side < 1; };
    if (belowOne(size.width) || belowOne(size.height)) {
        return {FailureKind::SizeNotUsable, _("size below 1 pixel")};
    }
    return {FailureKind::SizeNotUsable, _("size not above 0")};
}

}  // namespace

OutputSizeRule outputSizeRule(const ResizeSettings& settings) {
    const SizeEntries entries = sizeEntries(settings);
    OutputSizeRule rule;
    rule.mode = resizeMode(settings);
    rule.widthEntry = leadingFloatValue(entries.width);
    rule.heightEntry = leadingFloatValue(entries.height);
    rule.keepAspect = settings.keepAspect;
    rule.widthIsLargestDimension = settings.widthIsLargestDimension;
    rule.doNotEnlarge = settings.doNotEnlarge;
    return rule;
}

PixelSize computeBatchOutputSize(double imageWidth, double imageHeight,
                                 const OutputSizeRule& rule) {
    PixelSize size = byMode(imageWidth, imageHeight, rule);
    if (rule.doNotEnlarge) {
        if (size.width > imageWidth) size.width = imageWidth;
        if (size.height > imageHeight) size.height = imageHeight;
    }
    return size;
}

PixelSize computeBatchOutputSize(double imageWidth, double imageHeight,
                                 const ResizeSettings& settings) {
    return computeBatchOutputSize(imageWidth, imageHeight, outputSizeRule(settings));
}

std::optional<WholePixels> wholePixels(const PixelSize& size) {
    const auto side = [](double value) -> std::optional<std::int64_t> {
        if (!std::isfinite(value)) return std::nullopt;
        const double whole = std::trunc(value);
        if (whole < 1 || whole > static_cast<double>(kMaxOutputSide)) return std::nullopt;
        return static_cast<std::int64_t>(whole);
    };
    const auto width = side(size.width);
    const auto height = side(size.height);
    if (!width || !height) return std::nullopt;
    return WholePixels{*width, *height};
}

std::variant<WholePixels, ImageFailure> outputPixels(const OutputSizeRule& rule, double imageWidth,
                                                     double imageHeight) {
    const PixelSize size = computeBatchOutputSize(imageWidth, imageHeight, rule);
    if (const auto pixels = wholePixels(size)) return *pixels;
    return unusableSize(size);
}

}  // namespace varnholt
