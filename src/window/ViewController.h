// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

#include "settings/DimensionLabels.h"
#include "settings/ResizeSettings.h"
#include "window/WindowControls.h"

class QAction;

namespace varnholt {

class BatchController;
class Dialogs;
class ImageList;
class ImageListController;
class PreviewController;
class PreviewRenderer;
class SettingsPanel;

// The controller of the single window. It holds the image of the preview and reaches every
// control by its outlet (the WindowControls it inherits); the list, the preview with its
// labels, the settings panel and the batch each have a controller of their own, to which the
// window's commands are connected.
class ViewController : public QWidget, public WindowControls {
    Q_OBJECT

public:
    // heifAvailable decides the HEIF and AVIF entries of the type lists and the format popup.
    ViewController(Dialogs& dialogs, HeifCodecs heifAvailable, QWidget* parent = nullptr);
    ~ViewController() override;

    // Wiring once the view sits in its window: close guard, table, format popup, defaults.
    void viewDidLoad();

    // The window title ends in "*" (no operation appends it).
    bool hasUnsavedChanges() const;
    // Whether the window may close now; asks when there are unsaved changes.
    bool windowShouldClose();

    // The listed images, which only the list's controller changes.
    const ImageList& imageList() const;

    // The batch command, for those who follow a batch from outside the window.
    BatchController* batchController() const { return batch_; }

    // A batch runs: the panel and the list commands are disabled until it ends.
    bool isBusy() const;

    // The window's commands, for its menus.
    QList<QAction*> fileMenuActions() const;
    QList<QAction*> helpMenuActions() const;

    std::optional<DisplayedImage> currentImage;

public slots:
    void OnFileNew();
    void OnAppQuit();
    void OnVideoTutorial();
    // Files and folders to add at the end of the list: opened with the application from the
    // desktop, handed over by a second launch, or chosen by Add Folder. A folder stands for the
    // images inside it and is walked off the main thread.
    void openData(const QList<QUrl>& urls);

signals:
    // Quit was confirmed: the application is to end.
    void terminateRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectCommands();
    void fillFormatPopup();
    void resetToDefaults();
    // The window the view is placed in; nullptr while it has none.
    QWidget* hostWindow() const;

    Dialogs& dialogs_;
    const HeifCodecs heifAvailable_;
    QWidget* guardedWindow_ = nullptr;
    SettingsPanel* settingsPanel_ = nullptr;
    ImageListController* imageList_ = nullptr;
    PreviewController* preview_ = nullptr;
    BatchController* batch_ = nullptr;
};

}  // namespace varnholt
