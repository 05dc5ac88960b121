#include "batch/ImageProcessor.h"

#include <cmath>

#include "batch/BatchOutputSize.h"
#include "batch/EncodingChoice.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

constexpr std::int64_t kDefaultDPI = 72;

ImageOutcome outcome(ImageStatus status, std::string reason = {}) {
    ImageOutcome result;
    result.status = status;
    result.reason = std::move(reason);
    return result;
}

// Why wholePixels refused the size.
std::string unusableSizeReason(const BatchOutputSize& size) {
    // An entry too large for a float ("1e39") arrives as infinity: too large as well.
    const auto tooLarge = [](double side) {
        return side >= static_cast<double>(kMaxOutputSide) + 1;
    };
    if (tooLarge(size.width) || tooLarge(size.height)) {
        return "size too large (at most " + std::to_string(kMaxOutputSide) + " pixels a side)";
    }
    const auto belowOne = [](double side) { return side > 0 && side < 1; };
    if (belowOne(size.width) || belowOne(size.height)) return "size below 1 pixel";
    return "size not above 0";
}

}  // namespace

ImageOutcome processImage(const ImageTask& task, const ResizeSettings& settings) {
    // The picture comes upright, at its pixel size.
    const auto loaded = ImageTools::openImage(task.sourcePath);
    if (const auto* failure = std::get_if<ImageFailure>(&loaded)) {
        return outcome(ImageStatus::Failed, failure->describe());
    }
    const Image working =
        ImageTools::normalizeToPixelSize(std::get<Image>(loaded), task.sourcePath);

    // An unusable size writes nothing rather than a full-size copy
    // under the resized name.
    const OutputFormat format = encodingFormat(task.sourcePath, settings);
    const BatchOutputSize size =
        computeBatchOutputSize(working.width(), working.height(), settings);
    const auto pixels = wholePixels(size);
    if (!pixels) return outcome(ImageStatus::Failed, unusableSizeReason(size));
    // What the format cannot hold fails before any work, and before an existing file could
    // be touched.
    if (const auto failure = ImageTools::checkOutputSize(pixels->width, pixels->height, format)) {
        return outcome(ImageStatus::Failed, failure->describe());
    }

    if (task.decision == OverwriteDecision::Skip) return outcome(ImageStatus::Skipped);

    // What is kept is read before anything is written: the output may replace the source.
    const bool keep = settings.keepExifInfoAndCreationDate;
    std::optional<SourceMetadata> metadata;
    if (keep) metadata = ImageTools::readSourceMetadata(task.sourcePath);

    auto resized = ImageTools::drawScaled(working, pixels->width, pixels->height);
    if (!resized) return outcome(ImageStatus::Failed, "cannot resize image");
    Image image = *resized;

    // The resolution and the metadata ride on the one encode, so they only ever reach a
    // file whose write succeeded.
    const std::int64_t dpi = dpiOverride(settings).value_or(kDefaultDPI);
    image = ImageTools::stampDPI(image, dpi);
    if (metadata) image = ImageTools::mergeOutputDPI(image, *metadata, dpi);

    // One atomic replace, so an existing file stays whole until the new one is.
    const SaveResult saved =
        ImageTools::saveImage(image, task.outputPath, format, encodingQuality(settings));
    if (!saved.ok) return outcome(ImageStatus::Failed, saved.reason);

    if (metadata) ImageTools::copyMetadataAndDate(task.outputPath, *metadata);
    ImageOutcome written = outcome(ImageStatus::Written);
    written.note = saved.note;
    if (metadata && !metadata->sizeNote().empty()) {
        written.note =
            saved.note.empty() ? metadata->sizeNote() : metadata->sizeNote() + "; " + saved.note;
    }
    return written;
}

}  // namespace varnholt
