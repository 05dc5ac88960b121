// The selection seen by the preview, the six dimension labels and the preview step.

#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <functional>

#include "imaging/ImageTools.h"
#include "settings/PreviewSize.h"
#include "window/PreviewRenderer.h"
#include "window/ViewController.h"

namespace varnholt {
namespace {

void setLabel(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
}

std::string labelText(const QLabel* label) { return label->text().toStdString(); }

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
QImage renderScaled(const Image& picture, PreviewPixels size) {
    const std::optional<Image> scaled = ImageTools::drawScaled(picture, size.width, size.height);
    if (!scaled) return {};
    const std::optional<RgbaPixels> pixels = ImageTools::rasterizeImage(*scaled);
    if (!pixels) return {};
    const QImage view(pixels->rgba.data(), pixels->width, pixels->height, pixels->width * 4,
                      QImage::Format_RGBA8888);
    return view.copy();
}

}  // namespace

void ViewController::showSelectedImage() {
    const int row = selectedRow();
    selectedPath_.reset();
    if (row >= 0 && static_cast<std::size_t>(row) < listImagePaths.size()) {
        selectedPath_ = listImagePaths[static_cast<std::size_t>(row)];
    }
    watchSelectedFile();
    std::optional<Image> picture;
    if (selectedPath_) {
        if (const auto loaded = ImageTools::loadImage(*selectedPath_)) {
            picture = ImageTools::normalizeToPixelSize(*loaded, *selectedPath_);
        }
    }
    // A file that can no longer be read shows as no selection.
    currentPicture_ = picture;
    if (picture) {
        // Read once per selection and again when the file changes: every settings change
        // redraws the labels, and some formats (BMP) must be read whole for their resolution.
        currentImage = DisplayedImage{static_cast<double>(picture->width()),
                                      static_cast<double>(picture->height()),
                                      ImageTools::readDPI(*selectedPath_)};
    } else {
        currentImage.reset();
        imageViewPreview->clear();
    }
    updateDimensionDisplay();
}

void ViewController::updateDimensionDisplay() {
    if (!currentImage) currentPicture_.reset();
    std::optional<DisplayedImage> image = currentImage;
    const int row = selectedRow();
    const bool rowValid = row >= 0 && static_cast<std::size_t>(row) < listImagePaths.size();
    if (!image || !isPresent(*image) || !rowValid) image.reset();
    const DimensionLabels previous{labelText(labelOriginalDimensionsWidth),
                                   labelText(labelOriginalDimensionsHeight),
                                   labelText(labelOriginalDPI),
                                   labelText(labelOutputDPI),
                                   labelText(labelOutputDimensionsWidth),
                                   labelText(labelOutputDimensionsHeight)};
    const DimensionLabels labels = dimensionLabels(image, readSettings(), previous);
    setLabel(labelOriginalDimensionsWidth, labels.originalWidth);
    setLabel(labelOriginalDimensionsHeight, labels.originalHeight);
    setLabel(labelOriginalDPI, labels.originalDPI);
    setLabel(labelOutputDPI, labels.outputDPI);
    setLabel(labelOutputDimensionsWidth, labels.outputWidth);
    setLabel(labelOutputDimensionsHeight, labels.outputHeight);
    describePreview();
    renderPreview();
}

void ViewController::describePreview() {
    const int row = selectedRow();
    if (!currentImage || row < 0 || static_cast<std::size_t>(row) >= listImagePaths.size()) {
        imageViewPreview->setAccessibleDescription(QStringLiteral("No image selected"));
        return;
    }
    const QString name =
        QFileInfo(QString::fromStdString(listImagePaths[static_cast<std::size_t>(row)])).fileName();
    const auto output = previewOutputSize(labelText(labelOutputDimensionsWidth),
                                          labelText(labelOutputDimensionsHeight));
    imageViewPreview->setAccessibleDescription(
        output ? QStringLiteral("%1 at %2 by %3 pixels")
                     .arg(name)
                     .arg(output->width)
                     .arg(output->height)
               : QStringLiteral("%1, no preview at this output size").arg(name));
}

void ViewController::renderPreview() { startPreview(PreviewStart::Afresh); }

void ViewController::startPreview(PreviewStart how) {
    const auto output = previewOutputSize(labelText(labelOutputDimensionsWidth),
                                          labelText(labelOutputDimensionsHeight));
    const qreal ratio = imageViewPreview->devicePixelRatioF();
    const QSize view = imageViewPreview->contentsRect().size();
    std::optional<PreviewRequest> request;
    if (output && currentPicture_ && currentImage) {
        if (const auto pixels = previewPixels(output->width, output->height, view.width() * ratio,
                                              view.height() * ratio)) {
            request = PreviewRequest{*currentPicture_, *pixels};
        }
    }
    // The same picture at the same size is already shown or on its way: an update that
    // changed nothing the preview depends on (the DPI, say) leaves it alone.
    if (request && request == previewRequested_) return;
    previewRequested_ = request;
    if (how == PreviewStart::Afresh || !request) imageViewPreview->clear();
    if (!request) {
        // Nothing in flight may fill the preview after it was emptied.
        previewRenderer_->clear();
        return;
    }
    previewRenderer_->start(
        [request = *request] { return renderScaled(request.picture, request.pixels); });
}

void ViewController::watchSelectedFile() {
    const QStringList watched = selectedFileWatcher_->files();
    if (!watched.isEmpty()) selectedFileWatcher_->removePaths(watched);
    if (selectedPath_) selectedFileWatcher_->addPath(QString::fromStdString(*selectedPath_));
}

void ViewController::connectPreview() {
    // A file replaced on disk (by a batch or another program) is read again once its writer
    // has settled; a replaced file drops out of the watch, and the reading watches it anew.
    selectedFileWatcher_ = new QFileSystemWatcher(this);
    auto* changed = new QTimer(this);
    changed->setSingleShot(true);
    changed->setInterval(200);
    connect(selectedFileWatcher_, &QFileSystemWatcher::fileChanged, changed,
            qOverload<>(&QTimer::start));
    connect(changed, &QTimer::timeout, this, &ViewController::showSelectedImage);

    // The busy indicator keeps its place while hidden: were the view to grow and shrink with
    // it, every slow rendering would start another one for the changed view size.
    QSizePolicy indicatorPolicy = progressIndicatorPreview->sizePolicy();
    indicatorPolicy.setRetainSizeWhenHidden(true);
    progressIndicatorPreview->setSizePolicy(indicatorPolicy);

    previewRenderer_ = new PreviewRenderer(this);
    connect(previewRenderer_, &PreviewRenderer::busyChanged, this,
            [this](bool busy) { progressIndicatorPreview->setVisible(busy); });
    connect(previewRenderer_, &PreviewRenderer::rendered, this, [this](const QImage& image) {
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(imageViewPreview->devicePixelRatioF());
        imageViewPreview->setPixmap(pixmap);
    });

    // A larger window deserves a larger preview: render again once the view has settled at
    // its new size, keeping the current picture until then.
    auto* settled = new QTimer(this);
    settled->setSingleShot(true);
    settled->setInterval(150);
    connect(settled, &QTimer::timeout, this,
            [this] { startPreview(PreviewStart::ForNewViewSize); });
    imageViewPreview->installEventFilter(new ResizeWatcher([settled] { settled->start(); }, this));
}

}  // namespace varnholt
