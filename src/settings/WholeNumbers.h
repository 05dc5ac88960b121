// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

namespace varnholt {

// The whole-number part of value toward zero, when int64 can hold it.
inline std::optional<std::int64_t> wholePart(double value) {
    if (!std::isfinite(value) || value < -0x1p63 || value >= 0x1p63) return std::nullopt;
    return static_cast<std::int64_t>(value);
}

// value rounded half away from zero in single precision, as decimal digits.
inline std::optional<std::string> roundedText(float value) {
    const auto whole = wholePart(static_cast<double>(std::roundf(value)));
    if (!whole) return std::nullopt;
    return std::to_string(*whole);
}

}  // namespace varnholt
