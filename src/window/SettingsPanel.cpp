// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/SettingsPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>

#include "settings/PanelRules.h"
#include "window/Dialogs.h"
#include "window/WindowControls.h"
#include "window/UiText.h"

namespace varnholt {
namespace {

// Long enough to pass over the keystrokes of one number, short enough to feel immediate.
constexpr int kTypingPause = 250;  // ms

std::string text(const QLineEdit* field) { return field->text().toStdString(); }

// The chosen format's title as the settings know it: the item shows it translated.
FormatChoice chosenFormat(const QComboBox* formats) {
    return FormatChoice{formats->currentData().toString().toStdString()};
}

void setText(QLineEdit* field, const std::optional<std::string>& value) {
    if (value) field->setText(QString::fromStdString(*value));
}

}  // namespace

SettingsPanel::SettingsPanel(const WindowControls& controls,
                             const std::optional<DisplayedImage>& currentImage, Dialogs& dialogs,
                             QObject* parent)
    : QObject(parent), c_(controls), currentImage_(currentImage), dialogs_(dialogs) {
    connectControls();
}

ResizeSettings SettingsPanel::readSettings() const {
    ResizeSettings s;
    s.freeResize = c_.radioFreeResize->isChecked();
    s.keepAspect = c_.checkFreeResizeKeepAspect->isChecked();
    s.freePixels = c_.radioFreeResizePixels->isChecked();
    s.pixelWidthText = text(c_.textFieldFreeResizePixelsWidth);
    s.pixelHeightText = text(c_.textFieldFreeResizePixelsHeight);
    s.freePercents = c_.radioFreeResizePercents->isChecked();
    s.percentWidthText = text(c_.textFieldFreeResizePercentsWidth);
    s.percentHeightText = text(c_.textFieldFreeResizePercentsHeight);
    s.widthIsLargestDimension = c_.checkWidthLargestDimension->isChecked();
    s.fixedWidth = c_.radioFixedWidth->isChecked();
    s.fixedWidthText = text(c_.textFieldFixedWidth);
    s.fixedHeight = c_.radioFixedHeight->isChecked();
    s.fixedHeightText = text(c_.textFieldFixedHeight);
    s.fixedWidthAndHeight = c_.radioFixedWidthAndHeight->isChecked();
    s.boxWidthText = text(c_.textFieldFixedDimensionsWidth);
    s.boxHeightText = text(c_.textFieldFixedDimensionsHeight);
    s.doNotEnlarge = c_.checkDoNotEnlargeImages->isChecked();
    s.changeDPI = c_.checkChangeDPI->isChecked();
    s.dpiText = text(c_.textFieldChangeDPI);
    s.outputFormat = chosenFormat(c_.comboFormat);
    s.quality = static_cast<float>(c_.sliderQuality->value());
    s.namePattern = text(c_.textFieldName);
    s.nameCase = c_.comboCase->currentIndex();
    s.outputFolder = text(c_.textFieldOutputFolder);
    s.keepSubFolders = c_.checkKeepSubFolders->isChecked();
    s.keepExifInfoAndCreationDate = c_.checkKeepExifInfoAndCreationDate->isChecked();
    return s;
}

void SettingsPanel::showSettings(const ResizeSettings& s) {
    // The radios and boxes first: their slots rewrite fields that the texts then settle.
    c_.radioFreeResize->setChecked(s.freeResize);
    c_.checkFreeResizeKeepAspect->setChecked(s.keepAspect);
    c_.radioFreeResizePixels->setChecked(s.freePixels);
    c_.radioFreeResizePercents->setChecked(s.freePercents);
    c_.checkWidthLargestDimension->setChecked(s.widthIsLargestDimension);
    c_.radioFixedWidth->setChecked(s.fixedWidth);
    c_.radioFixedHeight->setChecked(s.fixedHeight);
    c_.radioFixedWidthAndHeight->setChecked(s.fixedWidthAndHeight);
    c_.checkDoNotEnlargeImages->setChecked(s.doNotEnlarge);
    c_.checkChangeDPI->setChecked(s.changeDPI);
    c_.checkKeepSubFolders->setChecked(s.keepSubFolders);
    c_.checkKeepExifInfoAndCreationDate->setChecked(s.keepExifInfoAndCreationDate);
    setText(c_.textFieldFreeResizePixelsWidth, s.pixelWidthText);
    setText(c_.textFieldFreeResizePixelsHeight, s.pixelHeightText);
    setText(c_.textFieldFreeResizePercentsWidth, s.percentWidthText);
    setText(c_.textFieldFreeResizePercentsHeight, s.percentHeightText);
    setText(c_.textFieldFixedWidth, s.fixedWidthText);
    setText(c_.textFieldFixedHeight, s.fixedHeightText);
    setText(c_.textFieldFixedDimensionsWidth, s.boxWidthText);
    setText(c_.textFieldFixedDimensionsHeight, s.boxHeightText);
    setText(c_.textFieldChangeDPI, s.dpiText);
    setText(c_.textFieldName, s.namePattern);
    setText(c_.textFieldOutputFolder, s.outputFolder);
    c_.comboFormat->setCurrentIndex(
        std::max(0, c_.comboFormat->findData(QString::fromStdString(s.outputFormat.title))));
    c_.comboCase->setCurrentIndex(s.nameCase);
    c_.sliderQuality->setValue(static_cast<int>(s.quality));
    OnQualityChanged();  // the slider may not have moved
    applyEnablingRules();
}

void SettingsPanel::applyEnablingRules() {
    c_.checkDoNotEnlargeImages->setEnabled(doNotEnlargeEnabled(modeRadios()));
    OnFormatSelected();
}

void SettingsPanel::connectControls() {
    // Toggled: the arrow keys, the accessibility action and the code choose as well as the
    // mouse and Space, and each must run the panel's rules. Clicked too: a click on the chosen
    // mode toggles nothing, yet brings the display up to date.
    const auto onChosen = [this](QAbstractButton* radio, void (SettingsPanel::*slot)()) {
        connect(radio, &QAbstractButton::toggled, this, [this, slot](bool on) {
            if (on) (this->*slot)();
        });
        connect(radio, &QAbstractButton::clicked, this, slot);
    };
    onChosen(c_.radioFreeResize, &SettingsPanel::OnFreeResizeSelected);
    onChosen(c_.radioFreeResizePixels, &SettingsPanel::OnFreeResizePixelsSelected);
    onChosen(c_.radioFreeResizePercents, &SettingsPanel::OnFreeResizePercentsSelected);
    onChosen(c_.radioFixedWidth, &SettingsPanel::OnFixedWidthSelected);
    onChosen(c_.radioFixedHeight, &SettingsPanel::OnFixedHeightSelected);
    onChosen(c_.radioFixedWidthAndHeight, &SettingsPanel::OnFixedWidthAndHeightSelected);
    const auto onToggled = [this](QAbstractButton* box, void (SettingsPanel::*slot)()) {
        connect(box, &QAbstractButton::toggled, this, slot);
    };
    onToggled(c_.checkFreeResizeKeepAspect, &SettingsPanel::OnFreeResizeKeepAspectChecked);
    onToggled(c_.checkWidthLargestDimension, &SettingsPanel::OnWidthLargestDimensionChecked);
    onToggled(c_.checkDoNotEnlargeImages, &SettingsPanel::OnDoNotEnlargeImagesSelected);
    onToggled(c_.checkChangeDPI, &SettingsPanel::OnChangeDPISelected);
    connect(c_.buttonBrowse, &QAbstractButton::clicked, this, &SettingsPanel::OnBrowse);

    // Typing takes effect once the user pauses, without Enter or Tab; Enter and leaving the
    // field apply it at once.
    const auto onEdited = [this](QLineEdit* field, void (SettingsPanel::*slot)()) {
        auto* pause = new QTimer(field);
        pause->setSingleShot(true);
        pause->setInterval(kTypingPause);
        connect(field, &QLineEdit::textEdited, pause, qOverload<>(&QTimer::start));
        connect(pause, &QTimer::timeout, this, slot);
        connect(field, &QLineEdit::editingFinished, this, [this, pause, slot] {
            pause->stop();
            (this->*slot)();
        });
    };
    onEdited(c_.textFieldFreeResizePixelsWidth, &SettingsPanel::OnFreeResizePixelsWidthChanged);
    onEdited(c_.textFieldFreeResizePixelsHeight, &SettingsPanel::OnFreeResizePixelsHeightChanged);
    onEdited(c_.textFieldFreeResizePercentsWidth, &SettingsPanel::OnFreeResizePercentsWidthChanged);
    onEdited(c_.textFieldFreeResizePercentsHeight,
             &SettingsPanel::OnFreeResizePercentsHeightChanged);
    for (QLineEdit* field :
         {c_.textFieldFixedWidth, c_.textFieldFixedHeight, c_.textFieldFixedDimensionsWidth,
          c_.textFieldFixedDimensionsHeight, c_.textFieldChangeDPI}) {
        onEdited(field, &SettingsPanel::displayOutdated);
    }
    // The name, the case and the folder take effect when the batch starts.

    connect(c_.comboFormat, &QComboBox::currentIndexChanged, this,
            &SettingsPanel::OnFormatSelected);
    connect(c_.sliderQuality, &QSlider::valueChanged, this, &SettingsPanel::OnQualityChanged);
}

ModeRadios SettingsPanel::modeRadios() const {
    return {c_.radioFreeResize->isChecked(),       c_.radioFixedWidth->isChecked(),
            c_.radioFixedHeight->isChecked(),      c_.radioFixedWidthAndHeight->isChecked(),
            c_.radioFreeResizePixels->isChecked(), c_.radioFreeResizePercents->isChecked()};
}

void SettingsPanel::selectModeRadio(ModeRadio chosen) {
    // The layout's groups already keep each set exclusive; the rule is applied here too so
    // that the display never sees another combination.
    const ModeRadios radios = selectRadio(modeRadios(), chosen);
    c_.radioFreeResize->setChecked(radios.freeResize);
    c_.radioFixedWidth->setChecked(radios.fixedWidth);
    c_.radioFixedHeight->setChecked(radios.fixedHeight);
    c_.radioFixedWidthAndHeight->setChecked(radios.fixedWidthAndHeight);
    c_.radioFreeResizePixels->setChecked(radios.pixels);
    c_.radioFreeResizePercents->setChecked(radios.percents);
    c_.checkDoNotEnlargeImages->setEnabled(doNotEnlargeEnabled(radios));
    emit displayOutdated();
}

void SettingsPanel::OnFreeResizeSelected() { selectModeRadio(ModeRadio::FreeResize); }
void SettingsPanel::OnFreeResizePixelsSelected() { selectModeRadio(ModeRadio::Pixels); }
void SettingsPanel::OnFreeResizePercentsSelected() { selectModeRadio(ModeRadio::Percents); }
void SettingsPanel::OnFixedWidthSelected() { selectModeRadio(ModeRadio::FixedWidth); }
void SettingsPanel::OnFixedHeightSelected() { selectModeRadio(ModeRadio::FixedHeight); }
void SettingsPanel::OnFixedWidthAndHeightSelected() {
    selectModeRadio(ModeRadio::FixedWidthAndHeight);
}

void SettingsPanel::OnFreeResizeKeepAspectChecked() {
    setText(c_.textFieldFreeResizePercentsHeight,
            percentHeightOnLock(c_.checkFreeResizeKeepAspect->isChecked(),
                                text(c_.textFieldFreeResizePercentsWidth)));
    emit displayOutdated();
}

AspectLock SettingsPanel::aspectLock() const {
    AspectLock lock;
    if (currentImage_) {
        lock.imageWidth = currentImage_->width;
        lock.imageHeight = currentImage_->height;
    }
    lock.keepAspect = c_.checkFreeResizeKeepAspect->isChecked();
    lock.widthIsLargestDimension = c_.checkWidthLargestDimension->isChecked();
    return lock;
}

void SettingsPanel::OnFreeResizePixelsWidthChanged() {
    setText(c_.textFieldFreeResizePixelsHeight,
            pixelHeightForWidth(aspectLock(), text(c_.textFieldFreeResizePixelsWidth)));
    emit displayOutdated();
}

void SettingsPanel::OnFreeResizePixelsHeightChanged() {
    setText(c_.textFieldFreeResizePixelsWidth,
            pixelWidthForHeight(aspectLock(), text(c_.textFieldFreeResizePixelsHeight)));
    emit displayOutdated();
}

void SettingsPanel::OnFreeResizePercentsWidthChanged() {
    setText(c_.textFieldFreeResizePercentsHeight,
            percentForOther(c_.checkFreeResizeKeepAspect->isChecked(),
                            text(c_.textFieldFreeResizePercentsWidth)));
    emit displayOutdated();
}

void SettingsPanel::OnFreeResizePercentsHeightChanged() {
    setText(c_.textFieldFreeResizePercentsWidth,
            percentForOther(c_.checkFreeResizeKeepAspect->isChecked(),
                            text(c_.textFieldFreeResizePercentsHeight)));
    emit displayOutdated();
}

void SettingsPanel::OnWidthLargestDimensionChecked() { emit displayOutdated(); }
void SettingsPanel::OnDoNotEnlargeImagesSelected() { emit displayOutdated(); }
void SettingsPanel::OnChangeDPISelected() { emit displayOutdated(); }

void SettingsPanel::OnFormatSelected() {
    c_.sliderQuality->setEnabled(formatUsesQuality(chosenFormat(c_.comboFormat)));
}

void SettingsPanel::OnQualityChanged() {
    c_.labelQuality->setText(
        QString::fromStdString(qualityLabel(static_cast<float>(c_.sliderQuality->value()))));
}

void SettingsPanel::OnBrowse() {
    const std::optional<QUrl> folder = dialogs_.chooseFolder(uiText("Select Folder"));
    if (!folder || !folder->isLocalFile()) return;
    c_.textFieldOutputFolder->setText(folder->toLocalFile());
}

}  // namespace varnholt
