#include "settings/PanelRules.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

constexpr AspectLock kLandscape{4000, 3000, true, false};
constexpr AspectLock kPortrait{3000, 4000, true, false};
constexpr AspectLock kPortraitLargest{3000, 4000, true, true};
constexpr AspectLock kDoubleWide{2000, 1000, true, false};

struct SyncRow {
    const char* name;
    AspectLock lock;
    std::string edited;
    std::optional<std::string> expected;  // nullopt: the other field keeps its text
};

TEST(PanelRules, PixelHeightFollowsTheWidthField) {
    const SyncRow rows[] = {
        {"landscape", kLandscape, "1000", "750"},
        {"1001 / 1.3333334 = 750.75", kLandscape, "1001", "751"},
        {"portrait, width is the larger side", kPortraitLargest, "1000", "750"},
        {"portrait, option off", kPortrait, "1000", "1333"},
        {"square is never turned", AspectLock{3000, 3000, true, true}, "1000", "1000"},
        {"leading number of 12px", kLandscape, "12px", "9"},
        {"no number reads as 0", kLandscape, "abc", "0"},
        {"half rounds away from zero", kDoubleWide, "5", "3"},
        {"negative half away from zero", kDoubleWide, "-5", "-3"},
        {"lock off", AspectLock{4000, 3000, false, false}, "1000", std::nullopt},
        {"no image", AspectLock{0, 0, true, false}, "1000", std::nullopt},
        {"image without height", AspectLock{4000, 0, true, false}, "1000", std::nullopt},
        {"beyond 64 bits", kLandscape, "1e30", std::nullopt},
        {"overflow to infinity", kLandscape, "1e39", std::nullopt},
        {"largest 64-bit float below 2^63", kDoubleWide, "1.8446743e19", "9223371487098961920"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(pixelHeightForWidth(row.lock, row.edited), row.expected);
    }
}

TEST(PanelRules, PixelWidthFollowsTheHeightField) {
    const SyncRow rows[] = {
        {"landscape", kLandscape, "750", "1000"},
        {"portrait, width is the larger side", kPortraitLargest, "750", "1000"},
        {"portrait, option off: 562.5 rounds up", kPortrait, "750", "563"},
        {"half away from zero", AspectLock{1000, 2000, true, false}, "5", "3"},
        {"lock off", AspectLock{4000, 3000, false, true}, "750", std::nullopt},
        {"no image", AspectLock{}, "750", std::nullopt},
        {"beyond 64 bits", kLandscape, "1e30", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(pixelWidthForHeight(row.lock, row.edited), row.expected);
    }
}

struct PercentRow {
    bool keepAspect;
    std::string edited;
    std::optional<std::string> expected;
};

TEST(PanelRules, PercentFieldTakesTheWholePartOfTheOther) {
    const PercentRow rows[] = {
        {true, "50.7", "50"},
        {true, "-0.5", "0"},
        {true, "-7.9", "-7"},
        {true, "12px", "12"},
        {true, "abc", "0"},
        {true, "inf", "0"},  // not a leading decimal number
        {true, "1e18", "999999984306749440"},
        {true, "1e30", std::nullopt},
        {true, "1e39", std::nullopt},
        {false, "50", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edited);
        EXPECT_EQ(percentForOther(row.keepAspect, row.edited), row.expected);
    }
}

TEST(PanelRules, LockingCopiesThePercentWidthAsANumber) {
    const PercentRow rows[] = {
        {true, "50.5", "50.5"},  {true, "100", "100"},         {true, "0.1", "0.1"},
        {true, "12.5%", "12.5"}, {true, "abc", "0"},           {true, "-0", "0"},
        {true, " 7", "7"},       {true, "1e39", std::nullopt}, {false, "50.5", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edited);
        EXPECT_EQ(percentHeightOnLock(row.keepAspect, row.edited), row.expected);
    }
}

TEST(PanelRules, SelectingARadioTurnsTheOthersOfItsSetOff) {
    ModeRadios percentsInFixedWidth;
    percentsInFixedWidth.freeResize = false;
    percentsInFixedWidth.fixedWidth = true;
    percentsInFixedWidth.pixels = false;
    percentsInFixedWidth.percents = true;

    struct Row {
        ModeRadio chosen;
        ModeRadios from;
        ModeRadios expected;
    };
    const Row rows[] = {
        {ModeRadio::FixedWidth, {}, {false, true, false, false, true, false}},
        {ModeRadio::FixedHeight, percentsInFixedWidth, {false, false, true, false, false, true}},
        {ModeRadio::FixedWidthAndHeight, {}, {false, false, false, true, true, false}},
        {ModeRadio::FreeResize, percentsInFixedWidth, {true, false, false, false, false, true}},
        // The pair keeps to itself: choosing percents leaves a fixed mode chosen.
        {ModeRadio::Percents,
         {false, true, false, false, true, false},
         {false, true, false, false, false, true}},
        {ModeRadio::Pixels, percentsInFixedWidth, {false, true, false, false, true, false}},
        {ModeRadio::FreeResize, {}, {}},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(selectRadio(rows[i].from, rows[i].chosen), rows[i].expected);
    }
}

TEST(PanelRules, DoNotEnlargeIsDisabledOnlyForFreePercentages) {
    struct Row {
        ModeRadios radios;
        bool enabled;
    };
    const Row rows[] = {
        {{true, false, false, false, true, false}, true},
        {{true, false, false, false, false, true}, false},
        {{false, true, false, false, false, true}, true},  // percents kept, fixed width chosen
        {{false, false, true, false, false, true}, true},
        {{false, false, false, true, false, true}, true},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(doNotEnlargeEnabled(rows[i].radios), rows[i].enabled);
    }
}

}  // namespace
}  // namespace varnholt
