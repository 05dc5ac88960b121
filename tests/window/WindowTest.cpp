// SPDX-License-Identifier: GPL-3.0-or-later
#include "Fixture.h"
#include "window/BatchController.h"
#include "window/WidgetDialogs.h"

namespace varnholt::test {
namespace {

// Tab walks from top left to bottom right, stopping only at a set's chosen radio; busy, every
// outlet is in the accessibility tree with its state and a name without mnemonic marks.
TEST_F(WindowTest, TabAndReadersFindEveryControl) {
    vc->openData(urls({files.write("a.jpg"), files.write("b.jpg")}));
    const QList<QWidget*> head{vc->tableViewImage,  vc->buttonAddImages,  vc->buttonRemoveSelected,
                               vc->buttonRemoveAll, vc->imageViewPreview, vc->tabView->tabBar()};
    const QList<QWidget*> panels[] = {
        {vc->radioFreeResize, vc->radioFreeResizePixels, vc->textFieldFreeResizePixelsWidth,
         vc->textFieldFreeResizePixelsHeight, vc->textFieldFreeResizePercentsWidth,
         vc->textFieldFreeResizePercentsHeight, vc->checkFreeResizeKeepAspect,
         vc->checkWidthLargestDimension, vc->textFieldFixedWidth, vc->textFieldFixedHeight,
         vc->textFieldFixedDimensionsWidth, vc->textFieldFixedDimensionsHeight,
         vc->checkDoNotEnlargeImages, vc->checkChangeDPI, vc->textFieldChangeDPI},
        {vc->comboFormat, vc->sliderQuality, vc->textFieldName, vc->comboCase,
         vc->textFieldOutputFolder, vc->buttonBrowse, vc->checkKeepSubFolders,
         vc->checkKeepExifInfoAndCreationDate}};
    for (int tab : {0, 1}) {
        vc->tabView->setCurrentIndex(tab);
        const auto expected = head + panels[tab] + QList<QWidget*>{vc->buttonResizeImages};
        expected.front()->setFocus();
        QList<QWidget*> walked{QApplication::focusWidget()};
        while (walked.size() < expected.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << QApplication::focusWidget();
        }
        EXPECT_EQ(walked, expected) << tab;
    }
    vc->findChild<BatchController*>()->enterBusyState();
    QHash<QObject*, QAccessibleInterface*> tree;
    QStringList headers;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        tree.insert(node->object(), node);
        if (node->role() == QAccessible::ColumnHeader) headers << node->text(QAccessible::Name);
        for (int i = 0; i < node->childCount(); ++i) walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(window.get()));
    EXPECT_EQ(joined(headers), "Images");
    EXPECT_EQ(outlets(vc).size(), 45);
    for (QWidget* widget : outlets(vc)) {
        SCOPED_TRACE(str(widget->objectName()));
        QAccessibleInterface* spoken = tree.value(widget);
        ASSERT_NE(spoken, nullptr);
        const QString said = spoken->text(QAccessible::Name);
        EXPECT_FALSE(said.trimmed().isEmpty() || said.contains(QLatin1Char('&')));
        EXPECT_EQ(spoken->state().disabled, !widget->isEnabled());
    }
    EXPECT_EQ(str(tree.value(vc->buttonResizeImages)->text(QAccessible::Name)), "Resizing...");
    EXPECT_EQ(str(tree.value(vc->imageViewPreview)->text(QAccessible::Description)),
              "No image selected");
}

// F1 opens the guide; About tells the version and the licence; Browse takes only a chosen
// folder; Add Folder lists a folder's images as a drop of it does; the quality label follows.
TEST_F(WindowTest, HelpAboutBrowseAddFolderAndQualityCommands) {
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window.get(), Qt::Key_F1);
    ASSERT_EQ(dialogs->opened.size(), 1u);
    EXPECT_TRUE(dialogs->opened[0].toLocalFile().endsWith(QStringLiteral("/user-guide.html")));
    EXPECT_TRUE(QFileInfo::exists(dialogs->opened[0].toLocalFile()));

    window->findChild<QAction*>(QStringLiteral("actionAbout"))->trigger();
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    const QString about = dialogs->alerts[0].text;
    for (const QString& needed : {u"Varnholt " VARNHOLT_VERSION ""_s, u"GPL-3.0-or-later"_s,
                                  QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion()))})
        EXPECT_TRUE(about.contains(needed)) << str(about);

    const Paths added{files.write("sub/a.jpg")};
    vc->textFieldOutputFolder->setText(u"/kept"_s);
    dialogs->folderChoices = {std::nullopt, urls({files.path()})[0], urls({files.path()})[0]};
    vc->buttonBrowse->click();
    EXPECT_EQ(str(vc->textFieldOutputFolder->text()), "/kept");
    vc->buttonBrowse->click();
    EXPECT_EQ(str(vc->textFieldOutputFolder->text()), files.path());
    window->findChild<QAction*>(u"actionAddFolder"_s)->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed() == added; }, 10000));
    vc->sliderQuality->setValue(35);
    EXPECT_EQ(vc->labelQuality->text(), u"35"_s);
}

// Only a trailing "*" in the title marks unsaved changes; a dismissed question (0) answers No.
TEST_F(WindowTest, NewQuitAndCloseAskOnlyWithTheMark) {
    const struct {
        char command;  // New, Quit or Close
        const char* title;
        int answer;
        bool asks, proceeds;
    } rows[] = {{'n', "Varnholt*", kYes, true, true}, {'n', "*", 0, true, false},
                {'q', "Varn*holt", kNo, false, true}, {'q', "Varnholt*", kNo, true, false},
                {'c', "Varnholt", kNo, false, true},  {'c', "Varnholt*", 0, true, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command + std::string(row.title));
        makeWindow();
        vc->textFieldFixedWidth->setText(QStringLiteral("640"));
        window->setWindowTitle(QString::fromLatin1(row.title));
        if (row.answer != 0) dialogs->answers.push_back(row.answer);
        QSignalSpy terminated(vc, &ViewController::terminateRequested);
        if (row.command == 'n') vc->OnFileNew();  // the defaults back
        if (row.command == 'q') vc->OnAppQuit();
        const bool closed = row.command == 'c' && window->close();
        EXPECT_EQ(closed || terminated.count() == 1 || vc->textFieldFixedWidth->text() == u"0"_s,
                  row.proceeds);
        EXPECT_EQ(dialogs->alerts.size(), row.asks ? 1u : 0u);
    }
}

// Forces the button layout of a desktop, as its platform theme would.
struct DesktopStyle : QProxyStyle {
    explicit DesktopStyle(int layout) : QProxyStyle(QStringLiteral("Fusion")), layout(layout) {}
    int styleHint(StyleHint hint, const QStyleOption* o, const QWidget* w,
                  QStyleHintReturn* r) const override {
        return hint == SH_DialogButtonLayout ? layout : QProxyStyle::styleHint(hint, o, w, r);
    }
    int layout;
};

// Asks, and once the question is up and active (the Alt keys need that) reads its buttons
// from left to right, the default one marked "*", and acts; then the answer. A question left
// up is rejected after a timeout, so that a test fails, never hangs.
std::string askAndRead(const Alert& alert, const std::function<void(QDialog*)>& act) {
    std::string seen;
    QTimer poll;
    QDeadlineTimer deadline(5000);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        if (deadline.hasExpired()) return box->done(0);
        if (!seen.empty()) return;
        if (QApplication::activeWindow() != box) return box->activateWindow();
        QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
        std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        for (QPushButton* button : buttons)
            seen += str(button->text().remove(u'&')) + (button->isDefault() ? "*|" : "|");
        act(box);
    });
    poll.start(10);
    const int answer = WidgetDialogs(nullptr).runAlert(alert);
    return seen + std::to_string(answer);
}

// Under every desktop's button layout (the loaded theme's own first) the buttons keep the
// order of the answers, Enter and a dismissal never answer "Yes" where a file is at stake.
TEST(WidgetDialogsTest, ButtonsKeepTheirOrderUnderEveryDesktop) {
    const int loaded = QApplication::style()->styleHint(QStyle::SH_DialogButtonLayout);
    if (const QByteArray expected = qgetenv("VARNHOLT_EXPECTED_BUTTON_LAYOUT");
        !expected.isEmpty()) {
        ASSERT_EQ(loaded, expected.toInt());  // the desktop's theme was loaded
    }
    const Alert yesNo = yesNoQuestion(QStringLiteral("Are you sure?"));
    const Alert overwrite = overwriteQuestion("/photos/IMG_0001.jpg");
    const auto key = [](int k, Qt::KeyboardModifiers m = {}) {
        return [k, m](QDialog* box) { QTest::keyClick(box, Qt::Key(k), m); };
    };
    const std::tuple<const Alert*, std::function<void(QDialog*)>, const char*> rows[] = {
        {&yesNo, key(Qt::Key_Escape), "Yes*|No|1001"},
        {&yesNo, [](QDialog* box) { box->close(); }, "Yes*|No|1001"},
        {&yesNo, key(Qt::Key_Return), "Yes*|No|1000"},
        {&overwrite, key(Qt::Key_Escape), "Yes|Yes to All|No*|No to All|1003"},
        {&overwrite, key(Qt::Key_Return), "Yes|Yes to All|No*|No to All|1002"},
        {&overwrite, key(Qt::Key_T, Qt::AltModifier), "Yes|Yes to All|No*|No to All|1001"},
        {&overwrite, key(Qt::Key_A, Qt::AltModifier), "Yes|Yes to All|No*|No to All|1003"},
    };
    for (const int layout :
         {-1, int(QDialogButtonBox::WinLayout), int(QDialogButtonBox::MacLayout),
          int(QDialogButtonBox::KdeLayout), int(QDialogButtonBox::GnomeLayout)}) {
        SCOPED_TRACE(layout < 0 ? loaded : layout);
        if (layout >= 0) QApplication::setStyle(new DesktopStyle(layout));
        for (const auto& [alert, act, expected] : rows)
            EXPECT_EQ(askAndRead(*alert, act), expected);
    }
    QApplication::setStyle(QStringLiteral("Fusion"));
}

TEST(WidgetDialogsTest, ShowsTheTextAndTheDetails) {
    Alert alert = messageAlert(AlertStyle::Warning, QStringLiteral("Some images failed."));
    alert.details = QStringLiteral("/in/a.jpg: cannot read image");
    QStringList seen;
    EXPECT_EQ(askAndRead(alert,
                         [&seen](QDialog* box) {
                             box->findChild<QPushButton*>()->click();  // Show Details
                             seen << box->findChild<QLabel*>(QStringLiteral("alertText"))->text()
                                  << box->findChild<QPlainTextEdit*>()->toPlainText()
                                  << QAccessible::queryAccessibleInterface(box)->text(
                                         QAccessible::Description);
                             EXPECT_TRUE(box->findChild<QPlainTextEdit*>()->isVisible());
                             QTest::keyClick(box, Qt::Key_Return);
                         }),
              "Show Details\u2026|OK*|1000");
    EXPECT_EQ(joined(seen), "Some images failed.|/in/a.jpg: cannot read image|Some images failed.");
    EXPECT_EQ(str(imageNameFilter({u"jpg"_s, u"tiff"_s})), "Images (*.jpg *.JPG *.tiff *.TIFF)");
}

}  // namespace
}  // namespace varnholt::test
