// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/WindowLayout.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "window/ImageTableView.h"
#include "window/UiText.h"
#include "window/WindowControls.h"

namespace varnholt {
namespace {

// Names the control like its outlet. A control that shows a text is spoken by that text, so
// the name follows it (the busy title); the others get the name a reader speaks.
template <typename Control>
Control* named(Control* control, const char* outletName, const QString& accessibleName) {
    control->setObjectName(QString::fromLatin1(outletName));
    if (!accessibleName.isEmpty()) control->setAccessibleName(accessibleName);
    return control;
}

QLineEdit* numberField(QWidget* parent, const char* outletName, const QString& accessibleName) {
    auto* field = named(new QLineEdit(parent), outletName, accessibleName);
    const int digits = field->fontMetrics().horizontalAdvance(QStringLiteral("00000000"));
    field->setMinimumWidth(digits);
    field->setMaximumWidth(digits * 2);
    return field;
}

QRadioButton* modeRadio(QWidget* parent, const char* outletName, const QString& title) {
    return named(new QRadioButton(title, parent), outletName, QString());
}

QCheckBox* checkBox(QWidget* parent, const char* outletName, const QString& title) {
    return named(new QCheckBox(title, parent), outletName, QString());
}

QPushButton* pushButton(QWidget* parent, const char* outletName, const QString& title) {
    return named(new QPushButton(title, parent), outletName, QString());
}

// The two sets of mode radios: choosing one turns the others of its set off, whichever way
// it is chosen, and the arrow keys move the choice within the set.
void exclusive(QObject* parent, std::initializer_list<QAbstractButton*> radios) {
    auto* group = new QButtonGroup(parent);
    for (QAbstractButton* radio : radios) group->addButton(radio);
}

QLabel* times(QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("\u00d7"), parent);
    // TRANSLATORS: what a screen reader says for the "×" between a width and a height field.
    label->setAccessibleName(uiText("by"));
    return label;
}

QLabel* dimensionLabel(QWidget* parent, const char* outletName, const QString& description) {
    // The label's text ("Width: 4000") is what a reader speaks; the description tells the
    // original column from the output column.
    auto* label = named(new QLabel(parent), outletName, QString());
    label->setAccessibleDescription(description);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QAction* action(QObject* parent, const char* objectName, const QString& text,
                const QKeySequence& shortcut) {
    auto* created = new QAction(text, parent);
    created->setObjectName(QString::fromLatin1(objectName));
    if (!shortcut.isEmpty()) created->setShortcut(shortcut);
    return created;
}

}  // namespace

void WindowLayout::build(QWidget* view, WindowControls& controls) {
    WindowLayout builder(view, controls);
    builder.buildLayout();
    builder.createActions();
}

WindowLayout::WindowLayout(QWidget* view, WindowControls& controls) : view_(view), c_(controls) {}

void WindowLayout::buildLayout() {
    auto* top = new QHBoxLayout;
    top->addWidget(buildImageListPane(), 3);
    top->addWidget(buildPreviewPane(), 2);

    c_.tabView = named(new QTabWidget(view_), "tabView", uiText("Settings"));
    c_.tabView->addTab(buildSizeTab(), uiText("Si&ze"));
    c_.tabView->addTab(buildOutputTab(), uiText("&Output"));
    c_.tabView->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    c_.progressIndicator =
        named(new QProgressBar(view_), "progressIndicator", uiText("Batch progress"));
    c_.progressIndicator->setRange(0, 1000);
    c_.progressIndicator->setValue(0);
    // Only a running batch can be stopped.
    c_.buttonStop = pushButton(view_, "buttonStop", uiText("&Stop"));
    c_.buttonStop->setEnabled(false);
    c_.buttonResizeImages = pushButton(view_, "buttonResizeImages", uiText("&Resize Images"));
    c_.buttonResizeImages->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(c_.progressIndicator, 1);
    bottom->addWidget(c_.buttonStop);
    bottom->addWidget(c_.buttonResizeImages);

    auto* layout = new QVBoxLayout(view_);
    layout->addLayout(top, 1);
    layout->addWidget(c_.tabView);
    layout->addLayout(bottom);

    // Top left to bottom right: the list and its buttons, the preview, the tabs, the panel
    // in reading order, the batch row.
    QList<QWidget*> order{c_.tableViewImage,  c_.buttonAddImages,  c_.buttonRemoveSelected,
                          c_.buttonRemoveAll, c_.imageViewPreview, c_.tabView->tabBar()};
    order << c_.panelControls() << c_.buttonStop << c_.buttonResizeImages;
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

QWidget* WindowLayout::buildImageListPane() {
    auto* pane = new QWidget(view_);
    c_.tableViewImage = named(new ImageTableView(pane), "tableViewImage", uiText("Images"));
    c_.tableViewImage->setMinimumWidth(320);
    // Its name, which readers speak, follows its text; the list's controller sets both.
    c_.labelImageCount = named(new QLabel(pane), "labelImageCount", QString());

    c_.buttonAddImages = pushButton(pane, "buttonAddImages", uiText("&Add Images…"));
    c_.buttonRemoveSelected = pushButton(pane, "buttonRemoveSelected", uiText("Re&move Selected"));
    c_.buttonRemoveAll = pushButton(pane, "buttonRemoveAll", uiText("Remove A&ll"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(c_.buttonAddImages);
    buttons->addWidget(c_.buttonRemoveSelected);
    buttons->addWidget(c_.buttonRemoveAll);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(c_.tableViewImage, 1);
    layout->addWidget(c_.labelImageCount);
    layout->addLayout(buttons);
    return pane;
}

QWidget* WindowLayout::buildPreviewPane() {
    auto* pane = new QGroupBox(uiText("Preview"), view_);
    c_.imageViewPreview = named(new QLabel(pane), "imageViewPreview", uiText("Preview"));
    c_.imageViewPreview->setAlignment(Qt::AlignCenter);
    // The preview gives up its height first, so that the window with every command fits a
    // small screen (960 x 540 at 200 %); it takes what the list and the panel leave.
    c_.imageViewPreview->setMinimumSize(200, 0);
    c_.imageViewPreview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    c_.imageViewPreview->setFrameShape(QFrame::StyledPanel);
    // Reached with Tab so that a reader can say what it shows (its description).
    c_.imageViewPreview->setFocusPolicy(Qt::TabFocus);
    c_.imageViewPreview->setStyleSheet(
        QStringLiteral("QLabel:focus { border: 2px solid palette(highlight); }"));

    c_.progressIndicatorPreview =
        named(new QProgressBar(pane), "progressIndicatorPreview", uiText("Preview loading"));
    c_.progressIndicatorPreview->setRange(0, 0);  // busy: no amount, just motion
    c_.progressIndicatorPreview->setTextVisible(false);
    c_.progressIndicatorPreview->setMaximumHeight(6);
    c_.progressIndicatorPreview->hide();

    const QString original = uiText("Original size");
    const QString output = uiText("Output size");
    c_.labelOriginalDimensionsWidth =
        dimensionLabel(pane, "labelOriginalDimensionsWidth", original);
    c_.labelOriginalDimensionsHeight =
        dimensionLabel(pane, "labelOriginalDimensionsHeight", original);
    c_.labelOriginalDPI = dimensionLabel(pane, "labelOriginalDPI", original);
    c_.labelOutputDimensionsWidth = dimensionLabel(pane, "labelOutputDimensionsWidth", output);
    c_.labelOutputDimensionsHeight = dimensionLabel(pane, "labelOutputDimensionsHeight", output);
    c_.labelOutputDPI = dimensionLabel(pane, "labelOutputDPI", output);

    auto* dimensions = new QGridLayout;
    // TRANSLATORS: heading above the selected image's own width, height and DPI; keep <b>.
    auto* originalTitle = new QLabel(uiText("<b>Original</b>"), pane);
    // TRANSLATORS: heading above the width, height and DPI the image will have; keep <b>.
    auto* outputTitle = new QLabel(uiText("<b>Output</b>"), pane);
    dimensions->addWidget(originalTitle, 0, 0);
    dimensions->addWidget(outputTitle, 0, 1);
    dimensions->addWidget(c_.labelOriginalDimensionsWidth, 1, 0);
    dimensions->addWidget(c_.labelOutputDimensionsWidth, 1, 1);
    dimensions->addWidget(c_.labelOriginalDimensionsHeight, 2, 0);
    dimensions->addWidget(c_.labelOutputDimensionsHeight, 2, 1);
    dimensions->addWidget(c_.labelOriginalDPI, 3, 0);
    dimensions->addWidget(c_.labelOutputDPI, 3, 1);

    auto* layout = new QVBoxLayout(pane);
    layout->addWidget(c_.imageViewPreview, 1);
    layout->addWidget(c_.progressIndicatorPreview);
    layout->addLayout(dimensions);
    return pane;
}

QWidget* WindowLayout::buildSizeTab() {
    auto* tab = new QWidget;

    c_.radioFreeResize = modeRadio(tab, "radioFreeResize", uiText("Fr&ee resize"));
    c_.radioFreeResizePixels = modeRadio(tab, "radioFreeResizePixels", uiText("&Pixels"));
    c_.textFieldFreeResizePixelsWidth =
        numberField(tab, "textFieldFreeResizePixelsWidth", uiText("Width in pixels"));
    c_.textFieldFreeResizePixelsHeight =
        numberField(tab, "textFieldFreeResizePixelsHeight", uiText("Height in pixels"));
    c_.radioFreeResizePercents = modeRadio(tab, "radioFreeResizePercents", uiText("Per&cent"));
    c_.textFieldFreeResizePercentsWidth =
        numberField(tab, "textFieldFreeResizePercentsWidth", uiText("Width in percent"));
    c_.textFieldFreeResizePercentsHeight =
        numberField(tab, "textFieldFreeResizePercentsHeight", uiText("Height in percent"));
    c_.checkFreeResizeKeepAspect =
        checkBox(tab, "checkFreeResizeKeepAspect", uiText("&Keep aspect ratio"));
    c_.checkWidthLargestDimension =
        checkBox(tab, "checkWidthLargestDimension", uiText("&Width is the larger side"));

    auto* free = new QGridLayout;
    free->setColumnMinimumWidth(0, 16);
    free->addWidget(c_.radioFreeResize, 0, 0, 1, 5);
    free->addWidget(c_.radioFreeResizePixels, 1, 1);
    free->addWidget(c_.textFieldFreeResizePixelsWidth, 1, 2);
    free->addWidget(times(tab), 1, 3);
    free->addWidget(c_.textFieldFreeResizePixelsHeight, 1, 4);
    free->addWidget(c_.radioFreeResizePercents, 2, 1);
    free->addWidget(c_.textFieldFreeResizePercentsWidth, 2, 2);
    free->addWidget(times(tab), 2, 3);
    free->addWidget(c_.textFieldFreeResizePercentsHeight, 2, 4);
    free->addWidget(c_.checkFreeResizeKeepAspect, 3, 1, 1, 4);
    free->addWidget(c_.checkWidthLargestDimension, 4, 1, 1, 4);
    free->setRowStretch(5, 1);

    c_.radioFixedWidth = modeRadio(tab, "radioFixedWidth", uiText("Fi&xed width"));
    c_.textFieldFixedWidth = numberField(tab, "textFieldFixedWidth", uiText("Fixed width"));
    c_.radioFixedHeight = modeRadio(tab, "radioFixedHeight", uiText("Fixed hei&ght"));
    c_.textFieldFixedHeight = numberField(tab, "textFieldFixedHeight", uiText("Fixed height"));
    c_.radioFixedWidthAndHeight =
        // TRANSLATORS: followed by a width and a height field: the image fits into that box.
        modeRadio(tab, "radioFixedWidthAndHeight", uiText("Fit i&nto"));
    c_.textFieldFixedDimensionsWidth =
        numberField(tab, "textFieldFixedDimensionsWidth", uiText("Fit into width"));
    c_.textFieldFixedDimensionsHeight =
        numberField(tab, "textFieldFixedDimensionsHeight", uiText("Fit into height"));
    c_.checkDoNotEnlargeImages =
        checkBox(tab, "checkDoNotEnlargeImages", uiText("&Do not enlarge images"));
    // TRANSLATORS: followed by the field for the new DPI.
    c_.checkChangeDPI = checkBox(tab, "checkChangeDPI", uiText("Change DP&I to"));
    exclusive(tab, {c_.radioFreeResize, c_.radioFixedWidth, c_.radioFixedHeight,
                    c_.radioFixedWidthAndHeight});
    exclusive(tab, {c_.radioFreeResizePixels, c_.radioFreeResizePercents});
    c_.textFieldChangeDPI = numberField(tab, "textFieldChangeDPI", uiText("New DPI"));

    auto* fixed = new QGridLayout;
    fixed->addWidget(c_.radioFixedWidth, 0, 0);
    fixed->addWidget(c_.textFieldFixedWidth, 0, 1);
    fixed->addWidget(c_.radioFixedHeight, 1, 0);
    fixed->addWidget(c_.textFieldFixedHeight, 1, 1);
    fixed->addWidget(c_.radioFixedWidthAndHeight, 2, 0);
    fixed->addWidget(c_.textFieldFixedDimensionsWidth, 2, 1);
    fixed->addWidget(times(tab), 2, 2);
    fixed->addWidget(c_.textFieldFixedDimensionsHeight, 2, 3);
    fixed->addWidget(c_.checkDoNotEnlargeImages, 3, 0, 1, 4);
    fixed->addWidget(c_.checkChangeDPI, 4, 0);
    fixed->addWidget(c_.textFieldChangeDPI, 4, 1);
    fixed->setRowStretch(5, 1);

    auto* separator = new QFrame(tab);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);

    auto* layout = new QHBoxLayout(tab);
    layout->addLayout(free);
    layout->addWidget(separator);
    layout->addLayout(fixed);
    layout->addStretch(1);
    return tab;
}

QWidget* WindowLayout::buildOutputTab() {
    auto* tab = new QWidget;

    c_.comboFormat = named(new QComboBox(tab), "comboFormat", uiText("Format"));
    c_.sliderQuality = named(new QSlider(Qt::Horizontal, tab), "sliderQuality", uiText("Quality"));
    c_.sliderQuality->setRange(0, 100);
    c_.sliderQuality->setPageStep(10);
    c_.labelQuality = named(new QLabel(tab), "labelQuality", QString());
    c_.labelQuality->setAccessibleDescription(uiText("Quality"));
    c_.labelQuality->setMinimumWidth(
        c_.labelQuality->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    c_.textFieldName = named(new QLineEdit(tab), "textFieldName", uiText("File name"));
    // TRANSLATORS: the letter case of the output file names.
    c_.comboCase = named(new QComboBox(tab), "comboCase", uiText("Case"));
    c_.comboCase->addItems(
        // TRANSLATORS: the letter case of the output file names: kept, upper or lower.
        {uiText("Unchanged"), uiText("Upper case"), uiText("Lower case")});
    c_.textFieldOutputFolder =
        named(new QLineEdit(tab), "textFieldOutputFolder", uiText("Output folder"));
    c_.buttonBrowse = pushButton(tab, "buttonBrowse", uiText("&Browse…"));
    c_.checkKeepSubFolders = checkBox(tab, "checkKeepSubFolders", uiText("Keep s&ub-folders"));
    c_.checkKeepSubFolders->setAccessibleName(uiText("Keep sub-folders"));
    c_.checkKeepExifInfoAndCreationDate = checkBox(tab, "checkKeepExifInfoAndCreationDate",
                                                   uiText("&Keep metadata and creation date"));

    auto label = [tab](const QString& text, QWidget* buddy) {
        auto* title = new QLabel(text, tab);
        title->setBuddy(buddy);
        return title;
    };
    auto* layout = new QGridLayout(tab);
    layout->addWidget(label(uiText("Forma&t:"), c_.comboFormat), 0, 0);
    layout->addWidget(c_.comboFormat, 0, 1);
    layout->addWidget(label(uiText("&Quality:"), c_.sliderQuality), 0, 2);
    layout->addWidget(c_.sliderQuality, 0, 3);
    layout->addWidget(c_.labelQuality, 0, 4);
    layout->addWidget(label(uiText("File &name:"), c_.textFieldName), 1, 0);
    layout->addWidget(c_.textFieldName, 1, 1);
    // TRANSLATORS: the letter case of the output file names.
    layout->addWidget(label(uiText("&Case:"), c_.comboCase), 1, 2);
    layout->addWidget(c_.comboCase, 1, 3, 1, 2);
    layout->addWidget(label(uiText("Output fol&der:"), c_.textFieldOutputFolder), 2, 0);
    layout->addWidget(c_.textFieldOutputFolder, 2, 1, 1, 3);
    layout->addWidget(c_.buttonBrowse, 2, 4);
    layout->addWidget(c_.checkKeepSubFolders, 3, 0, 1, 5);
    layout->addWidget(c_.checkKeepExifInfoAndCreationDate, 4, 0, 1, 5);
    layout->setColumnStretch(1, 2);
    layout->setColumnStretch(3, 1);
    layout->setRowStretch(5, 1);
    return tab;
}

void WindowLayout::createActions() {
    c_.actionAddImages = action(view_, "actionAddImages", uiText("&Add Images…"),
                                QKeySequence(QStringLiteral("Ctrl+O")));
    c_.actionAddFolder = action(view_, "actionAddFolder", uiText("Add &Folder…"),
                                QKeySequence(QStringLiteral("Ctrl+Shift+O")));
    c_.actionNew =
        action(view_, "actionNew", uiText("&New"), QKeySequence(QStringLiteral("Ctrl+N")));
    c_.actionResizeImages = action(view_, "actionResizeImages", uiText("&Resize Images"),
                                   QKeySequence(QStringLiteral("Ctrl+R")));
    c_.actionQuit =
        action(view_, "actionQuit", uiText("&Quit"), QKeySequence(QStringLiteral("Ctrl+Q")));
    c_.actionVideoTutorial = action(view_, "actionVideoTutorial", uiText("&User Guide"),
                                    QKeySequence(QKeySequence::HelpContents));
    c_.actionQuit->setMenuRole(QAction::QuitRole);

    // Esc anywhere in the window stops a running batch, as the Stop button does.
    c_.actionStop = action(view_, "actionStop", uiText("Stop"), QKeySequence(Qt::Key_Escape));
    c_.actionStop->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    c_.actionStop->setEnabled(false);
    view_->addAction(c_.actionStop);

    // Delete removes the selected rows while the table has the focus.
    c_.actionRemoveSelected = action(c_.tableViewImage, "actionRemoveSelected",
                                     uiText("Remove Selected"), QKeySequence(QKeySequence::Delete));
    c_.actionRemoveSelected->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    c_.tableViewImage->addAction(c_.actionRemoveSelected);

    // The settings tabs switch from anywhere in the window, not only from within the tabs.
    const auto switchTab = [this](const char* name, const QList<QKeySequence>& keys, int step) {
        QAction* created = action(view_, name, {}, {});
        created->setShortcuts(keys);
        created->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        view_->addAction(created);
        QTabWidget* tabs = c_.tabView;
        QObject::connect(created, &QAction::triggered, tabs, [tabs, step] {
            const int count = tabs->count();
            tabs->setCurrentIndex((tabs->currentIndex() + step + count) % count);
        });
    };
    switchTab("actionNextTab",
              {QKeySequence(Qt::CTRL | Qt::Key_PageDown), QKeySequence(Qt::CTRL | Qt::Key_Tab)}, 1);
    switchTab("actionPreviousTab",
              {QKeySequence(Qt::CTRL | Qt::Key_PageUp),
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)},
              -1);
}

}  // namespace varnholt
