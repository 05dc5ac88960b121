// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace varnholt {

// The three ways a text field becomes a number. All of them read "." as the decimal
// separator whatever the process locale is.

// The longest leading decimal number after leading white space; 0 when there is none,
// plus or minus infinity on overflow. Never fails.
float leadingFloatValue(std::string_view text);

// The whole text as one strtof number in the POSIX locale (hexadecimal, inf and nan
// included); no white space, ASCII only.
std::optional<float> parseFloat(std::string_view text);

// The whole text as an optional sign and decimal digits that fit into 64 bits.
std::optional<std::int64_t> parseInt(std::string_view text);

}  // namespace varnholt
