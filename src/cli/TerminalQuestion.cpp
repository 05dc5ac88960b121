// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalQuestion.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "cli/TerminalText.h"
#include "settings/AsciiCase.h"
#include "settings/Translation.h"

namespace varnholt {
namespace {

std::string normalized(const std::string& reply) {
    const auto first = reply.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = reply.find_last_not_of(" \t\r");
    return asciiLowercase(reply.substr(first, last - first + 1));
}

}  // namespace

std::optional<OverwriteAnswer> readAnswer(const std::string& reply) {
    const std::string text = normalized(reply);
    // Enter alone keeps the file, as the default button of the window's question does.
    if (text.empty() || text == "n" || text == "no") return OverwriteAnswer::No;
    if (text == "y" || text == "yes") return OverwriteAnswer::Yes;
    if (text == "a" || text == "all" || text == "yes to all") return OverwriteAnswer::YesToAll;
    if (text == "s" || text == "none" || text == "no to all") return OverwriteAnswer::NoToAll;
    return std::nullopt;
}

std::unique_ptr<TerminalQuestion> TerminalQuestion::open() {
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty >= 0) return std::unique_ptr<TerminalQuestion>(new TerminalQuestion(tty, tty, true));
    if (isatty(STDIN_FILENO)) {
        return std::unique_ptr<TerminalQuestion>(
            new TerminalQuestion(STDIN_FILENO, STDERR_FILENO, false));
    }
    return nullptr;
}

TerminalQuestion::TerminalQuestion(int input, int output, bool ownsDescriptor)
    : input_(input), output_(output), ownsDescriptor_(ownsDescriptor) {}

TerminalQuestion::~TerminalQuestion() {
    if (ownsDescriptor_) ::close(input_);
}

OverwriteAnswer TerminalQuestion::ask(const std::string& path, bool replacesSource) {
    while (true) {
        // TRANSLATORS: the letters in brackets are the keys read as the answers; keep them.
        write(overwriteQuestionText(terminalText(path), replacesSource) + "\n" +
              _("[y] Yes  [a] Yes to All  [n] No  [s] No to All: "));
        std::string line;
        if (!readLine(line)) {
            write("\n");
            return OverwriteAnswer::NoToAll;
        }
        if (const auto answer = readAnswer(line)) return *answer;
    }
}

bool TerminalQuestion::readLine(std::string& line) {
    line.clear();
    char c = 0;
    while (true) {
        const ssize_t got = ::read(input_, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return !line.empty();
        if (c == '\n') return true;
        line += c;
    }
}

void TerminalQuestion::write(const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(output_, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        written += static_cast<std::size_t>(n);
    }
}

}  // namespace varnholt
