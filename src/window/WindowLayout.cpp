// The controls of the window and where they sit: the image list on the left, the preview
// with its dimensions on the right, the settings tabs below, the batch row at the bottom.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
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
#include "window/ViewController.h"

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
    label->setAccessibleName(QStringLiteral("by"));
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

}  // namespace

void ViewController::buildLayout() {
    auto* top = new QHBoxLayout;
    top->addWidget(buildImageListPane(), 3);
    top->addWidget(buildPreviewPane(), 2);

    tabView = named(new QTabWidget(this), "tabView", QStringLiteral("Settings"));
    tabView->addTab(buildSizeTab(), QStringLiteral("&Size"));
    tabView->addTab(buildOutputTab(), QStringLiteral("&Output"));
    tabView->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    progressIndicator =
        named(new QProgressBar(this), "progressIndicator", QStringLiteral("Batch progress"));
    progressIndicator->setRange(0, 1000);
    progressIndicator->setValue(0);
    buttonResizeImages = pushButton(this, "buttonResizeImages", QStringLiteral("&Resize Images"));
    buttonResizeImages->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(progressIndicator, 1);
    bottom->addWidget(buttonResizeImages);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(tabView);
    layout->addLayout(bottom);

    // Top left to bottom right: the list and its buttons, the preview, the tabs, the panel
    // in reading order, the command.
    QList<QWidget*> order{tableViewImage,  buttonAddImages,  buttonRemoveSelected,
                          buttonRemoveAll, imageViewPreview, tabView->tabBar()};
    order << panelControls() << buttonResizeImages;
    for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

QList<QWidget*> ViewController::panelControls() const {
    return {radioFreeResize,
            radioFreeResizePixels,
            textFieldFreeResizePixelsWidth,
            textFieldFreeResizePixelsHeight,
            radioFreeResizePercents,
            textFieldFreeResizePercentsWidth,
            textFieldFreeResizePercentsHeight,
            checkFreeResizeKeepAspect,
            checkWidthLargestDimension,
            radioFixedWidth,
            textFieldFixedWidth,
            radioFixedHeight,
            textFieldFixedHeight,
            radioFixedWidthAndHeight,
            textFieldFixedDimensionsWidth,
            textFieldFixedDimensionsHeight,
            checkDoNotEnlargeImages,
            checkChangeDPI,
            textFieldChangeDPI,
            comboFormat,
            sliderQuality,
            textFieldName,
            comboCase,
            textFieldOutputFolder,
            buttonBrowse,
            checkKeepExifInfoAndCreationDate};
}

QWidget* ViewController::buildImageListPane() {
    auto* pane = new QWidget(this);
    tableViewImage = named(new ImageTableView(pane), "tableViewImage", QStringLiteral("Images"));
    tableViewImage->setMinimumWidth(320);

    buttonAddImages = pushButton(pane, "buttonAddImages", QStringLiteral("&Add Images\u2026"));
    buttonRemoveSelected =
        pushButton(pane, "buttonRemoveSelected", QStringLiteral("Re&move Selected"));
    buttonRemoveAll = pushButton(pane, "buttonRemoveAll", QStringLiteral("Remove A&ll"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(buttonAddImages);
    buttons->addWidget(buttonRemoveSelected);
    buttons->addWidget(buttonRemoveAll);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tableViewImage, 1);
    layout->addLayout(buttons);
    return pane;
}

QWidget* ViewController::buildPreviewPane() {
    auto* pane = new QGroupBox(QStringLiteral("Preview"), this);
    imageViewPreview = named(new QLabel(pane), "imageViewPreview", QStringLiteral("Preview"));
    imageViewPreview->setAlignment(Qt::AlignCenter);
    imageViewPreview->setMinimumSize(200, 150);
    imageViewPreview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    imageViewPreview->setFrameShape(QFrame::StyledPanel);
    // Reached with Tab so that a reader can say what it shows (its description).
    imageViewPreview->setFocusPolicy(Qt::TabFocus);
    imageViewPreview->setStyleSheet(
        QStringLiteral("QLabel:focus { border: 2px solid palette(highlight); }"));

    progressIndicatorPreview = named(new QProgressBar(pane), "progressIndicatorPreview",
                                     QStringLiteral("Preview loading"));
    progressIndicatorPreview->setRange(0, 0);  // busy: no amount, just motion
    progressIndicatorPreview->setTextVisible(false);
    progressIndicatorPreview->setMaximumHeight(6);
    progressIndicatorPreview->hide();

    const QString original = QStringLiteral("Original size");
    const QString output = QStringLiteral("Output size");
    labelOriginalDimensionsWidth = dimensionLabel(pane, "labelOriginalDimensionsWidth", original);
    labelOriginalDimensionsHeight = dimensionLabel(pane, "labelOriginalDimensionsHeight", original);
    labelOriginalDPI = dimensionLabel(pane, "labelOriginalDPI", original);
    labelOutputDimensionsWidth = dimensionLabel(pane, "labelOutputDimensionsWidth", output);
    labelOutputDimensionsHeight = dimensionLabel(pane, "labelOutputDimensionsHeight", output);
    labelOutputDPI = dimensionLabel(pane, "labelOutputDPI", output);

    auto* dimensions = new QGridLayout;
    auto* originalTitle = new QLabel(QStringLiteral("<b>Original</b>"), pane);
    auto* outputTitle = new QLabel(QStringLiteral("<b>Output</b>"), pane);
    dimensions->addWidget(originalTitle, 0, 0);
    dimensions->addWidget(outputTitle, 0, 1);
    dimensions->addWidget(labelOriginalDimensionsWidth, 1, 0);
    dimensions->addWidget(labelOutputDimensionsWidth, 1, 1);
    dimensions->addWidget(labelOriginalDimensionsHeight, 2, 0);
    dimensions->addWidget(labelOutputDimensionsHeight, 2, 1);
    dimensions->addWidget(labelOriginalDPI, 3, 0);
    dimensions->addWidget(labelOutputDPI, 3, 1);

    auto* layout = new QVBoxLayout(pane);
    layout->addWidget(imageViewPreview, 1);
    layout->addWidget(progressIndicatorPreview);
    layout->addLayout(dimensions);
    return pane;
}

QWidget* ViewController::buildSizeTab() {
    auto* tab = new QWidget;

    radioFreeResize = modeRadio(tab, "radioFreeResize", QStringLiteral("Fr&ee resize"));
    radioFreeResizePixels = modeRadio(tab, "radioFreeResizePixels", QStringLiteral("&Pixels"));
    textFieldFreeResizePixelsWidth =
        numberField(tab, "textFieldFreeResizePixelsWidth", QStringLiteral("Width in pixels"));
    textFieldFreeResizePixelsHeight =
        numberField(tab, "textFieldFreeResizePixelsHeight", QStringLiteral("Height in pixels"));
    radioFreeResizePercents = modeRadio(tab, "radioFreeResizePercents", QStringLiteral("Per&cent"));
    textFieldFreeResizePercentsWidth =
        numberField(tab, "textFieldFreeResizePercentsWidth", QStringLiteral("Width in percent"));
    textFieldFreeResizePercentsHeight =
        numberField(tab, "textFieldFreeResizePercentsHeight", QStringLiteral("Height in percent"));
    checkFreeResizeKeepAspect =
        checkBox(tab, "checkFreeResizeKeepAspect", QStringLiteral("&Keep aspect ratio"));
    checkWidthLargestDimension =
        checkBox(tab, "checkWidthLargestDimension", QStringLiteral("&Width is the larger side"));

    auto* free = new QGridLayout;
    free->setColumnMinimumWidth(0, 16);
    free->addWidget(radioFreeResize, 0, 0, 1, 5);
    free->addWidget(radioFreeResizePixels, 1, 1);
    free->addWidget(textFieldFreeResizePixelsWidth, 1, 2);
    free->addWidget(times(tab), 1, 3);
    free->addWidget(textFieldFreeResizePixelsHeight, 1, 4);
    free->addWidget(radioFreeResizePercents, 2, 1);
    free->addWidget(textFieldFreeResizePercentsWidth, 2, 2);
    free->addWidget(times(tab), 2, 3);
    free->addWidget(textFieldFreeResizePercentsHeight, 2, 4);
    free->addWidget(checkFreeResizeKeepAspect, 3, 1, 1, 4);
    free->addWidget(checkWidthLargestDimension, 4, 1, 1, 4);
    free->setRowStretch(5, 1);

    radioFixedWidth = modeRadio(tab, "radioFixedWidth", QStringLiteral("Fi&xed width"));
    textFieldFixedWidth = numberField(tab, "textFieldFixedWidth", QStringLiteral("Fixed width"));
    radioFixedHeight = modeRadio(tab, "radioFixedHeight", QStringLiteral("Fixed hei&ght"));
    textFieldFixedHeight = numberField(tab, "textFieldFixedHeight", QStringLiteral("Fixed height"));
    radioFixedWidthAndHeight =
        modeRadio(tab, "radioFixedWidthAndHeight", QStringLiteral("Fit i&nto"));
    textFieldFixedDimensionsWidth =
        numberField(tab, "textFieldFixedDimensionsWidth", QStringLiteral("Fit into width"));
    textFieldFixedDimensionsHeight =
        numberField(tab, "textFieldFixedDimensionsHeight", QStringLiteral("Fit into height"));
    checkDoNotEnlargeImages =
        checkBox(tab, "checkDoNotEnlargeImages", QStringLiteral("&Do not enlarge images"));
    checkChangeDPI = checkBox(tab, "checkChangeDPI", QStringLiteral("Change DP&I to"));
    exclusive(tab, {radioFreeResize, radioFixedWidth, radioFixedHeight, radioFixedWidthAndHeight});
    exclusive(tab, {radioFreeResizePixels, radioFreeResizePercents});
    textFieldChangeDPI = numberField(tab, "textFieldChangeDPI", QStringLiteral("New DPI"));

    auto* fixed = new QGridLayout;
    fixed->addWidget(radioFixedWidth, 0, 0);
    fixed->addWidget(textFieldFixedWidth, 0, 1);
    fixed->addWidget(radioFixedHeight, 1, 0);
    fixed->addWidget(textFieldFixedHeight, 1, 1);
    fixed->addWidget(radioFixedWidthAndHeight, 2, 0);
    fixed->addWidget(textFieldFixedDimensionsWidth, 2, 1);
    fixed->addWidget(times(tab), 2, 2);
    fixed->addWidget(textFieldFixedDimensionsHeight, 2, 3);
    fixed->addWidget(checkDoNotEnlargeImages, 3, 0, 1, 4);
    fixed->addWidget(checkChangeDPI, 4, 0);
    fixed->addWidget(textFieldChangeDPI, 4, 1);
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

QWidget* ViewController::buildOutputTab() {
    auto* tab = new QWidget;

    comboFormat = named(new QComboBox(tab), "comboFormat", QStringLiteral("Format"));
    sliderQuality =
        named(new QSlider(Qt::Horizontal, tab), "sliderQuality", QStringLiteral("Quality"));
    sliderQuality->setRange(0, 100);
    sliderQuality->setPageStep(10);
    labelQuality = named(new QLabel(tab), "labelQuality", QString());
    labelQuality->setAccessibleDescription(QStringLiteral("Quality"));
    labelQuality->setMinimumWidth(
        labelQuality->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    textFieldName = named(new QLineEdit(tab), "textFieldName", QStringLiteral("File name"));
    comboCase = named(new QComboBox(tab), "comboCase", QStringLiteral("Case"));
    comboCase->addItems(
        {QStringLiteral("Unchanged"), QStringLiteral("Upper case"), QStringLiteral("Lower case")});
    textFieldOutputFolder =
        named(new QLineEdit(tab), "textFieldOutputFolder", QStringLiteral("Output folder"));
    buttonBrowse = pushButton(tab, "buttonBrowse", QStringLiteral("&Browse\u2026"));
    checkKeepExifInfoAndCreationDate = checkBox(tab, "checkKeepExifInfoAndCreationDate",
                                                QStringLiteral("&Keep metadata and creation date"));

    auto label = [tab](const QString& text, QWidget* buddy) {
        auto* title = new QLabel(text, tab);
        title->setBuddy(buddy);
        return title;
    };
    auto* layout = new QGridLayout(tab);
    layout->addWidget(label(QStringLiteral("Forma&t:"), comboFormat), 0, 0);
    layout->addWidget(comboFormat, 0, 1);
    layout->addWidget(label(QStringLiteral("&Quality:"), sliderQuality), 0, 2);
    layout->addWidget(sliderQuality, 0, 3);
    layout->addWidget(labelQuality, 0, 4);
    layout->addWidget(label(QStringLiteral("File &name:"), textFieldName), 1, 0);
    layout->addWidget(textFieldName, 1, 1);
    layout->addWidget(label(QStringLiteral("&Case:"), comboCase), 1, 2);
    layout->addWidget(comboCase, 1, 3, 1, 2);
    layout->addWidget(label(QStringLiteral("Output fol&der:"), textFieldOutputFolder), 2, 0);
    layout->addWidget(textFieldOutputFolder, 2, 1, 1, 3);
    layout->addWidget(buttonBrowse, 2, 4);
    layout->addWidget(checkKeepExifInfoAndCreationDate, 3, 0, 1, 5);
    layout->setColumnStretch(1, 2);
    layout->setColumnStretch(3, 1);
    layout->setRowStretch(4, 1);
    return tab;
}

}  // namespace varnholt
