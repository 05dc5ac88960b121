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
    std::string a;  // width entry of the mode
    std::string b;  // height entry of the mode
    bool largest = false;
    bool doNotEnlarge = false;
    std::optional<OutputDimensions> expected;
};

ResizeSettings settingsFor(const Row& row) {
    ResizeSettings s;
    s.widthIsLargestDimension = row.largest;
    s.doNotEnlarge = row.doNotEnlarge;
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

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

OutputDimensions dims(const char* w, const char* h) { return {w, h}; }

class OutputDimensionsTest : public testing::TestWithParam<Row> {};

TEST_P(OutputDimensionsTest, GivesTheDisplayedSize) {
    const Row& row = GetParam();
    const auto result = computeOutputDimensions(row.imageWidth, row.imageHeight, settingsFor(row));
    ASSERT_EQ(result.has_value(), row.expected.has_value());
    if (result) {
        EXPECT_EQ(result->widthText, row.expected->widthText);
        EXPECT_EQ(result->heightText, row.expected->heightText);
    }
}

const Row kRows[] = {
    {"locked 1000", 4000, 3000, Mode::PixelsLocked, "1000", "0", false, false, dims("1000", "750")},
    {"locked default 0", 4000, 3000, Mode::PixelsLocked, "0", "0", false, false, dims("0", "0")},
    // 1000 / 1.3332223 = 750.0625 in single precision.
    {"locked odd ratio", 4001, 3001, Mode::PixelsLocked, "1000", "0", false, false,
     dims("1000", "750")},
    {"free passes text", 4000, 3000, Mode::PixelsFree, "0100", "20", false, false,
     dims("0100", "20")},
    {"free passes anything", 4000, 3000, Mode::PixelsFree, "abc", "1e30", false, false,
     dims("abc", "1e30")},
    {"free turned swaps", 3000, 4000, Mode::PixelsFree, "800", "600", true, false,
     dims("600", "800")},
    {"locked portrait turned", 3000, 4000, Mode::PixelsLocked, "1000", "0", true, false,
     dims("750", "1000")},
    {"locked portrait normal", 3000, 4000, Mode::PixelsLocked, "1000", "0", false, false,
     dims("1000", "1333")},
    // 2000.5 and 1500.5 round half away from zero.
    {"percent halves", 4001, 3001, Mode::Percents, "50", "50", false, false, dims("2001", "1501")},
    {"percent turned", 3000, 4000, Mode::Percents, "50", "25", true, false, dims("750", "2000")},
    {"percent ignores do-not-enlarge", 4000, 3000, Mode::Percents, "200", "200", false, true,
     dims("8000", "6000")},
    {"fixed width clamped", 4000, 3000, Mode::Width, "5000", "", false, true, dims("4000", "3000")},
    {"fixed width enlarges", 4000, 3000, Mode::Width, "5000", "", false, false,
     dims("5000", "3750")},
    {"fixed height", 4000, 3000, Mode::Height, "", "600", false, false, dims("800", "600")},
    {"fixed height turned", 3000, 4000, Mode::Height, "", "600", true, false, dims("600", "800")},
    {"box square", 4000, 3000, Mode::Box, "800", "800", false, false, dims("800", "600")},
    {"box portrait", 3000, 4000, Mode::Box, "800", "800", false, false, dims("600", "800")},
    {"box turned m equal n", 3000, 4000, Mode::Box, "800", "600", true, false, dims("600", "800")},
    {"box turned m above n", 3000, 4000, Mode::Box, "800", "500", true, false, dims("500", "667")},
    {"locked clamps on height entry", 4000, 3000, Mode::PixelsLocked, "1000", "3500", false, true,
     dims("4000", "3000")},
    {"box clamp then height decides", 4000, 3000, Mode::Box, "5000", "2000", false, true,
     dims("2667", "2000")},
    {"free clamps each side", 1000, 500, Mode::PixelsFree, "2000", "300", false, true,
     dims("1000", "300")},
    {"free portrait clamps", 500, 1000, Mode::PixelsFree, "2000", "600", true, true,
     dims("500", "1000")},
    {"width portrait clamps", 500, 1000, Mode::Width, "2000", "", true, true, dims("500", "1000")},
    {"height portrait clamps", 500, 1000, Mode::Height, "", "700", true, true, dims("500", "1000")},
    {"box clamps without portrait rule", 500, 1000, Mode::Box, "600", "2000", true, true,
     dims("250", "500")},
    {"locked exactly equal", 4000, 3000, Mode::PixelsLocked, "4000", "0", false, true,
     dims("4000", "3000")},
    {"locked one below", 4000, 3000, Mode::PixelsLocked, "3999", "0", false, true,
     dims("3999", "2999")},
    // Rounded sides that int64 cannot hold, or entries that are not numbers: no result.
    {"huge", 4000, 3000, Mode::Width, "1e30", "", false, false, std::nullopt},
    {"inf", 4000, 3000, Mode::Width, "inf", "", false, false, std::nullopt},
    {"nan", 4000, 3000, Mode::Width, "nan", "", false, false, std::nullopt},
    {"hex huge", 4000, 3000, Mode::Height, "", "0x1p80", false, false, std::nullopt},
    {"hex fine", 4000, 3000, Mode::Width, "0x1p10", "", false, false, dims("0x1p10", "768")},
    {"units", 4000, 3000, Mode::Width, "12px", "", false, false, std::nullopt},
    {"empty", 4000, 3000, Mode::Width, "", "", false, false, std::nullopt},
    {"percent nan", 4000, 3000, Mode::Percents, "nan", "50", false, false, std::nullopt},
    {"percent huge", 4000, 3000, Mode::Percents, "1e37", "50", false, false, std::nullopt},
    {"box turned bad n", 3000, 4000, Mode::Box, "800", "500.0", true, false, std::nullopt},
    {"box zero height", 4000, 3000, Mode::Box, "800", "0", false, false, dims("0", "0")},
};

INSTANTIATE_TEST_SUITE_P(Table, OutputDimensionsTest, testing::ValuesIn(kRows),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

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
