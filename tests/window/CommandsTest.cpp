#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "WindowFixture.h"

namespace varnholt::test {
namespace {

const QString kNewQuestion =
    QStringLiteral("You have unsaved changes that will be lost. Continue?");
const QString kExitQuestion = QStringLiteral(
    "You have unsaved changes that will be lost. Are you sure you want to exit the "
    "application?");

struct MarkRow {
    const char* title;
    std::optional<int> answer;  // nullopt: the question is dismissed (Esc / close button)
    bool asks;
    bool proceeds;
};

// Titles with and without the mark; only a trailing "*" counts.
const MarkRow kMarkRows[] = {
    {"Varnholt", kYes, false, true}, {"Varnholt*", kYes, true, true},
    {"Varnholt*", kNo, true, false}, {"Varnholt*", std::nullopt, true, false},
    {"Varn*holt", kNo, false, true}, {"*", kNo, true, false},
    {"", kNo, false, true},
};

void script(ScriptedDialogs& dialogs, const std::optional<int>& answer) {
    if (answer) dialogs.answers.push_back(*answer);
}

TEST_F(WindowTest, NewAsksOnlyWithTheMarkAndResetsEverythingOnYes) {
    TempFolder folder;
    for (const auto& row : kMarkRows) {
        SCOPED_TRACE(row.title);
        makeWindow(false);
        vc->openData(urls({folder.file("a.jpg")}));
        vc->textFieldFixedWidth->setText(QStringLiteral("640"));
        vc->checkChangeDPI->setChecked(true);
        setTitle(QString::fromLatin1(row.title));
        script(*dialogs, row.answer);

        vc->OnFileNew();

        ASSERT_EQ(dialogs->alerts.size(), row.asks ? 1u : 0u);
        if (row.asks) {
            EXPECT_EQ(dialogs->alerts[0].text, kNewQuestion);
            EXPECT_EQ(dialogs->alerts[0].buttons,
                      QStringList({QStringLiteral("Yes"), QStringLiteral("No")}));
        }
        if (row.proceeds) {
            EXPECT_TRUE(vc->listImagePaths.empty());
            EXPECT_EQ(vc->textFieldFixedWidth->text(), QStringLiteral("0"));
            EXPECT_FALSE(vc->checkChangeDPI->isChecked());
            EXPECT_EQ(title(), QStringLiteral("Varnholt"));
        } else {
            EXPECT_EQ(vc->listImagePaths.size(), 1u);
            EXPECT_EQ(vc->textFieldFixedWidth->text(), QStringLiteral("640"));
            EXPECT_TRUE(vc->checkChangeDPI->isChecked());
            EXPECT_EQ(title(), QString::fromLatin1(row.title));
        }
    }
}

TEST_F(WindowTest, QuitAsksOnlyWithTheMarkAndTerminatesUnlessNo) {
    for (const auto& row : kMarkRows) {
        SCOPED_TRACE(row.title);
        makeWindow(false);
        QSignalSpy terminated(vc, &ViewController::terminateRequested);
        setTitle(QString::fromLatin1(row.title));
        script(*dialogs, row.answer);

        vc->OnAppQuit();

        ASSERT_EQ(dialogs->alerts.size(), row.asks ? 1u : 0u);
        if (row.asks) {
            EXPECT_EQ(dialogs->alerts[0].text, kExitQuestion);
        }
        EXPECT_EQ(terminated.count(), row.proceeds ? 1 : 0);
    }
}

TEST_F(WindowTest, ClosingTheWindowAsksOnlyWithTheMark) {
    for (const auto& row : kMarkRows) {
        SCOPED_TRACE(row.title);
        makeWindow(false);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
        setTitle(QString::fromLatin1(row.title));
        script(*dialogs, row.answer);

        const bool closed = window->close();

        ASSERT_EQ(dialogs->alerts.size(), row.asks ? 1u : 0u);
        if (row.asks) {
            EXPECT_EQ(dialogs->alerts[0].text, kExitQuestion);
        }
        EXPECT_EQ(closed, row.proceeds);
        EXPECT_EQ(window->isVisible(), !row.proceeds);
    }
}

TEST_F(WindowTest, WithoutAWindowNothingAsksAndNewKeepsNoTitle) {
    ScriptedDialogs bare;
    ViewController alone(bare, false);
    alone.viewDidLoad();
    alone.setWindowTitle(QStringLiteral("Varnholt*"));
    QSignalSpy terminated(&alone, &ViewController::terminateRequested);
    EXPECT_FALSE(alone.hasUnsavedChanges());
    EXPECT_TRUE(alone.windowShouldClose());
    alone.OnAppQuit();
    alone.OnFileNew();
    EXPECT_TRUE(bare.alerts.empty());
    EXPECT_EQ(terminated.count(), 1);
    EXPECT_EQ(alone.windowTitle(), QStringLiteral("Varnholt*"));
}

TEST_F(WindowTest, TutorialOpensTheShippedUserGuide) {
    vc->OnVideoTutorial();
    ASSERT_EQ(dialogs->opened.size(), 1u);
    const QUrl guide = dialogs->opened[0];
    EXPECT_TRUE(guide.isLocalFile());
    EXPECT_TRUE(guide.toLocalFile().endsWith(QStringLiteral("/user-guide.html")));
    EXPECT_TRUE(QFileInfo::exists(guide.toLocalFile()));
    EXPECT_TRUE(dialogs->alerts.empty());
}

}  // namespace
}  // namespace varnholt::test
