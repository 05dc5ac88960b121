// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PanelRules.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

TEST(PanelRules, ThePixelFieldsFollowEachOther) {
    constexpr AspectLock landscape{4000, 3000, true, false}, portrait{3000, 4000, true, false};
    constexpr AspectLock turned{3000, 4000, true, true}, doubleWide{2000, 1000, true, false};
    const struct {
        AspectLock lock;
        bool heightEdited;
        const char* edited;
        std::optional<std::string> expected;  // nullopt: the other field keeps its text
    } rows[] = {
        {landscape, false, "1000", "750"},
        {landscape, false, "1001", "751"},  // 1001 / 1.3333334 = 750.75
        {turned, false, "1000", "750"},
        {portrait, false, "1000", "1333"},
        {landscape, false, "12px", "9"},
        {landscape, false, "abc", "0"},
        {doubleWide, false, "5", "3"},  // halves away from zero
        {doubleWide, false, "-5", "-3"},
        {doubleWide, false, "1.8446743e19", "9223371487098961920"},  // largest below 2^63
        {doubleWide, false, "1.9e19", std::nullopt},                 // 2^63 and above do not fit
        {landscape, false, "1e30", std::nullopt},
        {AspectLock{4000, 3000, false, false}, false, "1000", std::nullopt},
        {AspectLock{4000, 0, true, false}, false, "1000", std::nullopt},
        {landscape, true, "750", "1000"},
        {turned, true, "750", "1000"},
        {portrait, true, "750", "563"},  // 562.5
        {AspectLock{}, true, "750", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.edited << " " << row.lock.imageWidth << "x"
                                        << row.lock.imageHeight << " " << row.heightEdited);
        EXPECT_EQ(row.heightEdited ? pixelWidthForHeight(row.lock, row.edited)
                                   : pixelHeightForWidth(row.lock, row.edited),
                  row.expected);
    }
}

TEST(PanelRules, ThePercentFields) {
    using Text = std::optional<std::string>;
    // The other field takes the whole part of the edited one.
    const std::tuple<bool, const char*, Text> other[] = {
        {true, "50.7", "50"}, {true, "-7.9", "-7"}, {true, "12px", "12"},
        {true, "1e30", {}},   {false, "50", {}},    {true, "1e18", "999999984306749440"}};
    for (const auto& [keepAspect, edited, expected] : other)
        EXPECT_EQ(percentForOther(keepAspect, edited), expected) << edited;
    // Locking copies the percent width as a number in its shortest form.
    const std::tuple<bool, const char*, Text> locked[] = {
        {true, "50.5", "50.5"}, {true, "100", "100"}, {true, "0.1", "0.1"}, {true, "12.5%", "12.5"},
        {true, "-0", "0"},      {true, "1e39", {}},   {false, "50.5", {}}};
    for (const auto& [keepAspect, edited, expected] : locked)
        EXPECT_EQ(percentHeightOnLock(keepAspect, edited), expected) << edited;
}

TEST(PanelRules, SelectingARadioTurnsTheOthersOfItsSetOff) {
    const ModeRadios percentsInFixedWidth{false, true, false, false, false, true};
    const struct {
        ModeRadio chosen;
        ModeRadios from, expected;
    } rows[] = {
        {ModeRadio::FixedWidth, {}, {false, true, false, false, true, false}},
        {ModeRadio::FixedHeight, percentsInFixedWidth, {false, false, true, false, false, true}},
        {ModeRadio::FixedWidthAndHeight, {}, {false, false, false, true, true, false}},
        {ModeRadio::FreeResize, percentsInFixedWidth, {true, false, false, false, false, true}},
        // The pair keeps to itself: choosing percents leaves a fixed mode chosen.
        {ModeRadio::Percents, {false, true, false, false, true, false}, percentsInFixedWidth},
        {ModeRadio::Pixels, percentsInFixedWidth, {false, true, false, false, true, false}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(selectRadio(row.from, row.chosen), row.expected) << int(row.chosen);
    // Do not enlarge is disabled only for free percentages.
    EXPECT_TRUE(doNotEnlargeEnabled({true, false, false, false, true, false}));
    EXPECT_FALSE(doNotEnlargeEnabled({true, false, false, false, false, true}));
    EXPECT_TRUE(doNotEnlargeEnabled(percentsInFixedWidth));
}

}  // namespace
}  // namespace varnholt
