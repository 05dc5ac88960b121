#include "settings/OutputDimensions.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

enum class Mode { PixelsLocked, PixelsFree, Percents, Width, Height, Box };

struct Row {
    const char* name;
    double imageWidth;
    double imageHeight;
    Mode mode;
    std::string a;         // width entry of the mode
    std::string b;         // height entry of the mode
    const char* flags;     // L: width is the larger side, E: do not enlarge
    const char* expected;  // "WxH" as the labels show it, or nullptr: no result
};

ResizeSettings settingsFor(const Row& row) {
    ResizeSettings s;
    s.widthIsLargestDimension = std::string_view(row.flags).find('L') != std::string_view::npos;
    s.doNotEnlarge = std::string_view(row.flags).find('E') != std::string_view::npos;
    s.freeResize = row.mode == Mode::PixelsLocked || row.mode == Mode::PixelsFree ||
                   row.mode == Mode::Percents;
    s.freePixels = row.mode != Mode::Percents;
    s.freePercents = row.mode == Mode::Percents;
    s.keepAspect = row.mode != Mode::PixelsFree;
    s.fixedWidth = row.mode == Mode::Width;
    s.fixedHeight = row.mode == Mode::Height;
    s.fixedWidthAndHeight = row.mode == Mode::Box;
    // Entries of the other modes hold values that would change the result if read.
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
    }
    return s;
}

const Row kRows[] = {
    {"locked 1000", 4000, 3000, Mode::PixelsLocked, "1000", "0", "", "1000x750"},
    {"locked default 0", 4000, 3000, Mode::PixelsLocked, "0", "0", "", "0x0"},
    // 1000 / 1.3332223 = 750.0625 in single precision.
    {"locked odd ratio", 4001, 3001, Mode::PixelsLocked, "1000", "0", "", "1000x750"},
    {"free passes text", 4000, 3000, Mode::PixelsFree, "0100", "20", "", "0100x20"},
    {"free passes anything", 4000, 3000, Mode::PixelsFree, "abc", "1e30", "", "abcx1e30"},
    {"free turned swaps", 3000, 4000, Mode::PixelsFree, "800", "600", "L", "600x800"},
    {"locked portrait turned", 3000, 4000, Mode::PixelsLocked, "1000", "0", "L", "750x1000"},
    {"locked portrait normal", 3000, 4000, Mode::PixelsLocked, "1000", "0", "", "1000x1333"},
    // 2000.5 and 1500.5 round half away from zero.
    {"percent halves", 4001, 3001, Mode::Percents, "50", "50", "", "2001x1501"},
    {"percent turned", 3000, 4000, Mode::Percents, "50", "25", "L", "750x2000"},
    {"percent ignores do-not-enlarge", 4000, 3000, Mode::Percents, "200", "200", "E", "8000x6000"},
    {"fixed width clamped", 4000, 3000, Mode::Width, "5000", "", "E", "4000x3000"},
    {"fixed width enlarges", 4000, 3000, Mode::Width, "5000", "", "", "5000x3750"},
    {"fixed height", 4000, 3000, Mode::Height, "", "600", "", "800x600"},
    {"fixed height turned", 3000, 4000, Mode::Height, "", "600", "L", "600x800"},
    {"box square", 4000, 3000, Mode::Box, "800", "800", "", "800x600"},
    {"box portrait", 3000, 4000, Mode::Box, "800", "800", "", "600x800"},
    {"box turned m equal n", 3000, 4000, Mode::Box, "800", "600", "L", "600x800"},
    {"box turned m above n", 3000, 4000, Mode::Box, "800", "500", "L", "500x667"},
    {"locked clamps on height entry", 4000, 3000, Mode::PixelsLocked, "1000", "3500", "E",
     "4000x3000"},
    {"box clamp then height decides", 4000, 3000, Mode::Box, "5000", "2000", "E", "2667x2000"},
    {"free clamps each side", 1000, 500, Mode::PixelsFree, "2000", "300", "E", "1000x300"},
    {"free portrait clamps", 500, 1000, Mode::PixelsFree, "2000", "600", "LE", "500x1000"},
    {"width portrait clamps", 500, 1000, Mode::Width, "2000", "", "LE", "500x1000"},
    {"height portrait clamps", 500, 1000, Mode::Height, "", "700", "LE", "500x1000"},
    {"box clamps without portrait rule", 500, 1000, Mode::Box, "600", "2000", "LE", "250x500"},
    {"locked exactly equal", 4000, 3000, Mode::PixelsLocked, "4000", "0", "E", "4000x3000"},
    {"locked one below", 4000, 3000, Mode::PixelsLocked, "3999", "0", "E", "3999x2999"},
    // Rounded sides that int64 cannot hold, or entries that are not numbers: no result.
    {"huge", 4000, 3000, Mode::Width, "1e30", "", "", nullptr},
    {"inf", 4000, 3000, Mode::Width, "inf", "", "", nullptr},
    {"nan", 4000, 3000, Mode::Width, "nan", "", "", nullptr},
    {"hex huge", 4000, 3000, Mode::Height, "", "0x1p80", "", nullptr},
    {"hex fine", 4000, 3000, Mode::Width, "0x1p10", "", "", "0x1p10x768"},
    {"units", 4000, 3000, Mode::Width, "12px", "", "", nullptr},
    {"empty", 4000, 3000, Mode::Width, "", "", "", nullptr},
    {"percent nan", 4000, 3000, Mode::Percents, "nan", "50", "", nullptr},
    {"percent huge", 4000, 3000, Mode::Percents, "1e37", "50", "", nullptr},
    {"box turned bad n", 3000, 4000, Mode::Box, "800", "500.0", "L", nullptr},
    {"box zero height", 4000, 3000, Mode::Box, "800", "0", "", "0x0"},
};

TEST(OutputDimensions, GivesTheDisplayedSize) {
    for (const Row& row : kRows) {
        const auto result =
            computeOutputDimensions(row.imageWidth, row.imageHeight, settingsFor(row));
        EXPECT_EQ(result ? result->widthText + "x" + result->heightText : "none",
                  row.expected ? row.expected : "none")
            << row.name;
    }
}

TEST(OutputDimensions, NoModeHasNoResult) {
    ResizeSettings s;
    s.freeResize = false;
    EXPECT_FALSE(computeOutputDimensions(4000, 3000, s).has_value());
}

TEST(OutputDimensions, ArithmeticIsSinglePrecisionAndRoundsHalfAwayFromZero) {
    ResizeSettings s;
    s.freeResize = false;
    s.fixedWidth = true;
    // 144 / 135 narrowed to float makes 1000 / r = 937.49994; in double it is 937.5 -> 938.
    s.fixedWidthText = "1000";
    EXPECT_EQ(computeOutputDimensions(144, 135, s)->heightText, "937");
    // Halves go away from zero, also below zero (banker's rounding would give 2 and -2).
    s.fixedWidthText = "2.5";
    EXPECT_EQ(computeOutputDimensions(1, 1, s)->heightText, "3");
    s.fixedWidthText = "-2.5";
    EXPECT_EQ(computeOutputDimensions(1, 1, s)->heightText, "-3");
}

}  // namespace
}  // namespace varnholt
