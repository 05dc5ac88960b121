// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <optional>
#include <string>

#include "imaging/ImageTools.h"
#include "settings/DimensionLabels.h"
#include "settings/PreviewSize.h"

class QFileSystemWatcher;

namespace varnholt {

class ImageListController;
class PreviewRenderer;
class SettingsPanel;
struct WindowControls;

// The image of the list's current row: its picture, the six dimension labels and the preview
// at the output size, rendered off the main thread. The file is watched, so that its labels
// and preview follow changes on disk. The numbers the labels show are kept here as data; the
// labels are only written.
class PreviewController : public QObject {
    Q_OBJECT

public:
    // currentImage belongs to the window controller; this keeps it for the list's current
    // row, at the output size the panel gives it.
    PreviewController(std::optional<DisplayedImage>& currentImage, const WindowControls& controls,
                      const ImageListController& list, const SettingsPanel& panel,
                      QObject* parent = nullptr);

    // Reads the current row's file afresh; a file that cannot be read shows as no image.
    void showSelectedImage();
    void updateDimensionDisplay();
    // The preview step: renders currentImage at the output size, or empties the preview when
    // there is no positive whole output size.
    void renderPreview();

    PreviewRenderer* renderer() const { return renderer_; }

private:
    void watchSelectedFile(const std::optional<std::string>& path);
    // The preview's description for readers: which image, at what output size.
    void describePreview();
    enum class PreviewStart { Afresh, ForNewViewSize };
    void startPreview(PreviewStart how);

    // What the preview shows or is rendering: this picture at this size.
    struct PreviewRequest {
        Image picture;
        WholePixels pixels;
        bool operator==(const PreviewRequest& other) const {
            return &picture.data() == &other.picture.data() && pixels == other.pixels;
        }
    };

    std::optional<DisplayedImage>& currentImage_;
    const WindowControls& c_;
    const ImageListController& list_;
    const SettingsPanel& panel_;
    // The picture behind currentImage, which the preview scales.
    std::optional<Image> currentPicture_;
    // What the labels show, and the output size the preview renders at.
    DimensionLabels labels_;
    std::optional<PixelSize> outputSize_;
    std::optional<PreviewRequest> previewRequested_;
    PreviewRenderer* renderer_ = nullptr;
    QFileSystemWatcher* selectedFileWatcher_ = nullptr;
};

}  // namespace varnholt
