#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTableView>

#include "window/ImageTableView.h"

#include "WindowFixture.h"

namespace varnholt::test {
namespace {

// The controls a batch disables, in order; every other control stays as it was.
const char* const kBusyControls[] = {
    "buttonAddImages",
    "buttonRemoveSelected",
    "buttonRemoveAll",
    "radioFreeResize",
    "checkFreeResizeKeepAspect",
    "radioFreeResizePixels",
    "textFieldFreeResizePixelsWidth",
    "textFieldFreeResizePixelsHeight",
    "radioFreeResizePercents",
    "textFieldFreeResizePercentsWidth",
    "textFieldFreeResizePercentsHeight",
    "checkWidthLargestDimension",
    "radioFixedWidth",
    "textFieldFixedWidth",
    "radioFixedHeight",
    "textFieldFixedHeight",
    "radioFixedWidthAndHeight",
    "textFieldFixedDimensionsWidth",
    "textFieldFixedDimensionsHeight",
    "checkDoNotEnlargeImages",
    "checkChangeDPI",
    "textFieldChangeDPI",
    "textFieldName",
    "comboFormat",
    "sliderQuality",
    "textFieldOutputFolder",
    "comboCase",
    "buttonBrowse",
    "checkKeepExifInfoAndCreationDate",
    "buttonResizeImages",
};

const char* const kCommandsOffWhileBusy[] = {"actionAddImages", "actionNew", "actionResizeImages",
                                             "actionRemoveSelected"};

bool inBusyList(const QString& name) {
    for (const char* busy : kBusyControls) {
        if (name == QString::fromLatin1(busy)) return true;
    }
    return false;
}

}  // namespace

// Checks the busy state control by control; used by the batch tests too.
void expectBusy(ViewController* vc) {
    // Every outlet: its name starts with its kind.
    const QRegularExpression outlet(QStringLiteral(
        "^(button|radio|check|textField|label|combo|slider|progressIndicator|imageView|"
        "tableView|tabView)[A-Z]?"));
    int outlets = 0;
    for (QWidget* widget : vc->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (!outlet.match(name).hasMatch()) continue;
        ++outlets;
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(widget->isEnabled(), !inBusyList(name));
    }
    EXPECT_EQ(outlets, 42);
    for (const char* name : kCommandsOffWhileBusy) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(vc->findChild<QAction*>(QString::fromLatin1(name))->isEnabled());
    }
    EXPECT_EQ(vc->buttonResizeImages->text(), QStringLiteral("Resizing..."));
    EXPECT_TRUE(vc->tableViewImage->isEnabled());
    EXPECT_TRUE(vc->isBusy());
}

void expectIdle(ViewController* vc) {
    for (const char* name : kBusyControls) {
        SCOPED_TRACE(name);
        auto* widget = vc->findChild<QWidget*>(QString::fromLatin1(name));
        const bool ruled = widget == vc->checkDoNotEnlargeImages || widget == vc->sliderQuality;
        if (!ruled) {
            EXPECT_TRUE(widget->isEnabled());
        }
    }
    for (const char* name : kCommandsOffWhileBusy) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(vc->findChild<QAction*>(QString::fromLatin1(name))->isEnabled());
    }
    EXPECT_EQ(vc->buttonResizeImages->text(), QStringLiteral("Resize Images"));
    EXPECT_FALSE(vc->isBusy());
}

namespace {

TEST_F(WindowTest, BusyStateDisablesExactlyThePanelAndTheListCommands) {
    EXPECT_EQ(std::size(kBusyControls), 30u);
    vc->enterBusyState();
    expectBusy(vc);
    vc->leaveBusyState();
    expectIdle(vc);
    EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled());
    EXPECT_TRUE(vc->sliderQuality->isEnabled());
}

TEST_F(WindowTest, LeavingTheBusyStateFollowsThePanelsEnablingRules) {
    struct Row {
        const char* name;
        bool percents;
        bool fixedWidth;
        const char* format;
        bool doNotEnlargeEnabled;
        bool qualityEnabled;
    };
    const Row rows[] = {
        {"pixels, JPG", false, false, "JPG", true, true},
        {"percents, PNG", true, false, "PNG", false, false},
        {"percents kept under fixed width, JPX", true, true, "JPX", true, true},
        {"pixels, Original", false, false, "Original", true, true},
        {"pixels, GIF", false, false, "GIF", true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        makeWindow(false);
        vc->radioFreeResizePixels->setChecked(!row.percents);
        vc->radioFreeResizePercents->setChecked(row.percents);
        vc->radioFreeResize->setChecked(!row.fixedWidth);
        vc->radioFixedWidth->setChecked(row.fixedWidth);
        vc->comboFormat->setCurrentText(QString::fromLatin1(row.format));
        vc->enterBusyState();
        vc->leaveBusyState();
        expectIdle(vc);
        EXPECT_EQ(vc->checkDoNotEnlargeImages->isEnabled(), row.doNotEnlargeEnabled);
        EXPECT_EQ(vc->sliderQuality->isEnabled(), row.qualityEnabled);
    }
}

TEST_F(WindowTest, WhileBusyNewDoesNothingButOpenWithStillAdds) {
    TempFolder folder;
    const std::string a = folder.file("a.jpg");
    vc->openData(urls({a}));
    setTitle(QStringLiteral("Varnholt"));
    vc->enterBusyState();
    vc->OnFileNew();
    EXPECT_EQ(vc->listImagePaths, std::vector<std::string>{a});
    const std::string b = folder.file("b.jpg");
    vc->openData(urls({b}));
    EXPECT_EQ(vc->listImagePaths, (std::vector<std::string>{a, b}));
}

}  // namespace
}  // namespace varnholt::test
