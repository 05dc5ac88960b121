// The dimension display and the selection seen by the preview.

#include <QLabel>

#include "window/ViewController.h"

namespace varnholt {
namespace {

void setLabel(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
}

}  // namespace

void ViewController::updateDimensionDisplay() {
    // The display does not read images yet: it shows what it shows without one.
    const DimensionLabels labels = noImageLabels();
    setLabel(labelOriginalDimensionsWidth, labels.originalWidth);
    setLabel(labelOriginalDimensionsHeight, labels.originalHeight);
    setLabel(labelOriginalDPI, labels.originalDPI);
    setLabel(labelOutputDPI, labels.outputDPI);
    setLabel(labelOutputDimensionsWidth, labels.outputWidth);
    setLabel(labelOutputDimensionsHeight, labels.outputHeight);
}

void ViewController::showSelectedImage() {
    currentImage.reset();
    imageViewPreview->clear();
    updateDimensionDisplay();
}

}  // namespace varnholt
