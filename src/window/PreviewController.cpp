// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/PreviewController.h"

#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <functional>

#include "imaging/ImageTools.h"
#include "settings/PreviewSize.h"
#include "window/ImageListController.h"
#include "window/PreviewRenderer.h"
#include "window/SettingsPanel.h"
#include "window/WindowControls.h"
#include "window/UiText.h"

namespace varnholt {
namespace {

void setLabel(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
}

class ResizeWatcher : public QObject {
public:
    ResizeWatcher(std::function<void()> onResize, QObject* parent)
        : QObject(parent), onResize_(std::move(onResize)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) onResize_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onResize_;
};

// Runs on the renderer's pool: scale from the source file, then decode.
// With draft, from the file's own small picture; a null image when it has none.
QImage renderScaled(const Image& picture, WholePixels size, bool draft = false) {
    std::optional<Image> scaled = ImageTools::scaledTo(picture, size.width, size.height);
    if (scaled && draft) scaled = ImageTools::draftOf(*scaled);
    if (!scaled) return {};
    const std::optional<RgbaPixels> pixels = ImageTools::rasterizeImage(*scaled);
    if (!pixels) return {};
    const QImage view(pixels->rgba.data(), pixels->width, pixels->height, pixels->width * 4,
                      QImage::Format_RGBA8888);
    return view.copy();
}

}  // namespace

PreviewController::PreviewController(std::optional<DisplayedImage>& currentImage,
                                     const WindowControls& controls,
                                     const ImageListController& list, const SettingsPanel& panel,
                                     QObject* parent)
    : QObject(parent), currentImage_(currentImage), c_(controls), list_(list), panel_(panel) {
    // A file replaced on disk (by a batch or another program) is read again once its writer
    // has settled; a replaced file drops out of the watch, and the reading watches it anew.
    selectedFileWatcher_ = new QFileSystemWatcher(this);
    auto* changed = new QTimer(this);
    changed->setSingleShot(true);
    changed->setInterval(200);
    connect(selectedFileWatcher_, &QFileSystemWatcher::fileChanged, changed,
            qOverload<>(&QTimer::start));
    connect(changed, &QTimer::timeout, this, &PreviewController::showSelectedImage);

    // The busy indicator keeps its place while hidden: were the view to grow and shrink with
    // it, every slow rendering would start another one for the changed view size.
    QSizePolicy indicatorPolicy = c_.progressIndicatorPreview->sizePolicy();
    indicatorPolicy.setRetainSizeWhenHidden(true);
    c_.progressIndicatorPreview->setSizePolicy(indicatorPolicy);

    renderer_ = new PreviewRenderer(this);
    connect(renderer_, &PreviewRenderer::busyChanged, c_.progressIndicatorPreview,
            &QWidget::setVisible);
    connect(renderer_, &PreviewRenderer::rendered, this, [this](const QImage& image) {
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(c_.imageViewPreview->devicePixelRatioF());
        c_.imageViewPreview->setPixmap(pixmap);
    });

    // A larger window deserves a larger preview: render again once the view has settled at
    // its new size, keeping the current picture until then.
    auto* settled = new QTimer(this);
    settled->setSingleShot(true);
    settled->setInterval(150);
    connect(settled, &QTimer::timeout, this,
            [this] { startPreview(PreviewStart::ForNewViewSize); });
    c_.imageViewPreview->installEventFilter(
        new ResizeWatcher([settled] { settled->start(); }, this));
}

void PreviewController::showSelectedImage() {
    const std::optional<std::string> path = list_.currentPath();
    watchSelectedFile(path);
    std::optional<Image> picture;
    if (path) picture = ImageTools::loadImage(*path);
    // A file that can no longer be read shows as no image.
    currentPicture_ = picture;
    if (picture) {
        // Read once per selection and again when the file changes: every settings change
        // redraws the labels, and some formats (BMP) must be read whole for their resolution.
        currentImage_ =
            DisplayedImage{static_cast<double>(picture->width()),
                           static_cast<double>(picture->height()), ImageTools::readDPI(*picture)};
    } else {
        currentImage_.reset();
        c_.imageViewPreview->clear();
    }
    updateDimensionDisplay();
}

void PreviewController::updateDimensionDisplay() {
    if (!currentImage_) currentPicture_.reset();
    std::optional<DisplayedImage> image = currentImage_;
    if (!image || !isPresent(*image) || !list_.currentPath()) image.reset();
    labels_ = dimensionLabels(image, panel_.readSettings(), labels_);
    outputSize_ = previewOutputSize(labels_.outputWidth, labels_.outputHeight);
    setLabel(c_.labelOriginalDimensionsWidth, labels_.originalWidth);
    setLabel(c_.labelOriginalDimensionsHeight, labels_.originalHeight);
    setLabel(c_.labelOriginalDPI, labels_.originalDPI);
    setLabel(c_.labelOutputDPI, labels_.outputDPI);
    setLabel(c_.labelOutputDimensionsWidth, labels_.outputWidth);
    setLabel(c_.labelOutputDimensionsHeight, labels_.outputHeight);
    describePreview();
    renderPreview();
}

void PreviewController::describePreview() {
    const std::optional<std::string> path = list_.currentPath();
    if (!currentImage_ || !path) {
        c_.imageViewPreview->setAccessibleDescription(uiText("No image selected"));
        return;
    }
    const QString name = QFileInfo(QString::fromStdString(*path)).fileName();
    c_.imageViewPreview->setAccessibleDescription(
        // TRANSLATORS: what a screen reader says of the preview: the file name, then the
        // output width and height.
        outputSize_ ? uiText("%1 at %2 by %3 pixels")
                          .arg(name)
                          .arg(outputSize_->width)
                          .arg(outputSize_->height)
                    // TRANSLATORS: %1 is the file name.
                    : uiText("%1, no preview at this output size").arg(name));
}

void PreviewController::renderPreview() { startPreview(PreviewStart::Afresh); }

void PreviewController::startPreview(PreviewStart how) {
    const qreal ratio = c_.imageViewPreview->devicePixelRatioF();
    const QSize view = c_.imageViewPreview->contentsRect().size();
    std::optional<PreviewRequest> request;
    if (outputSize_ && currentPicture_ && currentImage_) {
        if (const auto pixels = previewPixels(outputSize_->width, outputSize_->height,
                                              view.width() * ratio, view.height() * ratio)) {
            request = PreviewRequest{*currentPicture_, *pixels};
        }
    }
    // The same picture at the same size is already shown or on its way: an update that
    // changed nothing the preview depends on (the DPI, say) leaves it alone.
    if (request && request == previewRequested_) return;
    previewRequested_ = request;
    if (how == PreviewStart::Afresh || !request) c_.imageViewPreview->clear();
    if (!request) {
        // Nothing in flight may fill the preview after it was emptied.
        renderer_->clear();
        return;
    }
    // A HEIF file's own small picture decodes in a few milliseconds, the picture itself in
    // most of a second: the small one stands in until then.
    PreviewRenderer::Job draft;
    if (ImageTools::mayHaveDraft(request->picture)) {
        draft = [request = *request] {
            return renderScaled(request.picture, request.pixels, true);
        };
    }
    renderer_->start([request = *request] { return renderScaled(request.picture, request.pixels); },
                     std::move(draft));
}

void PreviewController::watchSelectedFile(const std::optional<std::string>& path) {
    const QStringList watched = selectedFileWatcher_->files();
    if (!watched.isEmpty()) selectedFileWatcher_->removePaths(watched);
    if (path) selectedFileWatcher_->addPath(QString::fromStdString(*path));
}

}  // namespace varnholt
