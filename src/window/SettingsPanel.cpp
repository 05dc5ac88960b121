// The settings panel's actions: the mode radios, the synchronised size fields, the enabling
// rules, the quality slider and the output folder. Each ends with the display update where
// the panel's rules ask for one.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "settings/PanelRules.h"
#include "window/Dialogs.h"
#include "window/ViewController.h"

namespace varnholt {
namespace {

std::string text(const QLineEdit* field) { return field->text().toStdString(); }

void setText(QLineEdit* field, const std::optional<std::string>& value) {
    if (value) field->setText(QString::fromStdString(*value));
}

}  // namespace

void ViewController::connectSettingsPanel() {
    const auto onClick = [this](QAbstractButton* button, void (ViewController::*slot)()) {
        connect(button, &QAbstractButton::clicked, this, slot);
    };
    onClick(radioFreeResize, &ViewController::OnFreeResizeSelected);
    onClick(radioFreeResizePixels, &ViewController::OnFreeResizePixelsSelected);
    onClick(radioFreeResizePercents, &ViewController::OnFreeResizePercentsSelected);
    onClick(radioFixedWidth, &ViewController::OnFixedWidthSelected);
    onClick(radioFixedHeight, &ViewController::OnFixedHeightSelected);
    onClick(radioFixedWidthAndHeight, &ViewController::OnFixedWidthAndHeightSelected);
    onClick(checkFreeResizeKeepAspect, &ViewController::OnFreeResizeKeepAspectChecked);
    onClick(checkWidthLargestDimension, &ViewController::OnWidthLargestDimensionChecked);
    onClick(checkDoNotEnlargeImages, &ViewController::OnDoNotEnlargeImagesSelected);
    onClick(checkChangeDPI, &ViewController::OnChangeDPISelected);
    onClick(buttonBrowse, &ViewController::OnBrowse);

    const auto onEdited = [this](QLineEdit* field, void (ViewController::*slot)()) {
        connect(field, &QLineEdit::editingFinished, this, slot);
    };
    onEdited(textFieldFreeResizePixelsWidth, &ViewController::OnFreeResizePixelsWidthChanged);
    onEdited(textFieldFreeResizePixelsHeight, &ViewController::OnFreeResizePixelsHeightChanged);
    onEdited(textFieldFreeResizePercentsWidth, &ViewController::OnFreeResizePercentsWidthChanged);
    onEdited(textFieldFreeResizePercentsHeight, &ViewController::OnFreeResizePercentsHeightChanged);
    // The fixed-size fields, the DPI field, the name and the case take effect at the next
    // update or when the batch starts; editing them runs nothing.

    connect(comboFormat, &QComboBox::currentIndexChanged, this, &ViewController::OnFormatSelected);
    connect(sliderQuality, &QSlider::valueChanged, this, &ViewController::OnQualityChanged);
}

ModeRadios ViewController::modeRadios() const {
    return {radioFreeResize->isChecked(),       radioFixedWidth->isChecked(),
            radioFixedHeight->isChecked(),      radioFixedWidthAndHeight->isChecked(),
            radioFreeResizePixels->isChecked(), radioFreeResizePercents->isChecked()};
}

void ViewController::selectModeRadio(ModeRadio chosen) {
    // The radios are not grouped, so a click on a chosen one would turn it off: a
    // selection always leaves the clicked radio on and the others of its set off.
    const ModeRadios radios = selectRadio(modeRadios(), chosen);
    radioFreeResize->setChecked(radios.freeResize);
    radioFixedWidth->setChecked(radios.fixedWidth);
    radioFixedHeight->setChecked(radios.fixedHeight);
    radioFixedWidthAndHeight->setChecked(radios.fixedWidthAndHeight);
    radioFreeResizePixels->setChecked(radios.pixels);
    radioFreeResizePercents->setChecked(radios.percents);
    checkDoNotEnlargeImages->setEnabled(doNotEnlargeEnabled(radios));
    updateDimensionDisplay();
}

void ViewController::OnFreeResizeSelected() { selectModeRadio(ModeRadio::FreeResize); }
void ViewController::OnFreeResizePixelsSelected() { selectModeRadio(ModeRadio::Pixels); }
void ViewController::OnFreeResizePercentsSelected() { selectModeRadio(ModeRadio::Percents); }
void ViewController::OnFixedWidthSelected() { selectModeRadio(ModeRadio::FixedWidth); }
void ViewController::OnFixedHeightSelected() { selectModeRadio(ModeRadio::FixedHeight); }
void ViewController::OnFixedWidthAndHeightSelected() {
    selectModeRadio(ModeRadio::FixedWidthAndHeight);
}

void ViewController::OnFreeResizeKeepAspectChecked() {
    setText(textFieldFreeResizePercentsHeight,
            percentHeightOnLock(checkFreeResizeKeepAspect->isChecked(),
                                text(textFieldFreeResizePercentsWidth)));
    updateDimensionDisplay();
}

AspectLock ViewController::aspectLock() const {
    AspectLock lock;
    if (currentImage) {
        lock.imageWidth = currentImage->width;
        lock.imageHeight = currentImage->height;
    }
    lock.keepAspect = checkFreeResizeKeepAspect->isChecked();
    lock.widthIsLargestDimension = checkWidthLargestDimension->isChecked();
    return lock;
}

void ViewController::OnFreeResizePixelsWidthChanged() {
    setText(textFieldFreeResizePixelsHeight,
            pixelHeightForWidth(aspectLock(), text(textFieldFreeResizePixelsWidth)));
    updateDimensionDisplay();
}

void ViewController::OnFreeResizePixelsHeightChanged() {
    setText(textFieldFreeResizePixelsWidth,
            pixelWidthForHeight(aspectLock(), text(textFieldFreeResizePixelsHeight)));
    updateDimensionDisplay();
}

void ViewController::OnFreeResizePercentsWidthChanged() {
    setText(textFieldFreeResizePercentsHeight,
            percentForOther(checkFreeResizeKeepAspect->isChecked(),
                            text(textFieldFreeResizePercentsWidth)));
    updateDimensionDisplay();
}

void ViewController::OnFreeResizePercentsHeightChanged() {
    setText(textFieldFreeResizePercentsWidth,
            percentForOther(checkFreeResizeKeepAspect->isChecked(),
                            text(textFieldFreeResizePercentsHeight)));
    updateDimensionDisplay();
}

void ViewController::OnWidthLargestDimensionChecked() { updateDimensionDisplay(); }
void ViewController::OnDoNotEnlargeImagesSelected() { updateDimensionDisplay(); }
void ViewController::OnChangeDPISelected() { updateDimensionDisplay(); }

void ViewController::OnFormatSelected() {
    sliderQuality->setEnabled(formatUsesQuality(
        FormatChoice{comboFormat->currentIndex(), comboFormat->currentText().toStdString()}));
}

void ViewController::OnQualityChanged() {
    labelQuality->setText(
        QString::fromStdString(qualityLabel(static_cast<float>(sliderQuality->value()))));
}

void ViewController::OnBrowse() {
    const std::optional<QUrl> folder = dialogs_.chooseFolder(QStringLiteral("Select Folder"));
    if (!folder || !folder->isLocalFile()) return;
    textFieldOutputFolder->setText(folder->toLocalFile());
}

}  // namespace varnholt
