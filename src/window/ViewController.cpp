#include "window/ViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include "batch/ImageListRules.h"
#include "window/BatchRunner.h"
#include "window/ImageListModel.h"
#include "window/ImageTableView.h"

namespace varnholt {
namespace {

std::string text(const QLineEdit* field) { return field->text().toStdString(); }

}  // namespace

ViewController::ViewController(Dialogs& dialogs, HeifCodecs heifAvailable, QWidget* parent)
    : QWidget(parent),
      acceptedExtensions(varnholt::acceptedExtensions(heifAvailable)),
      dialogs_(dialogs),
      heifAvailable_(heifAvailable) {
    setObjectName(QStringLiteral("viewController"));
    buildLayout();
    createActions();
    connectCommands();
    connectSettingsPanel();
    connectPreview();
}

ViewController::~ViewController() { folderWalksAbandoned_->store(true); }

QWidget* ViewController::hostWindow() const {
    QWidget* host = window();
    return host == this ? nullptr : host;
}

void ViewController::viewDidLoad() {
    // Only through this filter does closing the window reach windowShouldClose.
    if (QWidget* host = hostWindow(); host != nullptr && guardedWindow_ == nullptr) {
        guardedWindow_ = host;
        host->installEventFilter(this);
    }

    imageListModel_ = new ImageListModel(listImagePaths, heifAvailable_, this);
    tableViewImage->setModel(imageListModel_);
    connect(imageListModel_, &ImageListModel::filesDropped, this, &ViewController::acceptDrop);
    // Rows inserted by a drop report a selection change with nothing selected or deselected;
    // the selection did not change then.
    connect(tableViewImage->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (reselecting_) return;
                if (!selected.isEmpty() || !deselected.isEmpty()) showSelectedImage();
            });

    fillFormatPopup();
    resetToDefaults();
}

bool ViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == guardedWindow_ && event->type() == QEvent::Close) {
        if (!windowShouldClose()) {
            event->ignore();
            return true;
        }
        // The window goes: no further image starts; the running ones finish their writes.
        if (batch_) batch_->requestStop();
    }
    return QWidget::eventFilter(watched, event);
}

void ViewController::fillFormatPopup() {
    comboFormat->clear();
    for (const OutputFormat format : formatPopupItems(heifAvailable_)) {
        const std::string_view title = formatTitle(format);
        comboFormat->addItem(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    }
}

ResizeSettings ViewController::readSettings() const {
    ResizeSettings s;
    s.freeResize = radioFreeResize->isChecked();
    s.keepAspect = checkFreeResizeKeepAspect->isChecked();
    s.freePixels = radioFreeResizePixels->isChecked();
    s.pixelWidthText = text(textFieldFreeResizePixelsWidth);
    s.pixelHeightText = text(textFieldFreeResizePixelsHeight);
    s.freePercents = radioFreeResizePercents->isChecked();
    s.percentWidthText = text(textFieldFreeResizePercentsWidth);
    s.percentHeightText = text(textFieldFreeResizePercentsHeight);
    s.widthIsLargestDimension = checkWidthLargestDimension->isChecked();
    s.fixedWidth = radioFixedWidth->isChecked();
    s.fixedWidthText = text(textFieldFixedWidth);
    s.fixedHeight = radioFixedHeight->isChecked();
    s.fixedHeightText = text(textFieldFixedHeight);
    s.fixedWidthAndHeight = radioFixedWidthAndHeight->isChecked();
    s.boxWidthText = text(textFieldFixedDimensionsWidth);
    s.boxHeightText = text(textFieldFixedDimensionsHeight);
    s.doNotEnlarge = checkDoNotEnlargeImages->isChecked();
    s.changeDPI = checkChangeDPI->isChecked();
    s.dpiText = text(textFieldChangeDPI);
    s.outputFormat =
        FormatChoice{comboFormat->currentIndex(), comboFormat->currentText().toStdString()};
    s.quality = static_cast<float>(sliderQuality->value());
    s.namePattern = text(textFieldName);
    s.nameCase = comboCase->currentIndex();
    s.outputFolder = text(textFieldOutputFolder);
    s.keepExifInfoAndCreationDate = checkKeepExifInfoAndCreationDate->isChecked();
    return s;
}

void ViewController::resetToDefaults() {
    listImagePaths.clear();
    tabView->setCurrentIndex(0);

    radioFreeResize->setChecked(true);
    checkFreeResizeKeepAspect->setChecked(true);
    radioFreeResizePixels->setChecked(true);
    textFieldFreeResizePixelsWidth->setText(QStringLiteral("0"));
    textFieldFreeResizePixelsHeight->setText(QStringLiteral("0"));
    radioFreeResizePercents->setChecked(false);
    textFieldFreeResizePercentsWidth->setText(QStringLiteral("100"));
    textFieldFreeResizePercentsHeight->setText(QStringLiteral("100"));
    checkWidthLargestDimension->setChecked(false);
    radioFixedWidth->setChecked(false);
    textFieldFixedWidth->setText(QStringLiteral("0"));
    radioFixedHeight->setChecked(false);
    textFieldFixedHeight->setText(QStringLiteral("0"));
    radioFixedWidthAndHeight->setChecked(false);
    textFieldFixedDimensionsWidth->setText(QStringLiteral("0"));
    textFieldFixedDimensionsHeight->setText(QStringLiteral("0"));
    checkDoNotEnlargeImages->setChecked(false);
    checkDoNotEnlargeImages->setEnabled(true);
    checkChangeDPI->setChecked(false);
    textFieldChangeDPI->clear();

    imageViewPreview->clear();
    progressIndicatorPreview->hide();

    checkWidthLargestDimension->setEnabled(true);

    comboFormat->setCurrentIndex(0);
    sliderQuality->setValue(80);
    labelQuality->setText(QStringLiteral("80"));
    textFieldName->setText(QString::fromUtf8(kDefaultNamePattern.data(),
                                             static_cast<qsizetype>(kDefaultNamePattern.size())));
    comboCase->setCurrentIndex(0);
    textFieldOutputFolder->clear();
    checkKeepExifInfoAndCreationDate->setChecked(false);
    progressIndicator->setValue(0);
    sliderQuality->setEnabled(true);

    refreshImageList();
}

}  // namespace varnholt
