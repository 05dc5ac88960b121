// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <optional>

#include "settings/DimensionLabels.h"
#include "settings/PanelRules.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

class Dialogs;
struct WindowControls;

// The settings panel's actions: the mode radios, the synchronised size fields, the enabling
// rules, the quality slider and the output folder. The controls are the only store of the
// settings; readSettings() reads them afresh.
class SettingsPanel : public QObject {
    Q_OBJECT

public:
    // currentImage (the window controller's) gives the aspect ratio the pixel fields keep.
    SettingsPanel(const WindowControls& controls, const std::optional<DisplayedImage>& currentImage,
                  Dialogs& dialogs, QObject* parent = nullptr);

    // Every option of the panel as the controls show it now.
    ResizeSettings readSettings() const;
    // Puts settings into the controls, then applies the enabling rules.
    void showSettings(const ResizeSettings& settings);
    // Do-not-enlarge and the quality slider enabled as the chosen mode and format ask.
    void applyEnablingRules();

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
    // A setting the dimension display shows has changed.
    void displayOutdated();

private:
    void connectControls();
    ModeRadios modeRadios() const;
    void selectModeRadio(ModeRadio chosen);
    AspectLock aspectLock() const;

    const WindowControls& c_;
    const std::optional<DisplayedImage>& currentImage_;
    Dialogs& dialogs_;
};

}  // namespace varnholt
