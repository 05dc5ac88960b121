// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/OutputDimensions.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

enum class Mode { PixelsLocked, PixelsFree, Percents, Width, Height, Box, None };

struct Row {
    double imageWidth, imageHeight;
    Mode mode;
    const char* a;  // width entry of the mode
    const char* b;  // height entry of the mode
    bool largest, doNotEnlarge;
    const char* expected;  // "width x height", or "none"
};

ResizeSettings settingsFor(const Row& row) {
    ResizeSettings s;
    s.widthIsLargestDimension = row.largest;
    s.doNotEnlarge = row.doNotEnlarge;
    s.freeResize = row.mode <= Mode::Percents;
    s.freePixels = row.mode != Mode::Percents;
    s.freePercents = row.mode == Mode::Percents;
    s.keepAspect = row.mode != Mode::PixelsFree;
    s.fixedWidth = row.mode == Mode::Width;
    s.fixedHeight = row.mode == Mode::Height;
    s.fixedWidthAndHeight = row.mode == Mode::Box;
    // Entries of the other modes hold a value that would change the result if read.
    std::string* entries[][2] = {
        {&s.pixelWidthText, &s.pixelHeightText},     {&s.pixelWidthText, &s.pixelHeightText},
        {&s.percentWidthText, &s.percentHeightText}, {&s.fixedWidthText, &s.fixedHeightText},
        {&s.fixedWidthText, &s.fixedHeightText},     {&s.boxWidthText, &s.boxHeightText}};
    const std::string seven(1, '7');  // copied from a string: GCC 12 misreads literals here
    for (auto& pair : entries) {
        for (std::string* entry : pair) *entry = seven;
    }
    if (row.mode != Mode::None) {
        *entries[int(row.mode)][0] = std::string(row.a);
        *entries[int(row.mode)][1] = std::string(row.b);
    }
    return s;
}

using M = Mode;
constexpr bool T = true, F = false;
const Row kRows[] = {
    {4000, 3000, M::PixelsLocked, "1000", "0", F, F, "1000 x 750"},
    {4001, 3001, M::PixelsLocked, "1000", "0", F, F, "1000 x 750"},  // 750.0625 in single
    {144, 135, M::Width, "1000", "", F, F, "1000 x 937"},            // 937.5 -> 938 in double
    {1, 1, M::Width, "2.5", "", F, F, "2.5 x 3"},                    // halves away from zero
    {1, 1, M::Width, "-2.5", "", F, F, "-2.5 x -3"},
    {4000, 3000, M::PixelsFree, "0100", "20", F, F, "0100 x 20"},  // passed as typed
    {3000, 4000, M::PixelsFree, "800", "600", T, F, "600 x 800"},
    {3000, 4000, M::PixelsLocked, "1000", "0", T, F, "750 x 1000"},
    {3000, 4000, M::PixelsLocked, "1000", "0", F, F, "1000 x 1333"},
    {4001, 3001, M::Percents, "50", "50", F, F, "2001 x 1501"},  // 2000.5 and 1500.5
    {3000, 4000, M::Percents, "50", "25", T, F, "750 x 2000"},
    {4000, 3000, M::Percents, "200", "200", F, T, "8000 x 6000"},
    {4000, 3000, M::Width, "5000", "", F, F, "5000 x 3750"},
    {4000, 3000, M::Height, "", "600", F, F, "800 x 600"},
    {3000, 4000, M::Height, "", "600", T, F, "600 x 800"},
    {4000, 3000, M::Box, "800", "800", F, F, "800 x 600"},
    {3000, 4000, M::Box, "800", "800", F, F, "600 x 800"},
    {3000, 4000, M::Box, "800", "600", T, F, "600 x 800"},  // turned, m equal to n
    {3000, 4000, M::Box, "800", "500", T, F, "500 x 667"},  // turned, m above n
    {3000, 4000, M::Box, "800", "500.0", T, F, "none"},     // n must be a whole number
    {4000, 3000, M::Box, "800", "0", F, F, "0 x 0"},
    // Do not enlarge: the entries that reach a side become the image's sides.
    {4000, 3000, M::Width, "5000", "", F, T, "4000 x 3000"},
    {4000, 3000, M::PixelsLocked, "4000.0", "0", F, T, "4000 x 3000"},  // exactly the side
    {4000, 3000, M::PixelsLocked, "3999", "0", F, T, "3999 x 2999"},
    {4000, 3000, M::PixelsLocked, "1000", "3500", F, T, "4000 x 3000"},
    {4000, 3000, M::Box, "5000", "2000", F, T, "2667 x 2000"},
    {1000, 500, M::PixelsFree, "2000", "300", F, T, "1000 x 300"},
    {500, 1000, M::PixelsFree, "2000", "600", T, T, "500 x 1000"},
    {500, 1000, M::Width, "2000", "", T, T, "500 x 1000"},
    {500, 1000, M::Box, "600", "2000", T, T, "250 x 500"},  // no portrait rule in the box
    // Entries that are not numbers, or rounded sides that int64 cannot hold.
    {4000, 3000, M::Width, "1e30", "", F, F, "none"},
    {4000, 3000, M::Width, "nan", "", F, F, "none"},
    {4000, 3000, M::Width, "12px", "", F, F, "none"},
    {4000, 3000, M::Width, "0x1p10", "", F, F, "0x1p10 x 768"},
    {4000, 3000, M::Percents, "1e37", "50", F, F, "none"},
    {4000, 3000, M::None, "", "", F, F, "none"},
};

TEST(OutputDimensions, GivesTheDisplayedSize) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(testing::Message()
                     << row.imageWidth << "x" << row.imageHeight << " mode " << int(row.mode) << " "
                     << row.a << "," << row.b << " " << row.largest << row.doNotEnlarge);
        const auto result =
            computeOutputDimensions(row.imageWidth, row.imageHeight, settingsFor(row));
        EXPECT_EQ(result ? result->widthText + " x " + result->heightText : "none", row.expected);
    }
}

}  // namespace
}  // namespace varnholt
