#include <sys/resource.h>
#include <sys/statvfs.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <new>

#include "imaging/AtomicFile.h"
#include "imaging/BmpCodec.h"
#include "imaging/ImageData.h"
#include "imaging/JpegCheck.h"
#include "imaging/MetadataCodec.h"
#include "imaging/PngChunks.h"

namespace varnholt {
namespace {

enum class Encoder { Jpeg, Jpeg2000, Png, Tiff, Gif, Bmp, Heif };

std::optional<Encoder> encoderFor(OutputFormat format) {
    switch (format) {
        case OutputFormat::JPG:
        case OutputFormat::JPEG:
        case OutputFormat::JPE:
            return Encoder::Jpeg;
        case OutputFormat::JP2:
        case OutputFormat::JPX:
            return Encoder::Jpeg2000;
        case OutputFormat::PNG:
            return Encoder::Png;
        case OutputFormat::TIFF:
        case OutputFormat::TIF:
            return Encoder::Tiff;
        case OutputFormat::GIF:
            return Encoder::Gif;
        case OutputFormat::BMP:
            return Encoder::Bmp;
        case OutputFormat::HEIF:
        case OutputFormat::HEIC:
            return Encoder::Heif;
        case OutputFormat::Original:
            return std::nullopt;
    }
    return std::nullopt;
}

// The largest side each encoder writes a readable file for: libheif refuses more than 16384
// and leaves an empty container, libjpeg stops at 65500; the rest share the batch's cap.
int longestSide(Encoder encoder) {
    switch (encoder) {
        case Encoder::Heif:
            return 16384;
        case Encoder::Jpeg:
            return 65500;
        default:
            return 65535;
    }
}

SourceFormat writtenFormat(Encoder encoder) {
    switch (encoder) {
        case Encoder::Jpeg:
            return SourceFormat::Jpeg;
        case Encoder::Jpeg2000:
            return SourceFormat::Jpeg2000;
        case Encoder::Png:
            return SourceFormat::Png;
        case Encoder::Tiff:
            return SourceFormat::Tiff;
        case Encoder::Gif:
            return SourceFormat::Gif;
        case Encoder::Bmp:
            return SourceFormat::Bmp;
        case Encoder::Heif:
            return SourceFormat::Heif;
    }
    return SourceFormat::Jpeg;
}

std::vector<std::uint8_t> takeBlob(VipsBlob* blob) {
    size_t length = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(vips_blob_get(blob, &length));
    std::vector<std::uint8_t> out(bytes, bytes + length);
    vips_area_unref(VIPS_AREA(blob));
    return out;
}

// Removes every metadata item the loader attached: libvips would otherwise write the
// source's EXIF (rebuilt from its exif-* items), XMP, IPTC and thumbnail.
vips::VImage withoutMetadata(const vips::VImage& in) {
    vips::VImage out = in.copy();
    gchar** fields = vips_image_get_fields(out.get_image());
    for (gchar** field = fields; *field; ++field) out.remove(*field);
    g_strfreev(fields);
    return out;
}

// libvips writes its EXIF from the exif-* items, so the EXIF it should write for HEIF
// comes in as the items of a 1 x 1 JPEG that carries it; what that JPEG cannot take is left out.
LeftOut attachLibvipsMetadata(vips::VImage& image, const OutputMetadata& metadata) {
    auto carrierBytes =
        takeBlob(vips::VImage::black(1, 1).cast(VIPS_FORMAT_UCHAR).jpegsave_buffer());
    const LeftOut left = embedMetadata(carrierBytes, metadata);
    if (left.exif) return left;
    VipsBlob* blob = vips_blob_copy(carrierBytes.data(), carrierBytes.size());
    const vips::VImage carrier = vips::VImage::jpegload_buffer(blob);
    vips_area_unref(VIPS_AREA(blob));
    gchar** fields = vips_image_get_fields(carrier.get_image());
    for (gchar** field = fields; *field; ++field) {
        const std::string name = *field;
        if (name.rfind("exif-", 0) != 0 && name != VIPS_META_XMP_NAME) continue;
        GValue value = G_VALUE_INIT;
        if (vips_image_get(carrier.get_image(), name.c_str(), &value) == 0) {
            vips_image_set(image.get_image(), name.c_str(), &value);
            g_value_unset(&value);
        }
    }
    g_strfreev(fields);
    return left;
}

vips::VImage pixelsForEncode(const Image& image, Encoder encoder,
                             const std::optional<OutputMetadata>& metadata, VipsFailOn failOn,
                             LeftOut& left) {
    const ImageData& data = image.data();
    vips::VImage pixels = buildPixels(data, failOn);
    if ((encoder == Encoder::Jpeg || encoder == Encoder::Bmp) && pixels.has_alpha()) {
        // These formats hold no alpha; libvips would flatten onto black.
        pixels = pixels.flatten(
            vips::VImage::option()->set("background", std::vector<double>{255, 255, 255}));
    }
    // libvips writes the EXIF resolution of JPEG and HEIF in thousandths truncated from
    // xres * 25.4 (1 DPI became 999/1000); half a thousandth more makes them exact.
    const bool exifByLibvips = encoder == Encoder::Jpeg || encoder == Encoder::Heif;
    const double pixelsPerMm =
        (static_cast<double>(data.dpi) + (exifByLibvips ? 0.0005 : 0.0)) / 25.4;
    pixels = withoutMetadata(
        pixels.copy(vips::VImage::option()->set("xres", pixelsPerMm)->set("yres", pixelsPerMm)));
    if (exifByLibvips) {
        // libvips builds a small EXIF block for these; it should say sRGB, not uncalibrated.
        pixels.set("exif-ifd2-ColorSpace", "1 (sRGB, Short, 1 components, 2 bytes)");
    }
    if (encoder == Encoder::Heif) {
        pixels.set(VIPS_META_ORIENTATION, static_cast<int>(kWrittenOrientation));
        if (metadata) left = attachLibvipsMetadata(pixels, *metadata);
    }
    return pixels;
}

std::vector<std::uint8_t> encode(const vips::VImage& pixels, Encoder encoder, double quality) {
    using vips::VImage;
    switch (encoder) {
        case Encoder::Jpeg: {
            const int q = std::clamp(static_cast<int>(std::lround(100 * quality)), 1, 100);
            return takeBlob(pixels.jpegsave_buffer(VImage::option()->set("Q", q)));
        }
        case Encoder::Jpeg2000: {
            auto* options = VImage::option();
            if (quality >= 1) {
                options->set("lossless", true);
            } else {
                options->set("Q", std::clamp(static_cast<int>(std::lround(100 * quality)), 1, 100));
            }
            return takeBlob(pixels.jp2ksave_buffer(options));
        }
        case Encoder::Png:
            return takeBlob(pixels.pngsave_buffer());
        case Encoder::Tiff:
            return takeBlob(pixels.tiffsave_buffer(
                VImage::option()->set("resunit", VIPS_FOREIGN_TIFF_RESUNIT_INCH)));
        case Encoder::Gif:
            // The default effort: lower ones cost a fifth more error, higher ones more time.
            return takeBlob(pixels.gifsave_buffer());
        case Encoder::Bmp:
            return encodeBmp(pixels);
        case Encoder::Heif:
            return takeBlob(
                pixels.heifsave_buffer(VImage::option()
                                           ->set("compression", VIPS_FOREIGN_HEIF_COMPRESSION_HEVC)
                                           ->set("bitdepth", 8)));
    }
    return {};
}

// The encoders whose output needs no change after the encode write straight into the file,
// so the output is never held in memory as a whole.
bool encodesIntoFile(Encoder encoder, bool withMetadata) {
    switch (encoder) {
        case Encoder::Gif:
        case Encoder::Heif:
            return true;
        case Encoder::Jpeg:
        case Encoder::Png:
        case Encoder::Tiff:
            return !withMetadata;
        case Encoder::Jpeg2000:
        case Encoder::Bmp:
            return false;
    }
    return false;
}

void encodeInto(const vips::VImage& pixels, Encoder encoder, double quality, int descriptor) {
    using vips::VImage;
    const vips::VTarget target = vips::VTarget::new_to_descriptor(descriptor);
    switch (encoder) {
        case Encoder::Jpeg:
            pixels.jpegsave_target(
                target, VImage::option()->set(
                            "Q", std::clamp(static_cast<int>(std::lround(100 * quality)), 1, 100)));
            return;
        case Encoder::Png:
            pixels.pngsave_target(target);
            return;
        case Encoder::Tiff:
            pixels.tiffsave_target(
                target, VImage::option()->set("resunit", VIPS_FOREIGN_TIFF_RESUNIT_INCH));
            return;
        case Encoder::Gif:
            pixels.gifsave_target(target);  // the default effort, as above
            return;
        case Encoder::Heif:
            pixels.heifsave_target(target,
                                   VImage::option()
                                       ->set("compression", VIPS_FOREIGN_HEIF_COMPRESSION_HEVC)
                                       ->set("bitdepth", 8));
            return;
        case Encoder::Jpeg2000:
        case Encoder::Bmp:
            break;
    }
    throw vips::VError("no streaming encoder");
}

// What the container needs after the encode: the resolution fields libvips does not write
// and the metadata of the formats whose libvips saver cannot carry it.
bool finishContainer(std::vector<std::uint8_t>& bytes, Encoder encoder, std::int64_t dpi,
                     const std::optional<OutputMetadata>& metadata, LeftOut& left) {
    switch (encoder) {
        case Encoder::Jpeg:
        case Encoder::Tiff:
            if (metadata) left = embedMetadata(bytes, *metadata);
            return true;
        case Encoder::Jpeg2000:
            if (metadata) left = embedMetadata(bytes, *metadata);
            return insertJp2Resolution(bytes, dpi);
        case Encoder::Png:
            if (metadata) {
                std::vector<std::uint8_t> chunks = pngExifChunk(exifBlock(metadata->exif));
                if (!metadata->xmpPacket.empty()) {
                    const auto xmp = pngXmpChunk(metadata->xmpPacket);
                    chunks.insert(chunks.end(), xmp.begin(), xmp.end());
                }
                return insertPngChunks(bytes, chunks);
            }
            return true;
        case Encoder::Bmp:
            return setBmpResolution(bytes, dpi);
        case Encoder::Gif:
        case Encoder::Heif:
            return true;
    }
    return false;
}

const char* containerName(Encoder encoder) {
    switch (encoder) {
        case Encoder::Jpeg:
            return "JPEG";
        case Encoder::Jpeg2000:
            return "JPEG 2000";
        case Encoder::Png:
            return "PNG";
        case Encoder::Tiff:
            return "TIFF";
        case Encoder::Gif:
            return "GIF";
        case Encoder::Bmp:
            return "BMP";
        case Encoder::Heif:
            return "HEIF";
    }
    return "";
}

std::optional<OutputMetadata> outputMetadataOf(const Image& image) {
    const ImageData& data = image.data();
    if (!data.metadata) return std::nullopt;
    return describeOutput(*data.metadata, data.dpi, image.width(), image.height());
}

SaveResult failed(const ImageFailure& failure) { return {false, failure, {}}; }

// Bytes of memory per output pixel, beyond the streaming pipeline, for the encoders that
// hold the whole picture (measured: a 24 MP HEIC takes 456 MB) or the whole encoded file.
std::int64_t bytesPerPixel(Encoder encoder, bool intoFile) {
    switch (encoder) {
        case Encoder::Heif:
            return 20;
        case Encoder::Gif:
            return 8;
        default:
            return intoFile ? 0 : 4;
    }
}

// What this process may still allocate: the address space left under its limit and the
// memory the system says is available, whichever is smaller.
std::int64_t memoryLeft() {
    std::int64_t left = INT64_MAX;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        std::ifstream status("/proc/self/statm");
        std::int64_t pages = 0;
        status >> pages;
        left = static_cast<std::int64_t>(limit.rlim_cur) - pages * sysconf(_SC_PAGESIZE);
    }
    std::ifstream info("/proc/meminfo");
    for (std::string line; std::getline(info, line);) {
        long long kib = 0;
        if (std::sscanf(line.c_str(), "MemAvailable: %lld kB", &kib) == 1) {
            left = std::min<std::int64_t>(left, kib * 1024);
            break;
        }
    }
    return left;
}

std::optional<ImageFailure> memoryFailure(const Image& image, Encoder encoder, bool intoFile) {
    const std::int64_t pixels = static_cast<std::int64_t>(image.width()) * image.height();
    const std::int64_t need = pixels * bytesPerPixel(encoder, intoFile);
    if (need > 0 && need > memoryLeft()) return ImageFailure{FailureKind::NotEnoughMemory, {}};
    return std::nullopt;
}

// After a failed encode: whether the source's decoder finds its data damaged.
enum class SourceState { Clean, StrayBytesOnly, Damaged };

SourceState checkSource(const ImageData& data) {
    const auto file = SourceFile::open(data.path);
    if (!file) return SourceState::Damaged;
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

// The written file reads back as the planned format and size.
bool readsBack(int descriptor, Encoder encoder, int width, int height) {
    const auto written = SourceFile::reopen(descriptor);
    if (!written || written->format() != writtenFormat(encoder)) return false;
    try {
        const auto header = written->loadHeader(VIPS_FAIL_ON_NONE);
        return header.width() == width && vips_image_get_page_height(header.get_image()) == height;
    } catch (const vips::VError&) {
        clearVipsError();
        return false;
    }
}

// Encodes into file; false when the container could not be finished (metadata, resolution).
bool encodeOnce(const Image& image, Encoder encoder, double quality, VipsFailOn failOn,
                const std::optional<OutputMetadata>& metadata, AtomicFile& file,
                ImageFailure& failure, LeftOut& left) {
    left = {};
    const vips::VImage pixels = pixelsForEncode(image, encoder, metadata, failOn, left);
    if (encodesIntoFile(encoder, metadata.has_value())) {
        encodeInto(pixels, encoder, quality, file.descriptor());
        return true;
    }
    auto bytes = encode(pixels, encoder, quality);
    if (bytes.empty() || !finishContainer(bytes, encoder, image.data().dpi, metadata, left)) {
        failure = {FailureKind::CannotWrite, "encode failed"};
        return false;
    }
    return file.write(bytes, failure);
}

// No space left shows up as a failed encode when libvips writes the file itself.
ImageFailure encodeFailure(int descriptor) {
    struct statvfs space {};
    if (fstatvfs(descriptor, &space) == 0 && space.f_bavail == 0) return writeFailure(ENOSPC);
    return {FailureKind::CannotWrite, "encode failed"};
}

SaveResult saveEncoded(const Image& image, const std::string& outputPath, Encoder encoder,
                       double quality) {
    const auto metadata = outputMetadataOf(image);
    if (const auto failure =
            memoryFailure(image, encoder, encodesIntoFile(encoder, metadata.has_value()))) {
        return failed(*failure);
    }
    ImageFailure failure;
    auto file = AtomicFile::create(outputPath, failure);
    if (!file) return failed(failure);
    VipsFailOn failOn = VIPS_FAIL_ON_WARNING;
    LeftOut left;
    while (true) {
        try {
            if (!encodeOnce(image, encoder, quality, failOn, metadata, *file, failure, left)) {
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
        return failed(encodeFailure(file->descriptor()));
    }
    if (!readsBack(file->descriptor(), encoder, image.width(), image.height())) {
        return failed({FailureKind::CannotWrite, "the new file does not read back"});
    }
    SaveResult result = file->commit();
    if (result.ok) result.note = leftOutNote(left, containerName(encoder));
    return result;
}

}  // namespace

std::optional<ImageFailure> ImageTools::checkOutputSize(std::int64_t width, std::int64_t height,
                                                        OutputFormat format) {
    const auto encoder = encoderFor(format);
    if (!encoder) return std::nullopt;
    const int side = longestSide(*encoder);
    if (width > side || height > side) {
        return ImageFailure{FailureKind::SizeTooLarge, std::string(formatTitle(format)) +
                                                           " (at most " + std::to_string(side) +
                                                           " pixels a side)"};
    }
    // The output is held to the input's cap: the encoders' memory grows with the area.
    if (width * height > kMaxInputPixels) return ImageFailure{FailureKind::TooManyPixels, {}};
    return std::nullopt;
}

SaveResult ImageTools::saveImage(const Image& image, const std::string& outputPath,
                                 OutputFormat format, double quality) {
    const auto encoder = encoderFor(format);
    if (!encoder) return failed({FailureKind::CannotWrite, "no output format"});
    if (const auto failure = checkOutputSize(image.width(), image.height(), format)) {
        return failed(*failure);
    }
    if (*encoder == Encoder::Heif) return saveHEIF(image, outputPath);
    return saveEncoded(image, outputPath, *encoder, quality);
}

SaveResult ImageTools::saveHEIF(const Image& image, const std::string& outputPath) {
    if (const auto failure = checkOutputSize(image.width(), image.height(), OutputFormat::HEIC)) {
        return failed(*failure);
    }
    return saveEncoded(image, outputPath, Encoder::Heif, 1.0);
}

void ImageTools::removeLeftoverFiles(const std::string& folder) { removeLeftovers(folder); }

std::optional<std::vector<std::uint8_t>> ImageTools::convertToHEIC(const Image& image) {
    if (checkOutputSize(image.width(), image.height(), OutputFormat::HEIC)) return std::nullopt;
    try {
        const auto metadata = outputMetadataOf(image);
        LeftOut left;
        auto bytes =
            encode(pixelsForEncode(image, Encoder::Heif, metadata, VIPS_FAIL_ON_WARNING, left),
                   Encoder::Heif, 1.0);
        if (bytes.empty()) return std::nullopt;
        return bytes;
    } catch (const std::exception&) {
        clearVipsError();
        return std::nullopt;
    }
}

}  // namespace varnholt
