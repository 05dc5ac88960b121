// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ImageProcessor.h"

#include <filesystem>
#include <optional>
#include <string>

#include "settings/AsciiCase.h"

namespace varnholt {
namespace {

// The output's sub-folder under the output folder, made with its parents if missing; the
// system's reason in lower case when it cannot be.
std::optional<std::string> makeSubFolder(const PlannedImage& planned) {
    if (!planned.inSubFolder) return std::nullopt;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(planned.outputPath).parent_path(),
                                        error);
    if (!error) return std::nullopt;
    return asciiLowercase(error.message());
}

}  // namespace

std::variant<WholePixels, ImageFailure> plannedPixels(const PlannedImage& planned,
                                                      const Image& opened) {
    auto pixels = outputPixels(planned.size, opened.width(), opened.height());
    if (const auto* size = std::get_if<WholePixels>(&pixels)) {
        if (auto failure = ImageTools::checkOutputSize(size->width, size->height, planned.format))
            return std::move(*failure);
    }
    return pixels;
}

ImageOutcome processImage(const PlannedImage& planned) {
    // The picture comes upright, at its pixel size.
    auto loaded = ImageTools::openImage(planned.sourcePath);
    if (auto* failure = std::get_if<ImageFailure>(&loaded)) {
        return ImageOutcome::failed(std::move(*failure));
    }
    const Image working =
        ImageTools::normalizeToPixelSize(std::get<Image>(loaded), planned.sourcePath);

    // An unusable size writes nothing rather than a full-size copy under the resized name;
    // what the format cannot hold fails before an existing file could be touched.
    auto pixels = plannedPixels(planned, working);
    if (auto* failure = std::get_if<ImageFailure>(&pixels)) {
        return ImageOutcome::failed(std::move(*failure));
    }
    const WholePixels size = std::get<WholePixels>(pixels);

    if (planned.decision == OverwriteDecision::Skip)
        return ImageOutcome::skipped(planned.sameOutputAs.has_value());

    // What is kept is read before anything is written: the output may replace the source.
    std::optional<SourceMetadata> metadata;
    if (planned.keepMetadata) metadata = ImageTools::readSourceMetadata(working);

    auto resized = ImageTools::scaledTo(working, size.width, size.height);
    if (!resized) return ImageOutcome::failed({FailureKind::CannotResize, {}});

    // The resolution and the metadata ride on the one encode, so they only ever reach a
    // file whose write succeeded; kept metadata carries the resolution with it.
    const Image image = metadata ? ImageTools::mergeOutputDPI(*resized, *metadata, planned.dpi)
                                 : ImageTools::stampDPI(*resized, planned.dpi);

    if (auto reason = makeSubFolder(planned))
        return ImageOutcome::failed({FailureKind::CannotWrite, std::move(*reason)});
    // One atomic replace, so an existing file stays whole until the new one is.
    SaveResult saved =
        ImageTools::saveImage(image, planned.outputPath, planned.format, planned.quality);
    if (!saved.ok) return ImageOutcome::failed(std::move(saved.failure));

    if (metadata) ImageTools::copyMetadataAndDate(planned.outputPath, *metadata);
    // What the source read left out for its size comes first, then what the format dropped.
    std::optional<ImageNote> note = metadata ? metadata->sizeNote() : std::nullopt;
    if (note && saved.note) note->detail += "; " + saved.note->describe();
    return ImageOutcome::written(note ? std::move(note) : std::move(saved.note));
}

}  // namespace varnholt
