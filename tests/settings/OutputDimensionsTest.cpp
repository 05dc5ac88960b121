// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/OutputDimensions.h"

#include <gtest/gtest.h>

#include "SizeSettings.h"

namespace varnholt {
namespace {

struct Row {
    double imageWidth, imageHeight;
    const char* mode;  // as sizeSettings takes it
    const char* a;     // width entry of the mode
    const char* b;     // height entry of the mode
    bool largest, doNotEnlarge;
    const char* expected;  // "width x height", or "none"
};

constexpr bool T = true, F = false;
const Row kRows[] = {
    {4000, 3000, "lock", "1000", "0", F, F, "1000 x 750"},
    {4001, 3001, "lock", "1000", "0", F, F, "1000 x 750"},  // 750.0625 in single
    {144, 135, "w", "1000", "", F, F, "1000 x 937"},        // 937.5 -> 938 in double
    {1, 1, "w", "2.5", "", F, F, "2.5 x 3"},                // halves away from zero
    {1, 1, "w", "-2.5", "", F, F, "-2.5 x -3"},
    {4000, 3000, "free", "0100", "20", F, F, "0100 x 20"},  // passed as typed
    {3000, 4000, "free", "800", "600", T, F, "600 x 800"},
    {3000, 4000, "lock", "1000", "0", T, F, "750 x 1000"},
    {3000, 4000, "lock", "1000", "0", F, F, "1000 x 1333"},
    {4001, 3001, "pct", "50", "50", F, F, "2001 x 1501"},  // 2000.5 and 1500.5
    {3000, 4000, "pct", "50", "25", T, F, "750 x 2000"},
    {4000, 3000, "pct", "200", "200", F, T, "8000 x 6000"},
    {4000, 3000, "w", "5000", "", F, F, "5000 x 3750"},
    {4000, 3000, "h", "", "600", F, F, "800 x 600"},
    {3000, 4000, "h", "", "600", T, F, "600 x 800"},
    {4000, 3000, "box", "800", "800", F, F, "800 x 600"},
    {3000, 4000, "box", "800", "800", F, F, "600 x 800"},
    {3000, 4000, "box", "800", "600", T, F, "600 x 800"},  // turned, m equal to n
    {3000, 4000, "box", "800", "500", T, F, "500 x 667"},  // turned, m above n
    {3000, 4000, "box", "800", "500.0", T, F, "none"},     // n must be a whole number
    {4000, 3000, "box", "800", "0", F, F, "0 x 0"},
    // Do not enlarge: the entries that reach a side become the image's sides.
    {4000, 3000, "w", "5000", "", F, T, "4000 x 3000"},
    {4000, 3000, "lock", "4000.0", "0", F, T, "4000 x 3000"},  // exactly the side
    {4000, 3000, "lock", "3999", "0", F, T, "3999 x 2999"},
    {4000, 3000, "lock", "1000", "3500", F, T, "4000 x 3000"},
    {4000, 3000, "box", "5000", "2000", F, T, "2667 x 2000"},
    {1000, 500, "free", "2000", "300", F, T, "1000 x 300"},
    {500, 1000, "free", "2000", "600", T, T, "500 x 1000"},
    {500, 1000, "w", "2000", "", T, T, "500 x 1000"},
    {500, 1000, "box", "600", "2000", T, T, "250 x 500"},  // no portrait rule in the box
    // Entries that are not numbers, or rounded sides that int64 cannot hold.
    {4000, 3000, "w", "1e30", "", F, F, "none"},
    {4000, 3000, "w", "nan", "", F, F, "none"},
    {4000, 3000, "w", "12px", "", F, F, "none"},
    {4000, 3000, "w", "0x1p10", "", F, F, "0x1p10 x 768"},
    {4000, 3000, "pct", "1e37", "50", F, F, "none"},
    {4000, 3000, "none", "", "", F, F, "none"},
};

TEST(OutputDimensions, GivesTheDisplayedSize) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(testing::Message()
                     << row.imageWidth << "x" << row.imageHeight << " " << row.mode << " " << row.a
                     << "," << row.b << " " << row.largest << row.doNotEnlarge);
        const auto result = computeOutputDimensions(
            row.imageWidth, row.imageHeight,
            sizeSettings(row.mode, row.a, row.b, row.largest, row.doNotEnlarge));
        EXPECT_EQ(result ? result->widthText + " x " + result->heightText : "none", row.expected);
    }
}

}  // namespace
}  // namespace varnholt
