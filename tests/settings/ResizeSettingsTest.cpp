// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ResizeSettings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "SizeSettings.h"

namespace varnholt {
namespace {

// Radios in the order free, pixels, percents, fixed width, fixed height, box.
ResizeSettings radios(const char* on) {
    ResizeSettings s;
    bool* flags[] = {&s.freeResize, &s.freePixels,  &s.freePercents,
                     &s.fixedWidth, &s.fixedHeight, &s.fixedWidthAndHeight};
    for (int i = 0; i < 6; ++i) *flags[i] = on[i] == '1';
    return s;
}

TEST(ResizeSettings, ModeIsTheFirstMatchingRadioCombination) {
    const std::pair<const char*, ResizeMode> rows[] = {
        {"111111", ResizeMode::FreePixels},  {"101100", ResizeMode::FreePercents},
        {"100111", ResizeMode::None},        {"010111", ResizeMode::FixedWidth},
        {"010011", ResizeMode::FixedHeight}, {"011001", ResizeMode::FixedWidthAndHeight},
        {"011000", ResizeMode::None},
    };
    for (const auto& [on, mode] : rows) EXPECT_EQ(resizeMode(radios(on)), mode) << on;
}

TEST(ResizeSettings, SizeFieldsValidLooksOnlyAtTheChosenModesEntries) {
    struct Row {
        const char* mode;
        const char* width;
        const char* height;
        bool valid;
    };
    const Row rows[] = {
        {"lock", "0", "0", false},   {"lock", "10", "0", false}, {"lock", "10", "1", true},
        {"lock", "12px", "1", true}, {"lock", "-5", "1", false}, {"lock", "abc", "1", false},
        {"lock", "1e50", "1", true}, {"w", "100", "0", true},    {"h", "0", "300", true},
        {"h", "300", "0", false},    {"pct", "50", "0", false},  {"box", "800", "-6", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(sizeFieldsValid(sizeSettings(row.mode, row.width, row.height)), row.valid)
            << row.mode << " " << row.width << " x " << row.height;
    }
    EXPECT_TRUE(sizeFieldsValid(radios("010000")));  // no mode, its pixel entries 0
}

TEST(ResizeSettings, DpiOverrideNeedsTheBoxAndAWholeNumberOfAtLeastOne) {
    const std::tuple<bool, const char*, std::optional<std::int64_t>> rows[] = {
        {true, "0", std::nullopt},     {true, "-72", std::nullopt},  {true, "abc", std::nullopt},
        {true, "", std::nullopt},      {true, "0300", 300},          {true, "+300", 300},
        {true, "300.5", std::nullopt}, {true, " 300", std::nullopt}, {false, "300", std::nullopt},
    };
    for (const auto& [changeDPI, text, dpi] : rows) {
        ResizeSettings s;
        s.changeDPI = changeDPI;
        s.dpiText = text;
        EXPECT_EQ(dpiOverride(s), dpi) << text;
    }
}

TEST(ResizeSettings, QualityLabelAndSlider) {
    const std::pair<float, const char*> labels[] = {
        {80.7f, "80"}, {1.0f, "1"}, {0.5f, "1"}, {100.0f, "100"}, {2.0f, "2"}};
    for (const auto& [quality, label] : labels) EXPECT_EQ(qualityLabel(quality), label);
    const std::pair<const char*, bool> slider[] = {
        {"JPG", true},  {"JPX", true},  {"PNG", false}, {"Original", true}, {"HEIF", false},
        {"WEBP", true}, {"AVIF", true}, {"JXL", true},  {"jpg", false},
    };
    for (const auto& [title, uses] : slider) EXPECT_EQ(formatUsesQuality({title}), uses) << title;
}

TEST(FormatTable, TheDesktopEntryDeclaresEveryMimeTypeOfTheRowsAndTheMetainfoTheirOwn) {
    // Folders open too: their images are added.
    std::set<std::string> all{"inode/directory"}, own, desktop, metainfo;
    const auto split = [](std::string_view list, std::set<std::string>& into) {
        std::stringstream types{std::string(list)};
        for (std::string type; std::getline(types, type, ';');) into.insert(type);
    };
    for (const auto& row : formatRows()) {
        split(row.mimeTypes, all);
        own.insert(std::string(row.mimeTypes.substr(0, row.mimeTypes.find(';'))));
    }
    const std::regex declared("\nMimeType=([^\n]*)|<mediatype>([^<]*)</mediatype>");
    for (const char* file : {"desktop.in", "metainfo.xml.in"}) {
        std::stringstream text;
        text << std::ifstream(VARNHOLT_TESTDATA "/../../data/io.github.varnholt.Varnholt." +
                              std::string(file))
                    .rdbuf();
        const std::string content = text.str();
        for (std::sregex_iterator it(content.begin(), content.end(), declared), end; it != end;
             ++it) {
            split((*it)[1].matched ? (*it)[1].str() : (*it)[2].str(),
                  (*it)[1].matched ? desktop : metainfo);
        }
    }
    EXPECT_EQ(desktop, all);
    EXPECT_EQ(metainfo, own);
}

}  // namespace
}  // namespace varnholt
