// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ViewController.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include "window/BatchController.h"
#include "window/Dialogs.h"
#include "window/FileUrls.h"
#include "window/ImageListController.h"
#include "window/PreviewController.h"
#include "window/SettingsPanel.h"
#include "window/UserGuide.h"
#include "window/WindowLayout.h"
#include "window/UiText.h"

namespace varnholt {
namespace {

const QString kTitle = QStringLiteral("Varnholt");

QString exitQuestion() {
    return uiText(
        "You have unsaved changes that will be lost. Are you sure you want to exit the "
        "application?");
}

}  // namespace

ViewController::ViewController(Dialogs& dialogs, HeifCodecs heifAvailable, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), heifAvailable_(heifAvailable) {
    setObjectName(QStringLiteral("viewController"));
    WindowLayout::build(this, *this);
    settingsPanel_ = new SettingsPanel(*this, currentImage, dialogs_, this);
    imageList_ = new ImageListController(*this, dialogs_, heifAvailable_, this);
    preview_ = new PreviewController(currentImage, *this, *imageList_, *settingsPanel_, this);
    batch_ = new BatchController(imageList_->list(), *this, dialogs_, *settingsPanel_, this);

    connect(settingsPanel_, &SettingsPanel::displayOutdated, preview_,
            &PreviewController::updateDimensionDisplay);
    connect(imageList_, &ImageListController::currentChanged, preview_,
            &PreviewController::showSelectedImage);
    // The batch may have replaced the selected file: its labels are read again.
    connect(batch_, &BatchController::batchEnded, preview_, &PreviewController::showSelectedImage);
    connectCommands();
}

// The controllers go first, while the controls they refer to are all still there; a batch
// still running is stopped and its images in flight finish.
ViewController::~ViewController() {
    delete batch_;
    delete preview_;
    delete imageList_;
    delete settingsPanel_;
}

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
    imageList_->attachTable();
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
        batch_->abandon();
    }
    return QWidget::eventFilter(watched, event);
}

void ViewController::connectCommands() {
    using List = ImageListController;
    connect(buttonAddImages, &QPushButton::clicked, imageList_, &List::addImages);
    connect(actionAddImages, &QAction::triggered, imageList_, &List::addImages);
    connect(buttonRemoveSelected, &QPushButton::clicked, imageList_, &List::removeSelected);
    connect(actionRemoveSelected, &QAction::triggered, imageList_, &List::removeSelected);
    connect(buttonRemoveAll, &QPushButton::clicked, imageList_, &List::removeAll);
    connect(buttonResizeImages, &QPushButton::clicked, batch_, &BatchController::resizeImages);
    connect(actionResizeImages, &QAction::triggered, batch_, &BatchController::resizeImages);
    connect(buttonStop, &QPushButton::clicked, batch_, &BatchController::stop);
    connect(actionStop, &QAction::triggered, batch_, &BatchController::stop);
    connect(actionNew, &QAction::triggered, this, &ViewController::OnFileNew);
    connect(actionQuit, &QAction::triggered, this, &ViewController::OnAppQuit);
    connect(actionVideoTutorial, &QAction::triggered, this, &ViewController::OnVideoTutorial);
}

QList<QAction*> ViewController::fileMenuActions() const {
    return {actionAddImages, actionNew, actionResizeImages, nullptr, actionQuit};
}

QList<QAction*> ViewController::helpMenuActions() const { return {actionVideoTutorial}; }

void ViewController::fillFormatPopup() {
    comboFormat->clear();
    for (const OutputFormat format : formatPopupItems(heifAvailable_)) {
        const std::string_view title = formatTitle(format);
        const QString key = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
        // The formats' own names stay; the title is the key the settings read back.
        // TRANSLATORS: the output format that keeps each image's own format.
        comboFormat->addItem(format == OutputFormat::Original ? uiText("Original") : key, key);
    }
}

void ViewController::resetToDefaults() {
    imageList_->clear();
    tabView->setCurrentIndex(0);

    settingsPanel_->showSettings(ResizeSettings{});
    checkWidthLargestDimension->setEnabled(true);
    imageViewPreview->clear();
    progressIndicatorPreview->hide();
    progressIndicator->setValue(0);
    sliderQuality->setEnabled(true);
    preview_->updateDimensionDisplay();
}

bool ViewController::hasUnsavedChanges() const {
    const QWidget* host = hostWindow();
    if (host == nullptr) return false;
    const QString title = host->windowTitle();
    return !title.isEmpty() && title.endsWith(QLatin1Char('*'));
}

bool ViewController::windowShouldClose() {
    if (!hasUnsavedChanges()) return true;
    return answeredYes(dialogs_.runAlert(yesNoQuestion(exitQuestion())));
}

void ViewController::OnFileNew() {
    if (isBusy()) return;
    if (hasUnsavedChanges()) {
        const QString question = uiText("You have unsaved changes that will be lost. Continue?");
        if (!answeredYes(dialogs_.runAlert(yesNoQuestion(question)))) return;
    }
    resetToDefaults();
    if (QWidget* host = hostWindow()) host->setWindowTitle(kTitle);
}

void ViewController::OnAppQuit() {
    if (hasUnsavedChanges() && !answeredYes(dialogs_.runAlert(yesNoQuestion(exitQuestion())))) {
        return;
    }
    emit terminateRequested();
}

void ViewController::OnVideoTutorial() {
    const QUrl guide = userGuideUrl(userGuideCandidates(QCoreApplication::applicationDirPath()));
    if (!guide.isValid()) return;
    dialogs_.openUrl(guide);
}

const ImageList& ViewController::imageList() const { return imageList_->list(); }
bool ViewController::isBusy() const { return batch_->isBusy(); }
void ViewController::openData(const QList<QUrl>& urls) {
    if (!urls.isEmpty()) imageList_->addPaths(pathsFromFileUrls(urls));
}

}  // namespace varnholt
