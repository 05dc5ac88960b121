// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/OverwriteConfirmation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "BatchTestSupport.h"

namespace varnholt {
namespace {

using A = OverwriteAnswer;

// W(rite), O(verwrite) or S(kip) per image.
std::string letters(const std::vector<std::string>& sources, const ResizeSettings& settings,
                    OverwriteQuestion& question) {
    BatchPlan plan = planBatch(sources, settings);
    confirmOverwrites(plan, question);
    std::string text;
    for (const auto& image : plan.images) {
        const auto d = image.decision;
        text += d == OverwriteDecision::Write ? 'W' : d == OverwriteDecision::Overwrite ? 'O' : 'S';
    }
    return text;
}

TEST(ConfirmOverwrites, DecisionsFollowAnswersAndPolicy) {
    const std::vector<std::string> abc{"/in/a.png", "/in/b.png", "/in/c.png"};
    const std::vector<std::string> sameName{"/x/p.png", "/y/p.png", "/z/p.png"};
    const struct {
        std::vector<std::string> sources, existing;  // existing: names in the output folder
        std::deque<A> answers;
        std::string decisions;
        std::vector<std::string> asked;
    } rows[] = {
        {abc, {}, {}, "WWW", {}},
        {abc,
         {"a.jpg", "b.jpg", "c.jpg"},
         {A::Yes, A::No, A::Yes},
         "OSO",
         {"a.jpg", "b.jpg", "c.jpg"}},
        {abc, {"a.jpg", "b.jpg", "c.jpg"}, {A::YesToAll}, "OOO", {"a.jpg"}},
        {abc, {"a.jpg", "c.jpg"}, {A::NoToAll}, "SWS", {"a.jpg"}},
        {abc, {"a.jpg", "b.jpg"}, {static_cast<A>(7)}, "SSW", {"a.jpg"}},  // unknown: no to all
        // A later image at an earlier one's output is asked about like an existing file.
        {sameName, {}, {A::Yes, A::No}, "WOS", {"p.jpg", "p.jpg"}},
        {sameName, {"p.jpg"}, {A::No, A::Yes, A::No}, "SOS", {"p.jpg", "p.jpg", "p.jpg"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.decisions);
        TempFolder out;
        for (const auto& name : row.existing) out.write(name, "old");
        ScriptedQuestion question(row.answers);
        EXPECT_EQ(letters(row.sources, namedBySource(out.path()), question), row.decisions);
        std::vector<std::string> asked;
        for (const auto& name : row.asked) asked.push_back(out / name);
        EXPECT_EQ(question.asked, asked);
    }
}

TEST(ConfirmOverwrites, AnyEntryCountsAsExistingASourceIsNamedAndQuestionText) {
    TempFolder out;
    ASSERT_EQ(symlink("/no/such/target", (out / "dangling.jpg").c_str()), 0);
    std::filesystem::create_directory(out / "folder.jpg");
    ScriptedQuestion question({A::Yes, A::No});
    EXPECT_EQ(letters({"/in/dangling.png", "/in/folder.png"}, namedBySource(out.path()), question),
              "OS");
    // An output that is a source of the batch, another image's or its own, says so.
    ScriptedQuestion sources({A::No, A::No});
    const std::string own = out.write("own.jpg", "old");
    letters({"/in/own.png", out / "./own.jpg"}, namedBySource(out.path()), sources);
    EXPECT_EQ(sources.asked, std::vector<std::string>(2, own + " (a source)"));
    EXPECT_EQ(overwriteQuestionText("/o/a (1).jpg"),
              "The file /o/a (1).jpg already exists. Do you want to overwrite it?");
    EXPECT_EQ(overwriteQuestionText("/o/a.jpg", true),
              "The file /o/a.jpg already exists. Do you want to overwrite it?\n"
              "This file is one of the images being resized; its original would be lost.");
}

}  // namespace
}  // namespace varnholt
