// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// A file name (or any text from outside) as it may be shown on a terminal or in a line of
// --dry-run: unchanged when it is printable UTF-8 without a single quote; otherwise in shell
// quoting, the control characters, C1 controls and bytes that are not UTF-8 written as
// $'\033' escapes, so that nothing reaches the terminal as a command or breaks a line, and a
// shell gives back the exact bytes: "a\033[2J.jpg" reads 'a'$'\033''[2J.jpg'. So a printed
// field holds a single quote exactly when it is quoted. The empty text reads ''.
std::string terminalText(std::string_view text);

}  // namespace varnholt
