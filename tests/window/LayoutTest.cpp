#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include "WindowFixture.h"

namespace varnholt::test {
namespace {

struct OutletRow {
    const char* name;
    const char* className;
    int tab;  // the settings tab it sits on; -1 outside the tabs
};

const OutletRow kOutlets[] = {
    {"tabView", "QTabWidget", -1},
    {"tableViewImage", "QTableView", -1},
    {"buttonAddImages", "QPushButton", -1},
    {"buttonRemoveSelected", "QPushButton", -1},
    {"buttonRemoveAll", "QPushButton", -1},
    {"labelOriginalDimensionsWidth", "QLabel", -1},
    {"labelOriginalDimensionsHeight", "QLabel", -1},
    {"labelOutputDimensionsWidth", "QLabel", -1},
    {"labelOutputDimensionsHeight", "QLabel", -1},
    {"labelOriginalDPI", "QLabel", -1},
    {"labelOutputDPI", "QLabel", -1},
    {"imageViewPreview", "QLabel", -1},
    {"progressIndicatorPreview", "QProgressBar", -1},
    {"radioFreeResize", "QRadioButton", 0},
    {"checkFreeResizeKeepAspect", "QCheckBox", 0},
    {"radioFreeResizePixels", "QRadioButton", 0},
    {"textFieldFreeResizePixelsWidth", "QLineEdit", 0},
    {"textFieldFreeResizePixelsHeight", "QLineEdit", 0},
    {"radioFreeResizePercents", "QRadioButton", 0},
    {"textFieldFreeResizePercentsWidth", "QLineEdit", 0},
    {"textFieldFreeResizePercentsHeight", "QLineEdit", 0},
    {"checkWidthLargestDimension", "QCheckBox", 0},
    {"radioFixedWidth", "QRadioButton", 0},
    {"textFieldFixedWidth", "QLineEdit", 0},
    {"radioFixedHeight", "QRadioButton", 0},
    {"textFieldFixedHeight", "QLineEdit", 0},
    {"radioFixedWidthAndHeight", "QRadioButton", 0},
    {"textFieldFixedDimensionsWidth", "QLineEdit", 0},
    {"textFieldFixedDimensionsHeight", "QLineEdit", 0},
    {"checkDoNotEnlargeImages", "QCheckBox", 0},
    {"checkChangeDPI", "QCheckBox", 0},
    {"textFieldChangeDPI", "QLineEdit", 0},
    {"textFieldName", "QLineEdit", 1},
    {"comboFormat", "QComboBox", 1},
    {"sliderQuality", "QSlider", 1},
    {"labelQuality", "QLabel", 1},
    {"textFieldOutputFolder", "QLineEdit", 1},
    {"comboCase", "QComboBox", 1},
    {"buttonBrowse", "QPushButton", 1},
    {"checkKeepExifInfoAndCreationDate", "QCheckBox", 1},
    {"progressIndicator", "QProgressBar", -1},
    {"buttonResizeImages", "QPushButton", -1},
};

QString spokenName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible == nullptr ? QString() : accessible->text(QAccessible::Name);
}

TEST_F(WindowTest, EveryOutletIsARealControlWithItsNameAndASpokenName) {
    EXPECT_EQ(std::size(kOutlets), 42u);
    for (const auto& row : kOutlets) {
        SCOPED_TRACE(row.name);
        auto* widget = vc->findChild<QWidget*>(QString::fromLatin1(row.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(row.className));
        EXPECT_FALSE(spokenName(widget).trimmed().isEmpty());
    }
}

TEST_F(WindowTest, EveryOutletIsShownWithRoomAtTheSmallestUsualScreen) {
    window->resize(1024, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
    EXPECT_LE(window->minimumSizeHint().width(), 1024);
    EXPECT_LE(window->minimumSizeHint().height(), 700);
    for (const int tab : {0, 1}) {
        vc->tabView->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        for (const auto& row : kOutlets) {
            if (row.tab != -1 && row.tab != tab) continue;
            if (QString::fromLatin1(row.name) == QStringLiteral("progressIndicatorPreview")) {
                continue;  // hidden unless a preview is rendering
            }
            SCOPED_TRACE(row.name);
            auto* widget = vc->findChild<QWidget*>(QString::fromLatin1(row.name));
            ASSERT_NE(widget, nullptr);
            EXPECT_TRUE(widget->isVisible());
            EXPECT_GE(widget->width(), 8);
            EXPECT_GE(widget->height(), 8);
            const QRect inWindow(widget->mapTo(window.get(), QPoint(0, 0)), widget->size());
            EXPECT_TRUE(window->rect().contains(inWindow));
        }
    }
}

TEST_F(WindowTest, OpensWithTheDefaultsAndTheTitle) {
    EXPECT_EQ(title(), QStringLiteral("Varnholt"));
    const ResizeSettings read = vc->readSettings();
    const ResizeSettings defaults;
    EXPECT_EQ(read.freeResize, defaults.freeResize);
    EXPECT_EQ(read.keepAspect, defaults.keepAspect);
    EXPECT_EQ(read.freePixels, defaults.freePixels);
    EXPECT_EQ(read.pixelWidthText, defaults.pixelWidthText);
    EXPECT_EQ(read.pixelHeightText, defaults.pixelHeightText);
    EXPECT_EQ(read.freePercents, defaults.freePercents);
    EXPECT_EQ(read.percentWidthText, defaults.percentWidthText);
    EXPECT_EQ(read.percentHeightText, defaults.percentHeightText);
    EXPECT_EQ(read.widthIsLargestDimension, defaults.widthIsLargestDimension);
    EXPECT_EQ(read.fixedWidth, defaults.fixedWidth);
    EXPECT_EQ(read.fixedWidthText, defaults.fixedWidthText);
    EXPECT_EQ(read.fixedHeight, defaults.fixedHeight);
    EXPECT_EQ(read.fixedHeightText, defaults.fixedHeightText);
    EXPECT_EQ(read.fixedWidthAndHeight, defaults.fixedWidthAndHeight);
    EXPECT_EQ(read.boxWidthText, defaults.boxWidthText);
    EXPECT_EQ(read.boxHeightText, defaults.boxHeightText);
    EXPECT_EQ(read.doNotEnlarge, defaults.doNotEnlarge);
    EXPECT_EQ(read.changeDPI, defaults.changeDPI);
    EXPECT_EQ(read.dpiText, defaults.dpiText);
    EXPECT_EQ(read.outputFormat.index, 0);
    EXPECT_EQ(read.outputFormat.title, "JPG");
    EXPECT_EQ(read.quality, 80.0f);
    EXPECT_EQ(read.namePattern, defaults.namePattern);
    EXPECT_EQ(read.nameCase, 0);
    EXPECT_EQ(read.outputFolder, defaults.outputFolder);
    EXPECT_EQ(read.keepExifInfoAndCreationDate, defaults.keepExifInfoAndCreationDate);

    EXPECT_EQ(vc->labelQuality->text(), QStringLiteral("80"));
    EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled());
    EXPECT_TRUE(vc->sliderQuality->isEnabled());
    EXPECT_EQ(vc->progressIndicator->value(), 0);
    EXPECT_TRUE(vc->progressIndicatorPreview->isHidden());
    EXPECT_EQ(vc->tabView->currentIndex(), 0);
    EXPECT_TRUE(vc->listImagePaths.empty());
    EXPECT_FALSE(vc->currentImage.has_value());
    const QLabel* labels[] = {
        vc->labelOriginalDimensionsWidth, vc->labelOriginalDimensionsHeight, vc->labelOriginalDPI,
        vc->labelOutputDimensionsWidth,   vc->labelOutputDimensionsHeight,   vc->labelOutputDPI};
    const char* texts[] = {"Width: 0", "Height: 0", "DPI: ", "Width: 0", "Height: 0", "DPI: "};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(labels[i]->text(), QString::fromLatin1(texts[i]));
}

TEST_F(WindowTest, ModeRadiosAreNotGroupedByTheLayout) {
    // The pixels/percents pair must keep its state while a fixed mode is chosen.
    vc->radioFixedWidth->setChecked(true);
    EXPECT_TRUE(vc->radioFreeResize->isChecked());
    EXPECT_TRUE(vc->radioFreeResizePixels->isChecked());
}

TEST_F(WindowTest, FormatPopupHoldsHeifOnlyWhereAvailable) {
    struct Row {
        bool heif;
        int count;
        int originalIndex;
    };
    for (const Row row : {Row{false, 11, 10}, Row{true, 13, 12}}) {
        SCOPED_TRACE(row.heif);
        makeWindow(row.heif);
        ASSERT_EQ(vc->comboFormat->count(), row.count);
        EXPECT_EQ(vc->comboFormat->itemText(0), QStringLiteral("JPG"));
        EXPECT_EQ(vc->comboFormat->itemText(9), QStringLiteral("BMP"));
        EXPECT_EQ(vc->comboFormat->itemText(row.originalIndex), QStringLiteral("Original"));
        if (row.heif) {
            EXPECT_EQ(vc->comboFormat->itemText(10), QStringLiteral("HEIF"));
        }
        EXPECT_EQ(vc->acceptedExtensions.size(), row.heif ? 12u : 10u);
    }
}

TEST_F(WindowTest, MenusCarryTheCommandsAndTheirShortcuts) {
    struct Row {
        const char* action;
        const char* shortcut;
    };
    const Row rows[] = {{"actionAddImages", "Ctrl+O"},    {"actionNew", "Ctrl+N"},
                        {"actionResizeImages", "Ctrl+R"}, {"actionQuit", "Ctrl+Q"},
                        {"actionVideoTutorial", ""},      {"actionRemoveSelected", "Del"}};
    QList<QAction*> inMenus;
    for (QAction* menu : window->menuBar()->actions()) inMenus += menu->menu()->actions();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.action);
        auto* action = vc->findChild<QAction*>(QString::fromLatin1(row.action));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->shortcut().toString(), QString::fromLatin1(row.shortcut));
        const bool onTable =
            QString::fromLatin1(row.action) == QStringLiteral("actionRemoveSelected");
        EXPECT_EQ(inMenus.contains(action), !onTable);
    }
}

}  // namespace
}  // namespace varnholt::test
