// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PanelRules.h"

#include <charconv>
#include <cmath>

#include "settings/TextReadings.h"
#include "settings/WholeNumbers.h"

namespace varnholt {
namespace {

// The image's aspect ratio in single precision; nothing without an image or a lock.
std::optional<float> lockedRatio(const AspectLock& lock) {
    if (!lock.keepAspect || !(lock.imageWidth > 0) || !(lock.imageHeight > 0)) {
        return std::nullopt;
    }
    return static_cast<float>(lock.imageWidth / lock.imageHeight);
}

// A portrait image whose larger side the width field stands for.
bool turned(const AspectLock& lock, float ratio) {
    return ratio < 1.0f && lock.widthIsLargestDimension;
}

}  // namespace

std::optional<std::string> pixelHeightForWidth(const AspectLock& lock, std::string_view widthText) {
    const auto r = lockedRatio(lock);
    if (!r) return std::nullopt;
    const float v = leadingFloatValue(widthText);
    return roundedText(turned(lock, *r) ? v * *r : v / *r);
}

std::optional<std::string> pixelWidthForHeight(const AspectLock& lock,
                                               std::string_view heightText) {
    const auto r = lockedRatio(lock);
    if (!r) return std::nullopt;
    const float v = leadingFloatValue(heightText);
    return roundedText(turned(lock, *r) ? v / *r : v * *r);
}

std::optional<std::string> percentForOther(bool keepAspect, std::string_view editedText) {
    if (!keepAspect) return std::nullopt;
    const auto whole = wholePart(static_cast<double>(leadingFloatValue(editedText)));
    if (!whole) return std::nullopt;
    return std::to_string(*whole);
}

std::optional<std::string> percentHeightOnLock(bool keepAspectNow, std::string_view widthText) {
    if (!keepAspectNow) return std::nullopt;
    float value = leadingFloatValue(widthText);
    if (!std::isfinite(value)) return std::nullopt;
    if (value == 0.0f) value = 0.0f;  // no "-0" in the field
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc{}) return std::nullopt;
    return std::string(buffer, end);
}

bool doNotEnlargeEnabled(const ModeRadios& radios) {
    return !(radios.freeResize && !radios.pixels && radios.percents);
}

ModeRadios selectRadio(ModeRadios radios, ModeRadio chosen) {
    switch (chosen) {
        case ModeRadio::FreeResize:
        case ModeRadio::FixedWidth:
        case ModeRadio::FixedHeight:
        case ModeRadio::FixedWidthAndHeight:
            radios.freeResize = chosen == ModeRadio::FreeResize;
            radios.fixedWidth = chosen == ModeRadio::FixedWidth;
            radios.fixedHeight = chosen == ModeRadio::FixedHeight;
            radios.fixedWidthAndHeight = chosen == ModeRadio::FixedWidthAndHeight;
            break;
        case ModeRadio::Pixels:
        case ModeRadio::Percents:
            radios.pixels = chosen == ModeRadio::Pixels;
            radios.percents = chosen == ModeRadio::Percents;
            break;
    }
    return radios;
}

}  // namespace varnholt
