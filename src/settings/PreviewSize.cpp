// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PreviewSize.h"

#include <algorithm>
#include <cmath>

namespace varnholt {
namespace {

bool positiveFinite(double value) { return std::isfinite(value) && value > 0; }

// One side after scaling; the view bounds it, so the cast cannot overflow.
std::int64_t scaledSide(double side, double scale, double bound) {
    const double scaled = std::min(std::round(side * scale), std::floor(bound));
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(scaled));
}

}  // namespace

std::optional<WholePixels> previewPixels(double outputWidth, double outputHeight, double viewWidth,
                                         double viewHeight) {
    if (!positiveFinite(outputWidth) || !positiveFinite(outputHeight) ||
        !positiveFinite(viewWidth) || !positiveFinite(viewHeight)) {
        return std::nullopt;
    }
    const double scale = std::min({1.0, viewWidth / outputWidth, viewHeight / outputHeight});
    return WholePixels{scaledSide(outputWidth, scale, std::max(1.0, viewWidth)),
                       scaledSide(outputHeight, scale, std::max(1.0, viewHeight))};
}

}  // namespace varnholt
