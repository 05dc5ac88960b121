#include "batch/BatchOutputSize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace varnholt {
namespace {

enum class Mode { PixelsLocked, PixelsFree, Percents, Width, Height, Box, None };

struct Row {
    const char* name;
    double w;
    double h;
    Mode mode;
    const char* a;
    const char* b;
    bool largest;
    bool doNotEnlarge;
    double expectedWidth;
    double expectedHeight;
};

ResizeSettings settingsFor(const Row& row) {
    ResizeSettings s;
    s.widthIsLargestDimension = row.largest;
    s.doNotEnlarge = row.doNotEnlarge;
    s.freeResize = row.mode == Mode::PixelsLocked || row.mode == Mode::PixelsFree ||
                   row.mode == Mode::Percents;
    s.freePixels = row.mode == Mode::PixelsLocked || row.mode == Mode::PixelsFree;
    s.freePercents = row.mode == Mode::Percents;
    s.keepAspect = row.mode != Mode::PixelsFree;
    s.fixedWidth = row.mode == Mode::Width;
    s.fixedHeight = row.mode == Mode::Height;
    s.fixedWidthAndHeight = row.mode == Mode::Box;
    s.pixelWidthText = s.pixelHeightText = s.percentWidthText = s.percentHeightText = "7";
    s.fixedWidthText = s.fixedHeightText = s.boxWidthText = s.boxHeightText = "7";
    switch (row.mode) {
        case Mode::PixelsLocked:
        case Mode::PixelsFree:
            s.pixelWidthText = row.a;
            s.pixelHeightText = row.b;
            break;
        case Mode::Percents:
            s.percentWidthText = row.a;
            s.percentHeightText = row.b;
            break;
        case Mode::Width:
            s.fixedWidthText = row.a;
            break;
        case Mode::Height:
            s.fixedHeightText = row.b;
            break;
        case Mode::Box:
            s.boxWidthText = row.a;
            s.boxHeightText = row.b;
            break;
        case Mode::None:
            break;
    }
    return s;
}

const Row kRows[] = {
    {"percent unrounded", 101, 75, Mode::Percents, "50", "50", false, false, 50.5, 37.5},
    {"percent turned", 3000, 4000, Mode::Percents, "50", "25", true, false, 750, 2000},
    {"width 800", 4000, 3000, Mode::Width, "800", "", false, false, 800, 600},
    {"width turned", 3000, 4000, Mode::Width, "800", "", true, false, 600, 800},
    {"width portrait plain", 3000, 4000, Mode::Width, "800", "", false, false, 800, 1067},
    {"width fraction kept", 4000, 3000, Mode::Width, "12.5", "", false, false, 12.5, 9},
    {"width units", 4000, 3000, Mode::Width, "800px", "", false, false, 800, 600},
    {"height 600", 4000, 3000, Mode::Height, "", "600", false, false, 800, 600},
    {"height turned", 3000, 4000, Mode::Height, "", "800", true, false, 800, 1067},
    {"box landscape", 4000, 3000, Mode::Box, "800", "600", false, false, 800, 600},
    {"box portrait", 3000, 4000, Mode::Box, "800", "600", false, false, 450, 600},
    {"box turned fits", 3000, 4000, Mode::Box, "800", "600", true, false, 600, 800},
    {"box turned height decides", 3000, 4000, Mode::Box, "800", "500", true, false, 500, 667},
    {"locked", 4000, 3000, Mode::PixelsLocked, "1000", "1", false, false, 1000, 750},
    {"locked turned", 3000, 4000, Mode::PixelsLocked, "1000", "1", true, false, 750, 1000},
    {"free", 4000, 3000, Mode::PixelsFree, "640", "480", false, false, 640, 480},
    {"free turned", 3000, 4000, Mode::PixelsFree, "640", "480", true, false, 480, 640},
    {"clamp width mode", 1000, 500, Mode::Width, "2000", "", false, true, 1000, 500},
    {"clamp each side", 1000, 500, Mode::PixelsFree, "2000", "300", false, true, 1000, 300},
    {"clamp percent", 1000, 500, Mode::Percents, "200", "200", false, true, 1000, 500},
    {"clamp at boundary", 1000, 500, Mode::Width, "1000", "", false, true, 1000, 500},
    {"height rounds to 0", 3000, 1000, Mode::Width, "1", "", false, false, 1, 0},
    {"single precision", 144, 135, Mode::Width, "1000", "", false, false, 1000, 937},
    {"half away from zero", 1, 1, Mode::Width, "2.5", "", false, false, 2.5, 3},
    {"no mode", 4000, 3000, Mode::None, "", "", false, false, 0, 0},
};

TEST(BatchOutputSize, FollowsTheModeTable) {
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        const auto size = computeBatchOutputSize(row.w, row.h, settingsFor(row));
        EXPECT_EQ(size.width, row.expectedWidth);
        EXPECT_EQ(size.height, row.expectedHeight);
    }
}

TEST(BatchOutputSize, UnusableSidesAreNotWritten) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    struct WholeRow {
        BatchOutputSize size;
        std::optional<PixelDimensions> expected;
    };
    const WholeRow rows[] = {
        {{800, 600}, PixelDimensions{800, 600}},
        {{50.5, 37.5}, PixelDimensions{50, 37}},
        {{1, 1}, PixelDimensions{1, 1}},
        {{0.99, 10}, std::nullopt},
        {{1, 0}, std::nullopt},
        {{-5, 10}, std::nullopt},
        {{inf, 10}, std::nullopt},
        {{10, nan}, std::nullopt},
        {{65535, 65535}, PixelDimensions{65535, 65535}},
        {{65536, 10}, std::nullopt},
        {{1e30, 1e30}, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.size.width << " x " << row.size.height);
        EXPECT_EQ(wholePixels(row.size), row.expected);
    }
}

TEST(BatchOutputSize, HugeAndSpecialEntriesAreReportedAsFailures) {
    for (const char* entry : {"1e30", "inf", "1e50", "-5", "0"}) {
        SCOPED_TRACE(entry);
        Row row{"", 4000, 3000, Mode::Width, entry, "", false, false, 0, 0};
        EXPECT_FALSE(wholePixels(computeBatchOutputSize(4000, 3000, settingsFor(row))));
        Row box{"", 3000, 4000, Mode::Box, entry, entry, true, false, 0, 0};
        EXPECT_FALSE(wholePixels(computeBatchOutputSize(3000, 4000, settingsFor(box))));
    }
}

}  // namespace
}  // namespace varnholt
