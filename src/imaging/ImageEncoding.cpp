// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <new>

#include "imaging/AtomicFile.h"
#include "imaging/BmpCodec.h"
#include "imaging/ImageData.h"
#include "imaging/JpegCheck.h"
#include "imaging/MemoryLeft.h"
#include "imaging/MetadataCodec.h"
#include "imaging/Savers.h"
#include "settings/Translation.h"

namespace varnholt {
namespace {

// The kept metadata, as far as the format holds it.
std::optional<OutputMetadata> outputMetadataOf(const Image& image, const FormatRow& row) {
    const ImageData& data = image.data();
    if (!data.metadata || row.metadata == 0) return std::nullopt;
    auto metadata = describeOutput(*data.metadata, data.dpi, image.width(), image.height());
    if (!(row.metadata & kXmp)) metadata.xmpPacket.clear();
    if (!(row.metadata & kIptc)) metadata.iptc.clear();
    // TIFF holds its EXIF in its own directories, without the block's bound.
    if (row.encoder != EncoderKind::Tiff) {
        metadata.droppedEntries = removeEntriesTheBlockCannotTake(metadata.exif);
    }
    return metadata;
}

SaveResult failed(const ImageFailure& failure) { return {false, failure, {}}; }

// The EXIF an encoder of its own writes: the kept one, or one that states the resolution.
EncodeExtras extrasFor(const Saver& saver, std::int64_t dpi,
                       const std::optional<OutputMetadata>& metadata) {
    if (saver.metadata != MetadataRoute::Encoder) return {};
    if (metadata) return {exifBlock(metadata->exif), metadata->xmpPacket};
    Exiv2::ExifData exif;
    setOutputResolution(exif, dpi);
    exif["Exif.Photo.ColorSpace"] = std::uint16_t{1};  // sRGB
    return {exifBlock(exif), {}};
}

// The encoder's memory and, unless it writes straight into the file, the finished file's.
std::optional<ImageFailure> memoryFailure(const Image& image, const Saver& saver, bool intoFile) {
    const std::int64_t pixels = static_cast<std::int64_t>(image.width()) * image.height();
    const std::int64_t perPixel =
        saver.encoderBytesPerPixel + (intoFile ? 0 : saver.fileInMemoryBytesPerPixel);
    std::int64_t need = pixels * perPixel;
    // A BMP source is decoded whole before the pipeline starts.
    const SourceFile& source = image.data().source->file;
    if (source.format() == SourceFormat::Bmp) need += bmpDecodeBytes(source);
    if (need > memoryLeft()) return ImageFailure{FailureKind::NotEnoughMemory, {}};
    return std::nullopt;
}

// After a failed encode: whether the source's decoder finds its data damaged. Asked before the
// output is blamed, so that a damaged source is reported alike whatever failed first.
enum class SourceState { Clean, StrayBytesOnly, Damaged };

SourceState checkSource(const ImageData& data) {
    const SourceFile* file = &data.source->file;
    if (file->format() == SourceFormat::Jpeg) {
        switch (checkJpegData(file->descriptor())) {
            case JpegDamage::None:
                return SourceState::Clean;
            case JpegDamage::StrayBytesOnly:
                return SourceState::StrayBytesOnly;
            case JpegDamage::Damaged:
                return SourceState::Damaged;
        }
    }
    try {
        file->loadHeader(VIPS_FAIL_ON_WARNING).avg();
        return SourceState::Clean;
    } catch (const vips::VError&) {
        clearVipsError();
        return SourceState::Damaged;
    }
}

// libvips fails a JPEG decode on the warnings it has seen before each strip it reads, so damage
// met in the last strips of a decode shrunk on load (which libvips chooses where the picture
// shrinks 4 times or more) ends as a warning only. Such a decode's source is checked once more.
std::optional<ImageFailure> damageMissedOnShrink(const ImageData& data) {
    const SourceFile& file = data.source->file;
    if (file.format() != SourceFormat::Jpeg || !data.scaled) return std::nullopt;
    const vips::VImage& header = data.source->header;
    const std::int64_t source = static_cast<std::int64_t>(header.width()) * header.height();
    const std::int64_t output = static_cast<std::int64_t>(data.uprightWidth) * data.uprightHeight;
    // Shrink on load needs 4 times on both sides: 16 times the area, 8 with a margin.
    if (source < 8 * output) return std::nullopt;
    if (checkJpegData(file.descriptor()) != JpegDamage::Damaged) return std::nullopt;
    return ImageFailure{FailureKind::DamagedData, {}};
}

// The written file reads back as the planned format and size.
bool readsBack(int descriptor, const Saver& saver, int width, int height) {
    const auto written = SourceFile::reopen(descriptor);
    if (!written || written->format() != saver.written) return false;
    try {
        const auto header = written->loadHeader(VIPS_FAIL_ON_NONE);
        return header.width() == width && vips_image_get_page_height(header.get_image()) == height;
    } catch (const vips::VError&) {
        clearVipsError();
        return false;
    }
}

// Encodes into file; false when the container could not be finished (metadata, resolution).
// Throws vips::VError, with writeError set when a write into the file failed.
bool encodeOnce(const Image& image, const FormatRow& row, double quality, VipsFailOn failOn,
                const std::optional<OutputMetadata>& metadata, AtomicFile& file,
                ImageFailure& failure, LeftOut& left, int& writeError) {
    left = {};
    const Saver& saver = saverFor(row.encoder);
    const std::int64_t dpi = image.data().dpi;
    const vips::VImage pixels =
        pixelsForEncode(buildPixels(image.data(), failOn), row, saver, dpi, metadata, left);
    if (encodesIntoFile(saver, metadata.has_value())) {
        encodeToFile(pixels, saver, quality, file.descriptor(), writeError);
        return true;
    }
    auto bytes = encodeToMemory(pixels, saver, quality, extrasFor(saver, dpi, metadata));
    if (bytes.empty() || !finishContainer(bytes, saver, dpi, metadata, left)) {
        failure = {FailureKind::CannotWrite, _("encode failed")};
        return false;
    }
    return file.write(bytes, failure);
}

SaveResult saveEncoded(const Image& image, const std::string& outputPath, const FormatRow& row,
                       double quality) {
    const Saver& saver = saverFor(row.encoder);
    const auto metadata = outputMetadataOf(image, row);
    if (const auto failure =
            memoryFailure(image, saver, encodesIntoFile(saver, metadata.has_value()))) {
        return failed(*failure);
    }
    ImageFailure failure;
    auto file = AtomicFile::create(outputPath, failure);
    if (!file) return failed(failure);
    VipsFailOn failOn = VIPS_FAIL_ON_WARNING;
    LeftOut left;
    while (true) {
        int writeError = 0;
        try {
            if (!encodeOnce(image, row, quality, failOn, metadata, *file, failure, left,
                            writeError)) {
                return failed(failure);
            }
            break;
        } catch (const vips::VError&) {
            clearVipsError();
        } catch (const std::bad_alloc&) {
            return failed({FailureKind::NotEnoughMemory, {}});
        }
        // The decode runs inside the encode, so ask the source whether it was to blame.
        const SourceState source = checkSource(image.data());
        if (source == SourceState::StrayBytesOnly && failOn == VIPS_FAIL_ON_WARNING &&
            file->reset()) {
            failOn = VIPS_FAIL_ON_TRUNCATED;
            continue;
        }
        if (source != SourceState::Clean) return failed({FailureKind::DamagedData, {}});
        if (writeError != 0) return failed(writeFailure(writeError));
        return failed({FailureKind::CannotWrite, _("encode failed")});
    }
    if (const auto damage = damageMissedOnShrink(image.data())) return failed(*damage);
    if (!readsBack(file->descriptor(), saver, image.width(), image.height())) {
        return failed({FailureKind::CannotWrite, _("the new file does not read back")});
    }
    SaveResult result = file->commit();
    if (!result.ok) return result;
    result.note = leftOutNote(left, saver.container);
    if (metadata && !metadata->droppedEntries.empty()) {
        std::string entries = "EXIF";
        for (const auto& name : metadata->droppedEntries) entries += " " + name;
        entries += " too large";
        if (!result.note) result.note = ImageNote{NoteKind::MetadataNotKept, {}};
        result.note->detail += (result.note->detail.empty() ? "" : "; ") + entries;
    }
    return result;
}

}  // namespace

std::optional<ImageFailure> ImageTools::checkOutputSize(std::int64_t width, std::int64_t height,
                                                        OutputFormat format) {
    const FormatRow* row = formatRow(format);
    if (!row) return std::nullopt;
    if (auto limit = formatSizeLimit(*row, width, height)) {
        return ImageFailure{FailureKind::SizeTooLarge, std::move(*limit)};
    }
    // The output is held to the input's cap: the encoders' memory grows with the area.
    if (width * height > kMaxInputPixels) return ImageFailure{FailureKind::TooManyPixels, {}};
    return std::nullopt;
}

SaveResult ImageTools::saveImage(const Image& image, const std::string& outputPath,
                                 OutputFormat format, double quality) {
    const FormatRow* row = formatRow(format);
    if (!row) return failed({FailureKind::CannotWrite, _("no output format")});
    if (const auto failure = checkOutputSize(image.width(), image.height(), format)) {
        return failed(*failure);
    }
    if (row->encoder == EncoderKind::Heif) return saveHEIF(image, outputPath);
    return saveEncoded(image, outputPath, *row, row->usesQuality ? quality : 1.0);
}

SaveResult ImageTools::saveHEIF(const Image& image, const std::string& outputPath) {
    if (const auto failure = checkOutputSize(image.width(), image.height(), OutputFormat::HEIC)) {
        return failed(*failure);
    }
    return saveEncoded(image, outputPath, *formatRow(OutputFormat::HEIC), 1.0);
}

void ImageTools::removeLeftoverFiles(const std::string& folder) { removeLeftovers(folder); }

std::optional<std::vector<std::uint8_t>> ImageTools::convertToHEIC(const Image& image) {
    if (checkOutputSize(image.width(), image.height(), OutputFormat::HEIC)) return std::nullopt;
    try {
        const FormatRow& row = *formatRow(OutputFormat::HEIC);
        const Saver& saver = saverFor(row.encoder);
        LeftOut left;
        const auto metadata = outputMetadataOf(image, row);
        const std::int64_t dpi = image.data().dpi;
        const auto pixels = pixelsForEncode(buildPixels(image.data(), VIPS_FAIL_ON_WARNING), row,
                                            saver, dpi, metadata, left);
        auto bytes = encodeToMemory(pixels, saver, 1.0, extrasFor(saver, dpi, metadata));
        if (bytes.empty()) return std::nullopt;
        return bytes;
    } catch (const std::exception&) {
        clearVipsError();
        return std::nullopt;
    }
}

}  // namespace varnholt
