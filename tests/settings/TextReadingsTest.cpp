#include "settings/TextReadings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cmath>
#include <limits>
#include <string>

namespace varnholt {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// Switches the process to a locale whose decimal separator is "," for one test, as a Qt
// application does at start.
class CommaLocale {
public:
    CommaLocale() : active_(std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr) {}
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
    bool active() const { return active_ && std::string(localeconv()->decimal_point) == ","; }

private:
    bool active_;
};

struct LeadingRow {
    std::string text;
    float expected;
};

TEST(TextReadings, LeadingFloatValueReadsTheLongestDecimalPrefix) {
    const LeadingRow rows[] = {
        {" 12.5px", 12.5f}, {"abc", 0.0f},     {"", 0.0f},         {"\t-3.25", -3.25f},
        {"+7", 7.0f},       {"1e3", 1000.0f},  {"1e", 1.0f},       {"1e+", 1.0f},
        {".5", 0.5f},       {"5.", 5.0f},      {".", 0.0f},        {"-", 0.0f},
        {"0x10", 0.0f},     {"inf", 0.0f},     {"nan", 0.0f},      {"12,5", 12.0f},
        {"1e50", kInf},     {"-1e50", -kInf},  {"0300", 300.0f},   {"1e-60", 0.0f},
        {"100%", 100.0f},   {"  \n42", 42.0f}, {"1.5e2x", 150.0f}, {"--1", 0.0f},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(leadingFloatValue(row.text), row.expected);
    }
}

struct ParseFloatRow {
    std::string text;
    std::optional<float> expected;
};

TEST(TextReadings, ParseFloatNeedsTheWholeText) {
    const ParseFloatRow rows[] = {
        {"12.5", 12.5f},        {"1e3", 1000.0f},   {" 12", std::nullopt}, {"12 ", std::nullopt},
        {"12px", std::nullopt}, {"", std::nullopt}, {"0x1p4", 16.0f},      {"INF", kInf},
        {"-Infinity", -kInf},   {"+3", 3.0f},       {"1e50", kInf},        {"12,5", std::nullopt},
        {"١٢", std::nullopt},   {"0100", 100.0f},   {".5", 0.5f},          {"-", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseFloat(row.text), row.expected);
    }
    const auto nan = parseFloat("nan");
    ASSERT_TRUE(nan.has_value());
    EXPECT_TRUE(std::isnan(*nan));
}

struct ParseIntRow {
    std::string text;
    std::optional<std::int64_t> expected;
};

TEST(TextReadings, ParseIntAcceptsSignAndDigitsWithin64Bits) {
    const ParseIntRow rows[] = {
        {"300", 300},
        {"+7", 7},
        {"0300", 300},
        {"-72", -72},
        {"3.0", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"9223372036854775807", INT64_MAX},
        {"9223372036854775808", std::nullopt},
        {"-9223372036854775808", INT64_MIN},
        {"-9223372036854775809", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"1e3", std::nullopt},
        {"+-1", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseInt(row.text), row.expected);
    }
}

TEST(TextReadings, DecimalPointIsADotUnderACommaLocale) {
    CommaLocale locale;
    ASSERT_TRUE(locale.active()) << "the de_DE locale built for the tests is missing";
    EXPECT_EQ(std::strtof("12.5", nullptr), 12.0f) << "the locale should break plain strtof";
    EXPECT_EQ(leadingFloatValue("12.5"), 12.5f);
    EXPECT_EQ(parseFloat("12.5"), 12.5f);
    EXPECT_EQ(parseFloat("12,5"), std::nullopt);
    EXPECT_EQ(leadingFloatValue(" 0.75px"), 0.75f);
}

}  // namespace
}  // namespace varnholt
