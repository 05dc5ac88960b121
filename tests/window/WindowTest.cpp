#include <QAbstractButton>
#include <QCheckBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRegularExpression>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "Fixture.h"
#include "window/ImageTableView.h"
#include "window/WidgetDialogs.h"

namespace varnholt::test {
namespace {

// What a reader meets: every outlet in the window's accessibility tree with the role of its
// kind, a name without mnemonic marks and its state (busy here), shown with room in a
// 1024 x 700 window.
TEST_F(WindowTest, ReadersFindEveryControlWithItsRoleNameAndState) {
    window->resize(1024, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
    vc->enterBusyState();
    QHash<QObject*, QAccessibleInterface*> tree;
    QStringList headers;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        tree.insert(node->object(), node);
        if (node->role() == QAccessible::ColumnHeader) headers << node->text(QAccessible::Name);
        for (int i = 0; i < node->childCount(); ++i) walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(window.get()));
    EXPECT_EQ(joined(headers), "Images");
    const QHash<QString, QAccessible::Role> roles{
        {QStringLiteral("button"), QAccessible::Button},
        {QStringLiteral("radio"), QAccessible::RadioButton},
        {QStringLiteral("check"), QAccessible::CheckBox},
        {QStringLiteral("textField"), QAccessible::EditableText},
        {QStringLiteral("combo"), QAccessible::ComboBox},
        {QStringLiteral("slider"), QAccessible::Slider},
        {QStringLiteral("label"), QAccessible::StaticText},
        {QStringLiteral("progressIndicator"), QAccessible::ProgressBar},
        {QStringLiteral("imageView"), QAccessible::StaticText},
        {QStringLiteral("tableView"), QAccessible::Table},
        {QStringLiteral("tabView"), QAccessible::Client}};
    const QRegularExpression kind(QStringLiteral(
        "^(textField|progressIndicator|imageView|tableView|tabView|[a-z]+)([A-Z]|$)"));
    const QList<QWidget*> all = outlets(vc);
    EXPECT_EQ(all.size(), 42);
    for (QWidget* widget : all) {
        const QString name = widget->objectName();
        SCOPED_TRACE(str(name));
        EXPECT_EQ(vc->findChildren<QWidget*>(name).size(), 1);
        QAccessibleInterface* spoken = tree.value(widget);
        ASSERT_NE(spoken, nullptr);
        EXPECT_EQ(spoken->role(), roles.value(kind.match(name).captured(1)));
        const QString said = spoken->text(QAccessible::Name);
        EXPECT_FALSE(said.trimmed().isEmpty() || said.contains(QLatin1Char('&')));
        EXPECT_EQ(spoken->state().disabled, !widget->isEnabled());
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(spoken->state().checked, button->isChecked());
        }
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
    EXPECT_EQ(str(tree.value(vc->buttonResizeImages)->text(QAccessible::Name)), "Resizing...");
    EXPECT_EQ(str(tree.value(vc->imageViewPreview)->text(QAccessible::Description)),
              "No image selected");
}

// Tab leaves the list for its buttons, the preview, the tabs, the panel in reading order and
// the command; Shift+Tab goes back. Within a set of radios only the chosen one is a stop.
TEST_F(WindowTest, TabWalksTheWindowFromTopLeftToBottomRight) {
    TempFolder f;
    vc->openData(urls({f.file("a.jpg"), f.file("b.jpg")}));
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
    for (int tab : {0, 1}) {
        vc->tabView->setCurrentIndex(tab);
        QList<QWidget*> expected{vc->tableViewImage,       vc->buttonAddImages,
                                 vc->buttonRemoveSelected, vc->buttonRemoveAll,
                                 vc->imageViewPreview,     vc->tabView->tabBar()};
        if (tab == 0) {
            expected << vc->radioFreeResize << vc->radioFreeResizePixels
                     << vc->textFieldFreeResizePixelsWidth << vc->textFieldFreeResizePixelsHeight
                     << vc->textFieldFreeResizePercentsWidth
                     << vc->textFieldFreeResizePercentsHeight << vc->checkFreeResizeKeepAspect
                     << vc->checkWidthLargestDimension << vc->textFieldFixedWidth
                     << vc->textFieldFixedHeight << vc->textFieldFixedDimensionsWidth
                     << vc->textFieldFixedDimensionsHeight << vc->checkDoNotEnlargeImages
                     << vc->checkChangeDPI << vc->textFieldChangeDPI;
        } else {
            expected << vc->comboFormat << vc->sliderQuality << vc->textFieldName << vc->comboCase
                     << vc->textFieldOutputFolder << vc->buttonBrowse
                     << vc->checkKeepExifInfoAndCreationDate;
        }
        expected << vc->buttonResizeImages;
        for (const auto key : {Qt::Key_Tab, Qt::Key_Backtab}) {
            SCOPED_TRACE(tab * 10 + (key == Qt::Key_Tab));
            vc->tableViewImage->setFocus();
            if (key == Qt::Key_Backtab) vc->buttonResizeImages->setFocus();
            QList<QWidget*> walked{QApplication::focusWidget()};
            while (walked.size() < expected.size()) {
                QTest::keyClick(QApplication::focusWidget(), key);
                walked << QApplication::focusWidget();
            }
            if (key == Qt::Key_Backtab) std::reverse(walked.begin(), walked.end());
            EXPECT_EQ(walked, expected);
        }
        // Within the scope of the shown tab every Alt+letter leads to one control.
        QStringList keys{window->menuBar()->actions()[0]->text(),
                         window->menuBar()->actions()[1]->text(), vc->tabView->tabText(0),
                         vc->tabView->tabText(1)};
        for (auto* button : vc->findChildren<QAbstractButton*>()) {
            if (button->isVisible()) keys << button->text();
        }
        for (auto* label : vc->findChildren<QLabel*>()) {
            if (label->isVisible() && label->buddy() != nullptr) keys << label->text();
        }
        QSet<QString> unique;
        for (const QString& text : keys) unique.insert(QKeySequence::mnemonic(text).toString());
        EXPECT_EQ(unique.size(), keys.size()) << joined(keys);
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
    vc->findChild<QAction*>(QStringLiteral("actionVideoTutorial"))->trigger();
    ASSERT_EQ(dialogs->opened.size(), 1u);  // the user guide that ships with the program
    EXPECT_TRUE(dialogs->opened[0].toLocalFile().endsWith(QStringLiteral("/user-guide.html")));
    EXPECT_TRUE(QFileInfo::exists(dialogs->opened[0].toLocalFile()));
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
            vc->checkChangeDPI->setChecked(true);
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
                EXPECT_NE(vc->checkChangeDPI->isChecked(), proceeded);  // the defaults back
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

// Acts on the alert once it is shown and active (the Alt keys need that); rejects it after a
// timeout so that a test fails, never hangs.
void whenShown(const std::function<void(QDialog*)>& act) {
    auto* poll = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, [poll, act, started, acted = false]() mutable {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            if (acted || started->elapsed() > 5000) poll->deleteLater();
            return;
        }
        if (!acted && QApplication::activeWindow() != box) box->activateWindow();
        if (!acted && (QApplication::activeWindow() == box || started->elapsed() > 5000)) {
            acted = true;
            started->restart();
            act(box);
        } else if (acted && started->elapsed() > 5000) {
            box->done(0);
        }
    });
    poll->start(10);
}

// Forces the button layout of a desktop, as its platform theme would.
class DesktopStyle : public QProxyStyle {
public:
    explicit DesktopStyle(int layout) : QProxyStyle(QStringLiteral("Fusion")), layout_(layout) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_DialogButtonLayout) return layout_;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }

private:
    int layout_;
};

// The buttons from left to right, the default one marked with "*"; then the act's answer.
std::string askAndRead(const Alert& alert, const std::function<void(QDialog*)>& act) {
    std::string seen;
    whenShown([&seen, act](QDialog* box) {
        QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
        std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        for (QPushButton* button : buttons) {
            seen +=
                str(button->text().remove(QLatin1Char('&'))) + (button->isDefault() ? "*|" : "|");
        }
        act(box);
    });
    const int answer = WidgetDialogs(nullptr).runAlert(alert);
    return seen + std::to_string(answer);
}

// Under every desktop's button layout (the loaded theme's own first) the buttons keep the
// order of the answers, the first is the default, and a dismissal never answers "Yes".
TEST(WidgetDialogsTest, ButtonsKeepTheirOrderUnderEveryDesktop) {
    const int loaded = QApplication::style()->styleHint(QStyle::SH_DialogButtonLayout);
    if (const QByteArray expected = qgetenv("VARNHOLT_EXPECTED_BUTTON_LAYOUT");
        !expected.isEmpty()) {
        ASSERT_EQ(loaded, expected.toInt());  // the desktop's theme was loaded
    }
    const Alert yesNo = yesNoQuestion(QStringLiteral("Are you sure?"));
    Alert overwrite = yesNo;
    overwrite.buttons = QStringLiteral("Yes|Yes to All|No|No to All").split(QLatin1Char('|'));
    overwrite.dismissAnswer = 1003;
    const auto esc = [](QDialog* box) { QTest::keyClick(box, Qt::Key_Escape); };
    const auto close = [](QDialog* box) { box->close(); };
    const auto enter = [](QDialog* box) { QTest::keyClick(box, Qt::Key_Return); };
    const auto alt = [](char letter) {
        return [letter](QDialog* box) { QTest::keyClick(box, letter, Qt::AltModifier); };
    };
    for (const int layout :
         {-1, int(QDialogButtonBox::WinLayout), int(QDialogButtonBox::MacLayout),
          int(QDialogButtonBox::KdeLayout), int(QDialogButtonBox::GnomeLayout)}) {
        SCOPED_TRACE(layout < 0 ? loaded : layout);
        if (layout >= 0) QApplication::setStyle(new DesktopStyle(layout));
        EXPECT_EQ(askAndRead(yesNo, esc), "Yes*|No|1001");
        EXPECT_EQ(askAndRead(yesNo, close), "Yes*|No|1001");
        EXPECT_EQ(askAndRead(yesNo, enter), "Yes*|No|1000");
        EXPECT_EQ(askAndRead(overwrite, esc), "Yes*|Yes to All|No|No to All|1003");
        EXPECT_EQ(askAndRead(overwrite, alt('t')), "Yes*|Yes to All|No|No to All|1001");
        EXPECT_EQ(askAndRead(overwrite, alt('a')), "Yes*|Yes to All|No|No to All|1003");
    }
    QApplication::setStyle(QStringLiteral("Fusion"));
}

TEST(WidgetDialogsTest, ShowsTheTextAndTheDetails) {
    Alert alert =
        messageAlert(AlertStyle::Warning, QStringLiteral("Some images could not be resized."));
    alert.details = QStringLiteral("/in/a.jpg: cannot read image");
    std::string seen;
    EXPECT_EQ(
        askAndRead(alert,
                   [&seen](QDialog* box) {
                       box->findChild<QPushButton*>()->click();  // Show Details
                       seen = joined({box->findChild<QLabel*>(QStringLiteral("alertText"))->text(),
                                      box->findChild<QPlainTextEdit*>()->toPlainText(),
                                      QAccessible::queryAccessibleInterface(box)->text(
                                          QAccessible::Description)});
                       EXPECT_TRUE(box->findChild<QPlainTextEdit*>()->isVisible());
                       QTest::keyClick(box, Qt::Key_Return);
                   }),
        "Show Details\u2026|OK*|1000");
    EXPECT_EQ(seen,
              "Some images could not be resized.|/in/a.jpg: cannot read image|Some images could "
              "not be resized.");
    EXPECT_EQ(str(imageNameFilter({QStringLiteral("jpg"), QStringLiteral("tiff")})),
              "Images (*.jpg *.JPG *.tiff *.TIFF)");
}

}  // namespace
}  // namespace varnholt::test
