// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalQuestion.h"
#include "cli/TerminalText.h"

#include <gtest/gtest.h>

#include "BatchTestSupport.h"

namespace varnholt {
namespace {

// Names as shown, and bash gives every quoted name back byte for byte.
TEST(TerminalText, QuotesWhatATerminalWouldTakeAsCommands) {
    const std::pair<std::string, std::string> rows[] = {
        {"plain name (1).jpg", "plain name (1).jpg"},
        {"Ærø 写真.jpg", "Ærø 写真.jpg"},
        {"", "''"},
        {"a\033[2J.jpg", "'a'$'\\033''[2J.jpg'"},
        {"line\nbreak\t", "'line'$'\\n''break'$'\\t'"},
        {"del\x7f", "'del'$'\\177'"},
        {"\x80", "''$'\\200'"},
        {"cut \xe5\x86.jpg", "'cut '$'\\345\\206''.jpg'"},
        {"\xc0\xaf", "''$'\\300\\257'"},           // an overlong "/"
        {"\xed\xa0\x80", "''$'\\355\\240\\200'"},  // a surrogate
        {"c1 \xc2\x9b", "'c1 '$'\\302\\233'"},     // CSI as a C1 control
        {"it's.jpg", "'it'\\''s.jpg'"},
    };
    TempFolder folder;
    std::string script = "printf '%s\\0'";
    for (const auto& [name, shown] : rows) {
        EXPECT_EQ(terminalText(name), shown) << shown;
        if (shown != name) script += " " + shown;
    }
    const std::string printed = folder / "printed";
    ASSERT_EQ(std::system(("bash " + folder.write("script", script) + " >" + printed).c_str()), 0);
    std::string expected;
    for (const auto& [name, shown] : rows) {
        if (shown != name) expected += name + '\0';
    }
    EXPECT_EQ(readFile(printed), expected);
}

TEST(TerminalQuestion, RepliesAreReadInAnyCaseAroundSpaces) {
    using A = OverwriteAnswer;
    const std::pair<const char*, std::optional<A>> rows[] = {
        {" YES\r", A::Yes}, {"n", A::No},         {"All", A::YesToAll},
        {"s", A::NoToAll},  {"none", A::NoToAll}, {"yess", std::nullopt}};
    for (const auto& [reply, answer] : rows) EXPECT_EQ(readAnswer(reply), answer) << reply;
}

}  // namespace
}  // namespace varnholt
