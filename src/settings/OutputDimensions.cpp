// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/OutputDimensions.h"

#include <cmath>
#include <cstdint>

#include "settings/TextReadings.h"
#include "settings/WholeNumbers.h"

namespace varnholt {
namespace {

// P(s, x): x percent of side s, rounded in double precision.
std::optional<std::string> percentSide(double side, const std::string& percentText) {
    const auto percent = parseFloat(percentText);
    if (!percent) return std::nullopt;
    const double fraction = static_cast<double>(*percent / 100.0f);
    const auto whole = wholePart(std::round(fraction * side));
    if (!whole) return std::nullopt;
    return std::to_string(*whole);
}

// Replaces entries by the image's own whole-pixel sides where they would enlarge it.
std::optional<SizeEntries> applyDoNotEnlarge(SizeEntries e, double imageWidth, double imageHeight,
                                             ResizeMode mode, const ResizeSettings& s) {
    if (!s.doNotEnlarge) return e;
    const auto iw = wholePart(imageWidth);
    const auto ih = wholePart(imageHeight);
    if (!iw || !ih) return std::nullopt;
    bool portrait = false;
    if (s.widthIsLargestDimension) {
        if (*ih == 0) return std::nullopt;
        portrait = *iw / *ih == 0;
    }
    const double a = leadingFloatValue(e.width);
    const double b = leadingFloatValue(e.height);
    const std::string w = std::to_string(*iw);
    const std::string h = std::to_string(*ih);
    // Portrait images compare the width entry with the larger side (the height).
    const double sideA = portrait ? imageHeight : imageWidth;
    const double sideB = portrait ? imageWidth : imageHeight;
    const std::string& textA = portrait ? h : w;
    const std::string& textB = portrait ? w : h;
    switch (mode) {
        case ResizeMode::FreePixels:
            if (s.keepAspect) {
                if (b >= sideB || a >= sideA) e = {textA, textB};
            } else {
                if (b >= sideB) e.height = textB;
                if (a >= sideA) e.width = textA;
            }
            break;
        case ResizeMode::FixedWidth:
            if (a >= sideA) e.width = textA;
            break;
        case ResizeMode::FixedHeight:
            if (b >= sideB) e.height = textB;
            break;
        case ResizeMode::FixedWidthAndHeight:
            if (a >= imageWidth) e.width = w;
            if (b >= imageHeight) e.height = h;
            break;
        case ResizeMode::FreePercents:
        case ResizeMode::None:
            break;
    }
    return e;
}

std::optional<OutputDimensions> pair(const std::optional<std::string>& width,
                                     const std::optional<std::string>& height) {
    if (!width || !height) return std::nullopt;
    return OutputDimensions{*width, *height};
}

// (A, R(F(A) / r)) normally, (R(r * F(A)), A) when turned.
std::optional<OutputDimensions> fromWidthEntry(const std::string& a, float r, bool turned) {
    const auto fa = parseFloat(a);
    if (!fa) return std::nullopt;
    if (turned) return pair(roundedText(r * *fa), a);
    return pair(a, roundedText(*fa / r));
}

// (R(r * F(B)), B) normally, (B, R(F(B) / r)) when turned.
std::optional<OutputDimensions> fromHeightEntry(const std::string& b, float r, bool turned) {
    const auto fb = parseFloat(b);
    if (!fb) return std::nullopt;
    if (turned) return pair(b, roundedText(*fb / r));
    return pair(roundedText(r * *fb), b);
}

std::optional<OutputDimensions> fitIntoBox(const SizeEntries& e, float r, bool turned) {
    const auto fa = parseFloat(e.width);
    const auto fb = parseFloat(e.height);
    if (!fa || !fb) return std::nullopt;
    const float q = *fa / *fb;
    if (q <= r) return fromWidthEntry(e.width, r, turned);
    if (!turned) return fromHeightEntry(e.height, r, false);
    const auto m = wholePart(static_cast<double>(std::roundf(r * *fa)));
    const auto n = parseInt(e.height);
    if (!m || !n) return std::nullopt;
    if (*m <= *n) return fromWidthEntry(e.width, r, true);
    return fromHeightEntry(e.height, r, true);
}

}  // namespace

std::optional<OutputDimensions> computeOutputDimensions(double imageWidth, double imageHeight,
                                                        const ResizeSettings& settings) {
    const ResizeMode mode = resizeMode(settings);
    if (mode == ResizeMode::None) return std::nullopt;
    const auto e =
        applyDoNotEnlarge(sizeEntries(settings), imageWidth, imageHeight, mode, settings);
    if (!e) return std::nullopt;

    const float r = static_cast<float>(imageWidth / imageHeight);
    const bool turned = settings.widthIsLargestDimension && r < 1.0f;
    switch (mode) {
        case ResizeMode::FreePixels:
            if (settings.keepAspect) return fromWidthEntry(e->width, r, turned);
            return turned ? OutputDimensions{e->height, e->width}
                          : OutputDimensions{e->width, e->height};
        case ResizeMode::FreePercents:
            return turned ? pair(percentSide(imageWidth, e->height),
                                 percentSide(imageHeight, e->width))
                          : pair(percentSide(imageWidth, e->width),
                                 percentSide(imageHeight, e->height));
        case ResizeMode::FixedWidth:
            return fromWidthEntry(e->width, r, turned);
        case ResizeMode::FixedHeight:
            return fromHeightEntry(e->height, r, turned);
        case ResizeMode::FixedWidthAndHeight:
            return fitIntoBox(*e, r, turned);
        case ResizeMode::None:
            break;
    }
    return std::nullopt;
}

}  // namespace varnholt
