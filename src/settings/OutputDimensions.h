// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "settings/ResizeSettings.h"

namespace varnholt {

// The output size as the dimension display shows it: entries pass through as typed,
// computed sides are whole numbers in decimal.
struct OutputDimensions {
    std::string widthText;
    std::string heightText;

    bool operator==(const OutputDimensions&) const = default;
};

// No result for ResizeMode::None and for entries the formula cannot compute (a needed
// entry without a value, or a rounded side that is not finite or beyond 64 bits).
std::optional<OutputDimensions> computeOutputDimensions(double imageWidth, double imageHeight,
                                                        const ResizeSettings& settings);

}  // namespace varnholt
