#include <cmath>

#include "imaging/AtomicFile.h"
#include "imaging/ImageData.h"
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
                             const std::optional<OutputMetadata>& metadata, LeftOut& left) {
    const ImageData& data = image.data();
    vips::VImage pixels = buildPixels(data);
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
            return takeBlob(pixels.magicksave_buffer(VImage::option()->set("format", "bmp")));
        case Encoder::Heif:
            return takeBlob(
                pixels.heifsave_buffer(VImage::option()
                                           ->set("compression", VIPS_FOREIGN_HEIF_COMPRESSION_HEVC)
                                           ->set("bitdepth", 8)));
    }
    return {};
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

// The pixels are decoded during the encode, so a broken source shows up here; its error
// names the decoder rather than the saver.
std::string failureReason(std::string_view vipsMessage) {
    for (const std::string_view mark : {"load", "VipsJpeg", "Corrupt", "premature", "truncated",
                                        "error in tile", "read error", "seek", "TIFFRead"}) {
        if (vipsMessage.find(mark) != std::string_view::npos) return "cannot read image";
    }
    return "encode failed";
}

struct Encoded {
    std::vector<std::uint8_t> bytes;
    std::string note;  // what of the kept metadata the container could not take
};

std::optional<Encoded> encodeImage(const Image& image, Encoder encoder, double quality,
                                   std::string& failure) {
    failure = "encode failed";
    try {
        const auto metadata = outputMetadataOf(image);
        LeftOut left;
        Encoded out;
        out.bytes = encode(pixelsForEncode(image, encoder, metadata, left), encoder, quality);
        if (out.bytes.empty() ||
            !finishContainer(out.bytes, encoder, image.data().dpi, metadata, left)) {
            return std::nullopt;
        }
        out.note = leftOutNote(left, containerName(encoder));
        return out;
    } catch (const vips::VError& error) {
        failure = failureReason(error.what());
        clearVipsError();
        return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

SaveResult writeEncoded(const std::optional<Encoded>& encoded, const std::string& failure,
                        const std::string& outputPath) {
    if (!encoded) return {false, failure, {}};
    SaveResult result = writeFileAtomically(outputPath, encoded->bytes);
    if (result.ok) result.note = encoded->note;
    return result;
}

}  // namespace

SaveResult ImageTools::saveImage(const Image& image, const std::string& outputPath,
                                 OutputFormat format, double quality) {
    const auto encoder = encoderFor(format);
    if (!encoder) return {false, "no output format"};
    if (*encoder == Encoder::Heif) return saveHEIF(image, outputPath);
    std::string failure;
    const auto encoded = encodeImage(image, *encoder, quality, failure);
    return writeEncoded(encoded, failure, outputPath);
}

SaveResult ImageTools::saveHEIF(const Image& image, const std::string& outputPath) {
    std::string failure;
    const auto encoded = encodeImage(image, Encoder::Heif, 1.0, failure);
    return writeEncoded(encoded, failure, outputPath);
}

std::optional<std::vector<std::uint8_t>> ImageTools::convertToHEIC(const Image& image) {
    std::string failure;
    auto encoded = encodeImage(image, Encoder::Heif, 1.0, failure);
    if (!encoded) return std::nullopt;
    return std::move(encoded->bytes);
}

}  // namespace varnholt
