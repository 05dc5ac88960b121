// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "settings/DimensionLabels.h"
#include "settings/ResizeSettings.h"
#include "window/WindowControls.h"

class QAction;

namespace varnholt {

class BatchController;
class Dialogs;
class ImageListController;
class PreviewController;
class PreviewRenderer;
class SettingsPanel;

// The controller of the single window. It owns the image list and the image of the preview
// and reaches every control by its outlet (the WindowControls it inherits); the list, the
// preview with its labels, the settings panel and the batch each have a controller of their
// own, to which its commands and actions forward.
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

    // Every option of the panel as the controls show it now.
    ResizeSettings readSettings() const;
    void resetToDefaults();
    void refreshImageList();
    void updateDimensionDisplay();
    void showSelectedImage();
    // The preview step: renders currentImage at the output size, or empties the preview when
    // there is no positive whole output size.
    void renderPreview();
    // The renderer of the preview; exposed for tests and benchmarks.
    PreviewRenderer* previewRenderer() const;
    // The selected row of the image table; -1 without a selection.
    int selectedRow() const;

    // The batch command, for those who follow a batch from outside the window.
    BatchController* batchController() const { return batch_; }

    // A batch runs: the panel and the list commands are disabled until it ends.
    bool isBusy() const;
    void enterBusyState();
    void leaveBusyState();

    // The window's commands, for its menus.
    QList<QAction*> fileMenuActions() const;
    QList<QAction*> helpMenuActions() const;

    // Fields.
    std::vector<std::string> listImagePaths;
    // A listed image found by walking a folder: its folder relative to the one walked.
    std::unordered_map<std::string, std::string> listSubFolders;
    std::optional<DisplayedImage> currentImage;
    const std::vector<std::string> acceptedExtensions;

public slots:
    void OnFileNew();
    void OnAppQuit();
    void OnVideoTutorial();
    void OnAddImages();
    void OnRemoveSelected();
    void OnRemoveAll();
    void OnResizeImages();
    // Stops a running batch after the images in flight.
    void OnStop();
    // The "openWith" delivery: files opened with the application from the desktop.
    void openData(const QList<QUrl>& urls);

    // The settings panel's actions.
    void OnFreeResizeSelected();
    void OnFreeResizeKeepAspectChecked();
    void OnFreeResizePixelsSelected();
    void OnFreeResizePercentsSelected();
    void OnFreeResizePixelsWidthChanged();
    void OnFreeResizePixelsHeightChanged();
    void OnFreeResizePercentsWidthChanged();
    void OnFreeResizePercentsHeightChanged();
    void OnWidthLargestDimensionChecked();
    void OnFixedWidthSelected();
    void OnFixedHeightSelected();
    void OnFixedWidthAndHeightSelected();
    void OnDoNotEnlargeImagesSelected();
    void OnChangeDPISelected();
    void OnFormatSelected();
    void OnQualityChanged();
    void OnBrowse();

signals:
    // Quit was confirmed: the application is to end.
    void terminateRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectCommands();
    void fillFormatPopup();
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
