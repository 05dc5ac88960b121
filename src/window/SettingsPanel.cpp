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
    // Toggled rather than clicked: the arrow keys, the accessibility action and the code
    // choose as well as the mouse and Space, and each must run the panel's rules.
    const auto onChosen = [this](QAbstractButton* radio, void (ViewController::*slot)()) {
        connect(radio, &QAbstractButton::toggled, this, [this, slot](bool on) {
            if (on) (this->*slot)();
        });
    };
    onChosen(radioFreeResize, &ViewController::OnFreeResizeSelected);
    onChosen(radioFreeResizePixels, &ViewController::OnFreeResizePixelsSelected);
    onChosen(radioFreeResizePercents, &ViewController::OnFreeResizePercentsSelected);
    onChosen(radioFixedWidth, &ViewController::OnFixedWidthSelected);
    onChosen(radioFixedHeight, &ViewController::OnFixedHeightSelected);
    onChosen(radioFixedWidthAndHeight, &ViewController::OnFixedWidthAndHeightSelected);
    const auto onToggled = [this](QAbstractButton* box, void (ViewController::*slot)()) {
        connect(box, &QAbstractButton::toggled, this, slot);
    };
    onToggled(checkFreeResizeKeepAspect, &ViewController::OnFreeResizeKeepAspectChecked);
    onToggled(checkWidthLargestDimension, &ViewController::OnWidthLargestDimensionChecked);
    onToggled(checkDoNotEnlargeImages, &ViewController::OnDoNotEnlargeImagesSelected);
    onToggled(checkChangeDPI, &ViewController::OnChangeDPISelected);
    connect(buttonBrowse, &QAbstractButton::clicked, this, &ViewController::OnBrowse);

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
    // The layout's groups already keep each set exclusive; the rule is applied here too so
    // that the display never sees another combination.
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
