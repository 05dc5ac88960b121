// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TextReadings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace varnholt {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(TextReadings, LeadingFloatValueReadsTheLongestDecimalPrefix) {
    const std::pair<const char*, float> rows[] = {
        {" 12.5px", 12.5f}, {"abc", 0.0f}, {"\t-3.25", -3.25f}, {"+7", 7.0f},   {"1e3", 1000.0f},
        {"1e", 1.0f},       {"1e+", 1.0f}, {".5", 0.5f},        {"5.", 5.0f},   {".", 0.0f},
        {"0x10", 0.0f},     {"inf", 0.0f}, {"12,5", 12.0f},     {"1e50", kInf}, {"1e-60", 0.0f},
        {"--1", 0.0f},      {"", 0.0f},    {"1.5e2x", 150.0f}};
    for (const auto& [text, expected] : rows) EXPECT_EQ(leadingFloatValue(text), expected) << text;
}

TEST(TextReadings, ParseFloatNeedsTheWholeText) {
    const std::pair<const char*, std::optional<float>> rows[] = {
        {"12.5", 12.5f}, {" 12", {}},          {"12 ", {}},   {"12px", {}},
        {"", {}},        {"0x1p4", 16.0f},     {"INF", kInf}, {"-", {}},
        {"12,5", {}},    {"-Infinity", -kInf}, {"١٢", {}}};
    for (const auto& [text, expected] : rows) EXPECT_EQ(parseFloat(text), expected) << text;
    EXPECT_TRUE(std::isnan(parseFloat("nan").value_or(0)));
}

TEST(TextReadings, ParseIntAcceptsSignAndDigitsWithin64Bits) {
    const std::pair<const char*, std::optional<std::int64_t>> rows[] = {
        {"300", 300},
        {"+7", 7},
        {"-72", -72},
        {"3.0", {}},
        {"", {}},
        {"+", {}},
        {" 1", {}},
        {"1 ", {}},
        {"1e3", {}},
        {"+-1", {}},
        {"9223372036854775807", INT64_MAX},
        {"9223372036854775808", {}},
        {"-9223372036854775808", INT64_MIN},
        {"-9223372036854775809", {}}};
    for (const auto& [text, expected] : rows) EXPECT_EQ(parseInt(text), expected) << text;
}

// A Qt application switches the C library to the user's locale at start; under de_DE plain
// strtof stops at the dot.
TEST(TextReadings, DecimalPointIsADotUnderACommaLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "the test locale is missing";
    EXPECT_EQ(std::strtof("12.5", nullptr), 12.0f) << "the locale should break plain strtof";
    EXPECT_EQ(leadingFloatValue(" 0.75px"), 0.75f);
    EXPECT_EQ(parseFloat("12.5"), 12.5f);
    EXPECT_EQ(parseFloat("12,5"), std::nullopt);
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace varnholt
