// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/Savers.h"

#include <array>
#include <cmath>
#include <string>

#include "imaging/BmpCodec.h"
#include "imaging/PngChunks.h"
#include "imaging/Resolution.h"

namespace varnholt {
namespace {

int percent(double quality) {
    return std::clamp(static_cast<int>(std::lround(100 * quality)), 1, 100);
}

void noOptions(vips::VOption*, double) {}

void jpegOptions(vips::VOption* o, double quality) { o->set("Q", percent(quality)); }

void jpeg2000Options(vips::VOption* o, double quality) {
    if (quality >= 1) {
        o->set("lossless", true);
    } else {
        o->set("Q", percent(quality));
    }
}

void tiffOptions(vips::VOption* o, double) { o->set("resunit", VIPS_FOREIGN_TIFF_RESUNIT_INCH); }

// Efforts chosen by measurement (docs/performance.md): a 12 MP photo to 1920 px within a
// second, for little more size and error than the defaults.
void webpOptions(vips::VOption* o, double quality) { o->set("Q", percent(quality)); }

void avifOptions(vips::VOption* o, double quality) {
    o->set("compression", VIPS_FOREIGN_HEIF_COMPRESSION_AV1)
        ->set("bitdepth", 8)
        ->set("Q", percent(quality))
        ->set("effort", 2);
}

void jxlOptions(vips::VOption* o, double quality) {
    o->set("Q", percent(quality))->set("effort", 5);
}

std::vector<std::uint8_t> bmpEncode(const vips::VImage& pixels, const EncodeExtras&) {
    return encodeBmp(pixels);
}

using R = MetadataRoute;
using P = ResolutionPatch;

// GIF at its default effort: lower ones cost a fifth more error, higher ones more time.
// Memory per pixel, measured: a 24 MP HEIC took 456 MB; a 1920 x 1440 AVIF 75 MB and JPEG XL
// 116 MB above JPEG.
constexpr std::array<Saver, 10> kSavers{{
    {EncoderKind::Jpeg, SourceFormat::Jpeg, "JPEG", "jpegsave", nullptr, jpegOptions, true,
     R::AfterEncode, P::None, 4},
    {EncoderKind::Jpeg2000, SourceFormat::Jpeg2000, "JPEG 2000", "jp2ksave", nullptr,
     jpeg2000Options, false, R::AfterEncode, P::Jp2Box, 4},
    {EncoderKind::Png, SourceFormat::Png, "PNG", "pngsave", nullptr, noOptions, false, R::PngChunks,
     P::None, 4},
    {EncoderKind::Tiff, SourceFormat::Tiff, "TIFF", "tiffsave", nullptr, tiffOptions, false,
     R::AfterEncode, P::None, 4},
    {EncoderKind::Gif, SourceFormat::Gif, "GIF", "gifsave", nullptr, noOptions, false, R::None,
     P::None, 8},
    {EncoderKind::Bmp, SourceFormat::Bmp, "BMP", nullptr, bmpEncode, noOptions, false, R::None,
     P::BmpHeader, 4},
    {EncoderKind::Heif, SourceFormat::Heif, "HEIF", nullptr, encodeHevc, noOptions, false,
     R::Encoder, P::None, 20},
    {EncoderKind::WebP, SourceFormat::WebP, "WebP", "webpsave", nullptr, webpOptions, true,
     R::Libvips, P::None, 8},
    {EncoderKind::Avif, SourceFormat::Avif, "AVIF", "heifsave", nullptr, avifOptions, true,
     R::Libvips, P::None, 20},
    {EncoderKind::Jxl, SourceFormat::Jxl, "JPEG XL", "jxlsave", nullptr, jxlOptions, false, R::None,
     P::None, 40},
}};

}  // namespace

std::vector<std::uint8_t> takeBlob(VipsBlob* blob) {
    size_t length = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(vips_blob_get(blob, &length));
    std::vector<std::uint8_t> out(bytes, bytes + length);
    vips_area_unref(VIPS_AREA(blob));
    return out;
}

const Saver& saverFor(EncoderKind kind) {
    for (const auto& saver : kSavers) {
        if (saver.kind == kind) return saver;
    }
    return kSavers.front();
}

bool encodesIntoFile(const Saver& saver, bool withMetadata) {
    if (saver.ownEncode || saver.patch != ResolutionPatch::None) return false;
    const bool changedAfter =
        saver.metadata == MetadataRoute::AfterEncode || saver.metadata == MetadataRoute::PngChunks;
    return !(withMetadata && changedAfter);
}

std::vector<std::uint8_t> encodeToMemory(const vips::VImage& pixels, const Saver& saver,
                                         double quality, const EncodeExtras& extras) {
    if (saver.ownEncode) return saver.ownEncode(pixels, extras);
    VipsBlob* blob = nullptr;
    vips::VOption* options = vips::VImage::option();
    saver.options(options, quality);
    vips::VImage::call((std::string(saver.operation) + "_buffer").c_str(),
                       options->set("in", pixels)->set("buffer", &blob));
    return takeBlob(blob);
}

void encodeToFile(const vips::VImage& pixels, const Saver& saver, double quality, int descriptor) {
    vips::VOption* options = vips::VImage::option();
    saver.options(options, quality);
    vips::VImage::call(
        (std::string(saver.operation) + "_target").c_str(),
        options->set("in", pixels)->set("target", vips::VTarget::new_to_descriptor(descriptor)));
}

bool finishContainer(std::vector<std::uint8_t>& bytes, const Saver& saver, std::int64_t dpi,
                     const std::optional<OutputMetadata>& metadata, LeftOut& left) {
    if (metadata) {
        switch (saver.metadata) {
            case MetadataRoute::AfterEncode:
                left = embedMetadata(bytes, *metadata);
                break;
            case MetadataRoute::PngChunks: {
                std::vector<std::uint8_t> chunks = pngExifChunk(exifBlock(metadata->exif));
                if (!metadata->xmpPacket.empty()) {
                    const auto xmp = pngXmpChunk(metadata->xmpPacket);
                    chunks.insert(chunks.end(), xmp.begin(), xmp.end());
                }
                if (!insertPngChunks(bytes, chunks)) return false;
                break;
            }
            case MetadataRoute::None:
            case MetadataRoute::Libvips:
            case MetadataRoute::Encoder:
                break;
        }
    }
    switch (saver.patch) {
        case ResolutionPatch::Jp2Box:
            return insertJp2Resolution(bytes, dpi);
        case ResolutionPatch::BmpHeader:
            return setBmpResolution(bytes, dpi);
        case ResolutionPatch::None:
            return true;
    }
    return false;
}

}  // namespace varnholt
