// The selection seen by the preview, the six dimension labels and the preview step.

#include <QEvent>
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
    std::optional<Image> picture;
    if (row >= 0 && static_cast<std::size_t>(row) < listImagePaths.size()) {
        const std::string& path = listImagePaths[static_cast<std::size_t>(row)];
        if (const auto loaded = ImageTools::loadImage(path)) {
            picture = ImageTools::normalizeToPixelSize(*loaded, path);
        }
    }
    // A file that can no longer be read shows as no selection.
    currentPicture_ = picture;
    if (picture) {
        // Read once per selection: every settings change redraws the labels, and some
        // formats (BMP) cannot tell their resolution without reading the whole file.
        const std::string& path = listImagePaths[static_cast<std::size_t>(row)];
        currentImage =
            DisplayedImage{static_cast<double>(picture->width()),
                           static_cast<double>(picture->height()), ImageTools::readDPI(path)};
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
    renderPreview();
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

void ViewController::connectPreview() {
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
