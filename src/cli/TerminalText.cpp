// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalText.h"

#include <cstdint>

namespace varnholt {
namespace {

// The length of the printable UTF-8 character at the start of text, or 0 when its first
// byte must be escaped: a control character, DEL, a C1 control, or no valid UTF-8 (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate, beyond U+10FFFF).
std::size_t printableLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t first = byte(0);
    if (first < 0x20 || first == 0x7F) return 0;
    if (first < 0x80) return 1;
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
        code = first & 0x1Fu;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        code = first & 0x0Fu;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        code = first & 0x07u;
    } else {
        return 0;  // a continuation byte, or a lead byte only overlong forms or no code use
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80) return 0;
        code = (code << 6) | (byte(i) & 0x3Fu);
    }
    constexpr std::uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    if (code <= 0x9F) return 0;  // C1 controls: some terminals take them as commands
    return length;
}

std::string escaped(std::uint8_t byte) {
    switch (byte) {
        case '\a':
            return "\\a";
        case '\b':
            return "\\b";
        case '\t':
            return "\\t";
        case '\n':
            return "\\n";
        case '\v':
            return "\\v";
        case '\f':
            return "\\f";
        case '\r':
            return "\\r";
        default:
            break;
    }
    return {'\\', static_cast<char>('0' + (byte >> 6)), static_cast<char>('0' + ((byte >> 3) & 7)),
            static_cast<char>('0' + (byte & 7))};
}

bool needsQuoting(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = printableLength(text.substr(i));
        if (length == 0 || text[i] == '\'') return true;
        i += length;
    }
    return text.empty();
}

}  // namespace

std::string terminalText(std::string_view text) {
    if (!needsQuoting(text)) return std::string(text);
    // Printable runs go in single quotes, escaped runs in $'...', one after the other.
    std::string quoted = "'";
    bool inQuotes = true;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = printableLength(text.substr(i));
        if (length > 0) {
            if (!inQuotes) quoted += '\'';
            inQuotes = true;
            quoted += text[i] == '\'' ? std::string_view("'\\''") : text.substr(i, length);
            i += length;
            continue;
        }
        quoted += inQuotes ? "'$'" : "$'";
        for (; i < text.size() && printableLength(text.substr(i)) == 0; ++i)
            quoted += escaped(static_cast<std::uint8_t>(text[i]));
        quoted += '\'';
        inQuotes = false;
    }
    if (inQuotes) quoted += '\'';
    return quoted;
}

}  // namespace varnholt
