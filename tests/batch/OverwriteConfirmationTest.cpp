#include "batch/OverwriteConfirmation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <deque>

#include "TempFolder.h"

namespace varnholt {
namespace {

using D = OverwriteDecision;
using A = OverwriteAnswer;

class ScriptedQuestion : public OverwriteQuestion {
public:
    explicit ScriptedQuestion(std::deque<OverwriteAnswer> answers) : answers_(std::move(answers)) {}
    OverwriteAnswer ask(const std::string& path) override {
        asked.push_back(path);
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected question about " << path;
            return A::NoToAll;
        }
        const OverwriteAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    std::vector<std::string> asked;

private:
    std::deque<OverwriteAnswer> answers_;
};

ResizeSettings settingsFor(const std::string& folder, std::string pattern = "[FileName]") {
    ResizeSettings s;
    s.outputFolder = folder;
    s.namePattern = std::move(pattern);
    return s;
}

struct Row {
    const char* name;
    std::vector<std::string> sources;
    std::vector<std::string> existingOutputs;  // names in the output folder
    std::deque<OverwriteAnswer> answers;
    std::vector<OverwriteDecision> expected;
    std::vector<std::string> askedAbout;  // names in the output folder
};

TEST(ConfirmOverwrites, DecisionsFollowAnswersAndPolicy) {
    const std::vector<std::string> abc{"/in/a.png", "/in/b.png", "/in/c.png"};
    const Row rows[] = {
        {"nothing exists", abc, {}, {}, {D::Write, D::Write, D::Write}, {}},
        {"yes no yes",
         abc,
         {"a.jpg", "b.jpg", "c.jpg"},
         {A::Yes, A::No, A::Yes},
         {D::Overwrite, D::Skip, D::Overwrite},
         {"a.jpg", "b.jpg", "c.jpg"}},
        {"yes to all asks once",
         abc,
         {"a.jpg", "b.jpg", "c.jpg"},
         {A::YesToAll},
         {D::Overwrite, D::Overwrite, D::Overwrite},
         {"a.jpg"}},
        {"no to all keeps writing new files",
         abc,
         {"a.jpg", "c.jpg"},
         {A::NoToAll},
         {D::Skip, D::Write, D::Skip},
         {"a.jpg"}},
        {"unknown code counts as no to all",
         abc,
         {"a.jpg", "b.jpg"},
         {static_cast<OverwriteAnswer>(7)},
         {D::Skip, D::Skip, D::Write},
         {"a.jpg"}},
        {"all no",
         abc,
         {"a.jpg", "b.jpg", "c.jpg"},
         {A::No, A::No, A::No},
         {D::Skip, D::Skip, D::Skip},
         {"a.jpg", "b.jpg", "c.jpg"}},
        // Two images mapping to one output: the later one would replace the earlier output.
        {"same output, later answered yes",
         {"/x/p.png", "/y/p.png"},
         {},
         {A::Yes},
         {D::Write, D::Overwrite},
         {"p.jpg"}},
        {"same output, later answered no",
         {"/x/p.png", "/y/p.png"},
         {},
         {A::No},
         {D::Write, D::Skip},
         {"p.jpg"}},
        {"same output after yes to all",
         {"/x/p.png", "/y/p.png", "/z/p.png"},
         {},
         {A::YesToAll},
         {D::Write, D::Overwrite, D::Overwrite},
         {"p.jpg"}},
        {"existing skipped, then same output asked again",
         {"/x/p.png", "/y/p.png"},
         {"p.jpg"},
         {A::No, A::Yes},
         {D::Skip, D::Overwrite},
         {"p.jpg", "p.jpg"}},
        {"different sources, different outputs",
         {"/x/p.png", "/x/q.png"},
         {},
         {},
         {D::Write, D::Write},
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder out;
        for (const auto& name : row.existingOutputs) out.write(name, "old");
        ScriptedQuestion question(row.answers);
        EXPECT_EQ(confirmOverwrites(row.sources, settingsFor(out.path()), question), row.expected);
        std::vector<std::string> expectedAsked;
        for (const auto& name : row.askedAbout) expectedAsked.push_back(out / name);
        EXPECT_EQ(question.asked, expectedAsked);
    }
}

TEST(ConfirmOverwrites, AnyEntryCountsAsExisting) {
    TempFolder out;
    ASSERT_EQ(symlink("/no/such/target", (out / "dangling.jpg").c_str()), 0);
    std::filesystem::create_directory(out / "folder.jpg");
    ScriptedQuestion question({A::Yes, A::No});
    const auto decisions = confirmOverwrites({"/in/dangling.png", "/in/folder.png"},
                                             settingsFor(out.path()), question);
    EXPECT_EQ(decisions, (std::vector<D>{D::Overwrite, D::Skip}));
}

TEST(ConfirmOverwrites, QuestionText) {
    EXPECT_EQ(overwriteQuestionText("/out/a_res (1).jpg"),
              "The file /out/a_res (1).jpg already exists. Do you want to overwrite it?");
    EXPECT_EQ(static_cast<int>(A::Yes), 1000);
    EXPECT_EQ(static_cast<int>(A::NoToAll), 1003);
}

}  // namespace
}  // namespace varnholt
