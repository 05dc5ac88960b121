// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PreviewSize.h"

#include <gtest/gtest.h>

#include <limits>

namespace varnholt {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(PreviewSize, KeepsTheOutputProportionsWithinTheView) {
    const struct {
        double outputWidth, outputHeight, viewWidth, viewHeight;
        std::optional<WholePixels> expected;
    } rows[] = {
        {1000, 750, 600, 400, WholePixels{533, 400}},   // the height decides
        {4000, 1000, 600, 400, WholePixels{600, 150}},  // the width decides
        {100, 20, 600, 400, WholePixels{100, 20}},      // never enlarged
        {20000, 1, 600, 400, WholePixels{600, 1}},      // a strip keeps one pixel
        {1, 20000, 600, 400, WholePixels{1, 400}},
        {1201, 801, 600.6, 400.6, WholePixels{600, 400}},  // inside a fractional view
        {9.2e18, 4.6e18, 800, 600, WholePixels{800, 400}},
        {0, 750, 600, 400, std::nullopt},
        {-1000, 750, 600, 400, std::nullopt},
        {1000, 750, 0, 0, std::nullopt},  // view not laid out
        {kInf, 750, 600, 400, std::nullopt},
        {std::numeric_limits<double>::quiet_NaN(), 750, 600, 400, std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(previewPixels(row.outputWidth, row.outputHeight, row.viewWidth, row.viewHeight),
                  row.expected)
            << row.outputWidth << " x " << row.outputHeight;
    }
}

}  // namespace
}  // namespace varnholt
