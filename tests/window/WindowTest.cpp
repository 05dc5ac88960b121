#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "Fixture.h"
#include "window/WidgetDialogs.h"

namespace varnholt::test {
namespace {

// Every outlet is a named, spoken control, shown with room in a 1024 x 700 window.
TEST_F(WindowTest, OutletsAreNamedSpokenAndFitTheSmallestUsualScreen) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Varnholt"));
    window->resize(1024, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
    const QList<QWidget*> all = outlets(vc);
    EXPECT_EQ(all.size(), 42);
    for (QWidget* widget : all) {
        const QString name = widget->objectName();
        SCOPED_TRACE(str(name));
        EXPECT_EQ(vc->findChildren<QWidget*>(name).size(), 1);
        auto* spoken = QAccessible::queryAccessibleInterface(widget);
        EXPECT_FALSE(spoken == nullptr || spoken->text(QAccessible::Name).trimmed().isEmpty());
        if (widget == vc->progressIndicatorPreview) continue;  // shown only while rendering
        for (int tab = 0; tab < vc->tabView->count(); ++tab) {
            if (vc->tabView->widget(tab)->isAncestorOf(widget)) vc->tabView->setCurrentIndex(tab);
        }
        QCoreApplication::processEvents();
        EXPECT_TRUE(widget->isVisible());
        EXPECT_GE(std::min(widget->width(), widget->height()), 8);
        EXPECT_TRUE(window->rect().contains(
            QRect(widget->mapTo(window.get(), QPoint(0, 0)), widget->size())));
    }
}

TEST_F(WindowTest, MenusCarryTheCommandsWithTheirShortcuts) {
    const std::pair<const char*, const char*> rows[] = {
        {"actionAddImages", "Ctrl+O"},    {"actionNew", "Ctrl+N"},
        {"actionResizeImages", "Ctrl+R"}, {"actionQuit", "Ctrl+Q"},
        {"actionVideoTutorial", ""},      {"actionRemoveSelected", "Del"}};  // on the table
    QList<QAction*> inMenus;
    for (QAction* menu : window->menuBar()->actions()) inMenus += menu->menu()->actions();
    for (const auto& [name, shortcut] : rows) {
        SCOPED_TRACE(name);
        auto* action = vc->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->shortcut().toString(), QString::fromLatin1(shortcut));
        EXPECT_EQ(inMenus.contains(action), std::string(name) != "actionRemoveSelected");
    }
}

TEST_F(WindowTest, FormatPopupHoldsHeifWhereAvailable) {
    makeWindow(true);
    QStringList titles;
    for (int i = 0; i < vc->comboFormat->count(); ++i) titles << vc->comboFormat->itemText(i);
    EXPECT_EQ(joined(titles), "JPG|JPEG|JPE|JP2|JPX|PNG|TIFF|TIF|GIF|BMP|HEIF|HEIC|Original");
    EXPECT_EQ(vc->acceptedExtensions.size(), 12u);
}

// Only a trailing "*" in the title marks unsaved changes; a dismissed question answers No.
struct MarkRow {
    const char* title;
    std::optional<int> answer;
    bool asks, proceeds;
};
const MarkRow kMarkRows[] = {
    {"Varnholt", kYes, false, true},
    {"Varnholt*", kYes, true, true},
    {"Varnholt*", std::nullopt, true, false},
    {"Varn*holt", kNo, false, true},
    {"*", kNo, true, false},
};
const QString kLost = QStringLiteral("You have unsaved changes that will be lost. ");

TEST_F(WindowTest, NewQuitAndCloseAskOnlyWithTheMark) {
    TempFolder folder;
    for (const char* command : {"new", "quit", "close"}) {
        for (const auto& row : kMarkRows) {
            SCOPED_TRACE(std::string(command) + " '" + row.title + "'");
            makeWindow(false, std::string(command) == "close");
            vc->openData(urls({folder.file("a.jpg")}));
            vc->textFieldFixedWidth->setText(QStringLiteral("640"));
            window->setWindowTitle(QString::fromLatin1(row.title));
            if (row.answer) dialogs->answers.push_back(*row.answer);
            QSignalSpy terminated(vc, &ViewController::terminateRequested);
            bool proceeded = false;
            QString question =
                kLost + QStringLiteral("Are you sure you want to exit the application?");
            if (std::string(command) == "new") {
                vc->OnFileNew();
                proceeded = vc->listImagePaths.empty();
                question = kLost + QStringLiteral("Continue?");
                EXPECT_EQ(str(vc->textFieldFixedWidth->text()), proceeded ? "0" : "640");
                EXPECT_EQ(str(window->windowTitle()), proceeded ? "Varnholt" : row.title);
            } else if (std::string(command) == "quit") {
                vc->OnAppQuit();
                proceeded = terminated.count() == 1;
            } else {
                proceeded = window->close();
                EXPECT_EQ(window->isVisible(), !proceeded);
            }
            EXPECT_EQ(proceeded, row.proceeds);
            ASSERT_EQ(dialogs->alerts.size(), row.asks ? 1u : 0u);
            if (row.asks) {
                EXPECT_EQ(dialogs->alerts[0].text, question);
                EXPECT_EQ(joined(dialogs->alerts[0].buttons), "Yes|No");
            }
        }
    }
}

TEST_F(WindowTest, TutorialOpensTheShippedUserGuide) {
    vc->OnVideoTutorial();
    ASSERT_EQ(dialogs->opened.size(), 1u);
    const QString guide = dialogs->opened[0].toLocalFile();
    EXPECT_TRUE(guide.endsWith(QStringLiteral("/user-guide.html")));
    EXPECT_TRUE(QFileInfo::exists(guide));
}

// Acts on the message box once shown; closes it after a timeout so a test fails, never hangs.
void whenShown(const std::function<void(QMessageBox*)>& act) {
    auto* poll = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, [poll, act, started] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        const bool shown = box != nullptr && box->isVisible();
        if (!shown && started->elapsed() < 5000) return;
        poll->deleteLater();
        if (shown)
            act(box);
        else if (box != nullptr)
            box->done(0);
    });
    poll->start(10);
}

std::function<void(QMessageBox*)> press(const char* title) {
    return [title](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons()) {
            if (str(button->text()) == title) return button->click();
        }
    };
}

TEST(WidgetDialogsTest, DismissingAQuestionNeverAnswersYes) {
    const auto esc = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); };
    const auto close = [](QMessageBox* box) { box->close(); };
    const Alert yesNo = yesNoQuestion(QStringLiteral("Are you sure?"));
    Alert overwrite{AlertStyle::Warning,
                    QStringLiteral("The file /o/a.jpg already exists."),
                    QStringLiteral("Yes|Yes to All|No|No to All").split(QLatin1Char('|')),
                    1003,
                    {}};
    const struct {
        const char* name;
        Alert alert;
        std::function<void(QMessageBox*)> act;
        int expected;
    } rows[] = {
        {"yes/no Esc", yesNo, esc, 1001},
        {"yes/no close", yesNo, close, 1001},
        {"yes/no Yes", yesNo, press("Yes"), 1000},
        {"overwrite Esc", overwrite, esc, 1003},
        {"overwrite close", overwrite, close, 1003},
        {"overwrite Yes to All", overwrite, press("Yes to All"), 1001},
    };
    WidgetDialogs dialogs(nullptr);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        whenShown(row.act);
        EXPECT_EQ(dialogs.runAlert(row.alert), row.expected);
    }
}

TEST(WidgetDialogsTest, ShowsTheTextAndTheDetails) {
    Alert alert =
        messageAlert(AlertStyle::Warning, QStringLiteral("Some images could not be resized."));
    alert.details = QStringLiteral("/in/a.jpg: cannot read image");
    std::string seen;
    whenShown([&seen](QMessageBox* box) {
        seen = joined({box->text(), box->detailedText()});
        press("OK")(box);
    });
    EXPECT_EQ(WidgetDialogs(nullptr).runAlert(alert), 1000);
    EXPECT_EQ(seen, "Some images could not be resized.|/in/a.jpg: cannot read image");
    EXPECT_EQ(str(imageNameFilter({QStringLiteral("jpg"), QStringLiteral("tiff")})),
              "Images (*.jpg *.JPG *.tiff *.TIFF)");
}

}  // namespace
}  // namespace varnholt::test
