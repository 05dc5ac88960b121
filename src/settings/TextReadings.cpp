// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TextReadings.h"

#include <charconv>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace varnholt {
namespace {

// strtof follows LC_NUMERIC, which a Qt application switches to the user's locale;
// a private "C" locale keeps "12.5" meaning 12.5 under de_DE as well.
locale_t posixLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return locale;
}

bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the decimal number at the start of text: sign, digits with an optional
// point, optional exponent. 0 when text does not start with one.
std::size_t decimalPrefixLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) ++j;
            i = j;
        }
    }
    return i;
}

}  // namespace

float leadingFloatValue(std::string_view text) {
    while (!text.empty() && isAsciiSpace(text.front())) text.remove_prefix(1);
    const std::size_t length = decimalPrefixLength(text);
    if (length == 0) return 0.0f;
    const std::string number(text.substr(0, length));
    return strtof_l(number.c_str(), nullptr, posixLocale());
}

std::optional<float> parseFloat(std::string_view text) {
    if (text.empty()) return std::nullopt;
    for (char c : text) {
        if (static_cast<unsigned char>(c) > 0x7f || isAsciiSpace(c) || c == '\0') {
            return std::nullopt;
        }
    }
    const std::string number(text);
    char* end = nullptr;
    const float value = strtof_l(number.c_str(), &end, posixLocale());
    if (end != number.c_str() + number.size()) return std::nullopt;
    return value;
}

std::optional<std::int64_t> parseInt(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    for (char c : text) {
        if (!isDigit(c)) return std::nullopt;
    }
    // Read the magnitude as unsigned so that the most negative value fits too.
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    constexpr std::uint64_t maxPositive = static_cast<std::uint64_t>(INT64_MAX);
    if (!negative) {
        if (magnitude > maxPositive) return std::nullopt;
        return static_cast<std::int64_t>(magnitude);
    }
    if (magnitude > maxPositive + 1) return std::nullopt;
    if (magnitude == maxPositive + 1) return INT64_MIN;
    return -static_cast<std::int64_t>(magnitude);
}

}  // namespace varnholt
