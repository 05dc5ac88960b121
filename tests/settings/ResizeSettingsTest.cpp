#include "settings/ResizeSettings.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

ResizeSettings freePixels(std::string width, std::string height) {
    ResizeSettings s;
    s.pixelWidthText = std::move(width);
    s.pixelHeightText = std::move(height);
    return s;
}

ResizeSettings onlyMode(bool freeResize, bool pixels, bool percents, bool fixedWidth,
                        bool fixedHeight, bool box) {
    ResizeSettings s;
    s.freeResize = freeResize;
    s.freePixels = pixels;
    s.freePercents = percents;
    s.fixedWidth = fixedWidth;
    s.fixedHeight = fixedHeight;
    s.fixedWidthAndHeight = box;
    return s;
}

TEST(ResizeSettings, DefaultsAreThePanelsDefaults) {
    const ResizeSettings s;
    EXPECT_EQ(resizeMode(s), ResizeMode::FreePixels);
    EXPECT_TRUE(s.keepAspect);
    EXPECT_EQ(s.pixelWidthText, "0");
    EXPECT_EQ(s.pixelHeightText, "0");
    EXPECT_EQ(s.percentWidthText, "100");
    EXPECT_EQ(s.percentHeightText, "100");
    EXPECT_EQ(s.fixedWidthText, "0");
    EXPECT_EQ(s.boxHeightText, "0");
    EXPECT_FALSE(s.doNotEnlarge);
    EXPECT_FALSE(s.changeDPI);
    EXPECT_EQ(s.dpiText, "");
    EXPECT_EQ(s.outputFormat.index, 0);
    EXPECT_EQ(s.outputFormat.title, "JPG");
    EXPECT_EQ(s.quality, 80.0f);
    EXPECT_EQ(qualityLabel(s.quality), "80");
    EXPECT_EQ(s.namePattern, "[FileName]_res ([FileIndex])");
    EXPECT_EQ(s.nameCase, 0);
    EXPECT_EQ(s.outputFolder, "");
    EXPECT_FALSE(s.keepExifInfoAndCreationDate);
}

TEST(ResizeSettings, ModeIsTheFirstMatchingRadioCombination) {
    struct Row {
        ResizeSettings settings;
        ResizeMode mode;
    };
    const Row rows[] = {
        {onlyMode(true, true, true, true, true, true), ResizeMode::FreePixels},
        {onlyMode(true, false, true, true, false, false), ResizeMode::FreePercents},
        {onlyMode(true, false, false, true, true, true), ResizeMode::None},
        {onlyMode(false, true, false, true, true, true), ResizeMode::FixedWidth},
        {onlyMode(false, true, false, false, true, true), ResizeMode::FixedHeight},
        {onlyMode(false, true, true, false, false, true), ResizeMode::FixedWidthAndHeight},
        {onlyMode(false, true, true, false, false, false), ResizeMode::None},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(resizeMode(row.settings), row.mode);
    }
}

TEST(ResizeSettings, SizeFieldsValidLooksOnlyAtTheChosenModesEntries) {
    struct Row {
        const char* name;
        ResizeSettings settings;
        bool valid;
    };
    ResizeSettings fixedHeight = onlyMode(false, true, false, false, true, false);
    fixedHeight.fixedWidthText = "0";
    fixedHeight.fixedHeightText = "300";
    ResizeSettings fixedWidth = onlyMode(false, true, false, true, false, false);
    fixedWidth.fixedWidthText = "100";
    fixedWidth.fixedHeightText = "0";
    ResizeSettings zeroHeight = fixedHeight;
    zeroHeight.fixedHeightText = "0";
    ResizeSettings percents = onlyMode(true, false, true, false, false, false);
    percents.percentWidthText = "50";
    percents.percentHeightText = "0";
    percents.pixelWidthText = "-1";
    ResizeSettings box = onlyMode(false, true, false, false, false, true);
    box.boxWidthText = "800";
    box.boxHeightText = "-600";
    const Row rows[] = {
        {"pixels 0 x 0", freePixels("0", "0"), false},
        {"pixels 10 x 0", freePixels("10", "0"), false},
        {"pixels 10 x 1", freePixels("10", "1"), true},
        {"pixels 12px", freePixels("12px", "1"), true},
        {"pixels negative", freePixels("-5", "1"), false},
        {"pixels text", freePixels("abc", "1"), false},
        {"pixels inf", freePixels("1e50", "1"), true},
        {"fixed height only", fixedHeight, true},
        {"fixed width only", fixedWidth, true},
        {"fixed height zero", zeroHeight, false},
        {"percents 50 x 0", percents, false},
        {"box negative height", box, false},
        {"no mode", onlyMode(false, true, false, false, false, false), true},
        {"free with neither", onlyMode(true, false, false, false, false, false), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(sizeFieldsValid(row.settings), row.valid);
    }
}

TEST(ResizeSettings, DpiOverrideNeedsTheBoxAndAWholeNumberOfAtLeastOne) {
    struct Row {
        bool changeDPI;
        const char* text;
        std::optional<std::int64_t> dpi;
    };
    const Row rows[] = {
        {true, "0", std::nullopt},     {true, "-72", std::nullopt},
        {true, "abc", std::nullopt},   {true, "", std::nullopt},
        {true, "0300", 300},           {true, "+300", 300},
        {true, "300.5", std::nullopt}, {true, " 300", std::nullopt},
        {false, "300", std::nullopt},  {true, "1", 1},
        {true, "999999", 999999},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        ResizeSettings s;
        s.changeDPI = row.changeDPI;
        s.dpiText = row.text;
        EXPECT_EQ(dpiOverride(s), row.dpi);
    }
}

TEST(ResizeSettings, QualityLabelShowsTheWholePartAndAtLeastOne) {
    const std::pair<float, const char*> rows[] = {
        {80.7f, "80"}, {1.0f, "1"}, {0.5f, "1"}, {100.0f, "100"}, {1.5f, "1"}, {2.0f, "2"},
    };
    for (const auto& [quality, label] : rows) {
        EXPECT_EQ(qualityLabel(quality), label) << quality;
    }
}

TEST(ResizeSettings, FormatPopupHoldsTheHeifPairOnlyWhenAvailable) {
    const auto without = formatPopupItems(false);
    const auto with = formatPopupItems(true);
    ASSERT_EQ(without.size(), 11u);
    ASSERT_EQ(with.size(), 13u);
    EXPECT_EQ(without[10], OutputFormat::Original);
    EXPECT_EQ(with[12], OutputFormat::Original);
    EXPECT_EQ(with[10], OutputFormat::HEIF);
    EXPECT_EQ(with[11], OutputFormat::HEIC);
    for (const auto format : with) {
        EXPECT_EQ(formatFromTitle(formatTitle(format)), format);
    }
    EXPECT_EQ(formatFromTitle("jpg"), std::nullopt);
}

TEST(ResizeSettings, QualitySliderIsMeaningfulForLossyFormatsAndOriginal) {
    const std::pair<FormatChoice, bool> rows[] = {
        {{0, "JPG"}, true},    {{4, "JPX"}, true},       {{5, "PNG"}, false},
        {{9, "BMP"}, false},   {{10, "Original"}, true}, {{12, "Original"}, true},
        {{10, "HEIF"}, false},
    };
    for (const auto& [format, uses] : rows) {
        EXPECT_EQ(formatUsesQuality(format), uses) << format.title;
    }
}

}  // namespace
}  // namespace varnholt
