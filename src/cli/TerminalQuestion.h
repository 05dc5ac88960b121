// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "batch/OverwriteConfirmation.h"

namespace varnholt {

// Asks the overwrite question on the user's terminal: the controlling terminal when there is
// one, else standard input and standard error when standard input is a terminal.
class TerminalQuestion : public OverwriteQuestion {
public:
    // Nothing when no terminal can be reached.
    static std::unique_ptr<TerminalQuestion> open();
    ~TerminalQuestion() override;

    // Repeats the question until one of the four answers is typed; the end of input counts
    // as "No to All", like closing the question.
    OverwriteAnswer ask(const std::string& path, bool replacesSource) override;

private:
    TerminalQuestion(int input, int output, bool ownsDescriptor);
    bool readLine(std::string& line);
    void write(const std::string& text);

    int input_;
    int output_;
    bool ownsDescriptor_;
};

// The same answer to every question, as --overwrite yes, --overwrite no and "ask" without a
// terminal give.
class FixedAnswer : public OverwriteQuestion {
public:
    explicit FixedAnswer(OverwriteAnswer answer) : answer_(answer) {}
    OverwriteAnswer ask(const std::string&, bool) override { return answer_; }

private:
    OverwriteAnswer answer_;
};

// A typed reply read as an answer: y/yes, a/all/yes to all, n/no or nothing, s/none/no to all,
// in any letter case; nothing for anything else.
std::optional<OverwriteAnswer> readAnswer(const std::string& reply);

}  // namespace varnholt
