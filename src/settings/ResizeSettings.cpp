// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ResizeSettings.h"

#include <algorithm>
#include <cmath>

#include "settings/TextReadings.h"

namespace varnholt {

ResizeMode resizeMode(const ResizeSettings& s) {
    if (s.freeResize && s.freePixels) return ResizeMode::FreePixels;
    if (s.freeResize && !s.freePixels && s.freePercents) return ResizeMode::FreePercents;
    if (!s.freeResize && s.fixedWidth) return ResizeMode::FixedWidth;
    if (!s.freeResize && !s.fixedWidth && s.fixedHeight) return ResizeMode::FixedHeight;
    if (!s.freeResize && !s.fixedWidth && !s.fixedHeight && s.fixedWidthAndHeight) {
        return ResizeMode::FixedWidthAndHeight;
    }
    return ResizeMode::None;
}

SizeEntries sizeEntries(const ResizeSettings& s) {
    switch (resizeMode(s)) {
        case ResizeMode::FreePixels:
            return {s.pixelWidthText, s.pixelHeightText};
        case ResizeMode::FreePercents:
            return {s.percentWidthText, s.percentHeightText};
        case ResizeMode::FixedWidth:
            return {s.fixedWidthText, {}};
        case ResizeMode::FixedHeight:
            return {{}, s.fixedHeightText};
        case ResizeMode::FixedWidthAndHeight:
            return {s.boxWidthText, s.boxHeightText};
        case ResizeMode::None:
            break;
    }
    return {};
}

bool sizeFieldsValid(const ResizeSettings& s) {
    const ResizeMode mode = resizeMode(s);
    const SizeEntries entries = sizeEntries(s);
    const bool hasWidth = mode != ResizeMode::FixedHeight && mode != ResizeMode::None;
    const bool hasHeight = mode != ResizeMode::FixedWidth && mode != ResizeMode::None;
    if (hasWidth && !(leadingFloatValue(entries.width) > 0.0f)) return false;
    if (hasHeight && !(leadingFloatValue(entries.height) > 0.0f)) return false;
    return true;
}

std::optional<std::int64_t> dpiOverride(const ResizeSettings& s) {
    if (!s.changeDPI) return std::nullopt;
    const auto dpi = parseInt(s.dpiText);
    if (!dpi || *dpi < 1) return std::nullopt;
    return dpi;
}

bool dpiFieldValid(const ResizeSettings& s) {
    if (!s.changeDPI) return true;
    if (const auto dpi = parseInt(s.dpiText)) return *dpi <= kMaxDpi;
    // Digits too many for any integer are above the bound as well.
    std::string_view digits = s.dpiText;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    return digits.empty() ||
           !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<OutputFormat> chosenFormat(const ResizeSettings& s) {
    return formatFromTitle(s.outputFormat.title);
}

bool formatUsesQuality(const FormatChoice& format) {
    const auto chosen = formatFromTitle(format.title);
    if (!chosen) return false;
    const FormatRow* row = formatRow(*chosen);
    return row == nullptr || row->usesQuality;  // no row: Original
}

std::string qualityLabel(float quality) {
    if (!(quality > 1.0f)) return "1";
    if (!std::isfinite(quality) || quality >= 0x1p63f) return "1";
    return std::to_string(static_cast<std::int64_t>(quality));
}

NameCase nameCaseFromIndex(int index) {
    if (index == 1) return NameCase::Upper;
    if (index == 2) return NameCase::Lower;
    return NameCase::Unchanged;
}

}  // namespace varnholt
