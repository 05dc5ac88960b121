// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// ASCII letters folded, other bytes kept: extensions, format names, typed answers and system
// messages compare and read the same under every locale (std::tolower follows the locale, and a
// Turkish one lowers "I" differently). Names shown as the user wrote them use GLib's Unicode
// rules instead.
inline std::string asciiLowercase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

inline std::string asciiUppercase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

}  // namespace varnholt
