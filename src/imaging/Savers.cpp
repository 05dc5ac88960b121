// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/Savers.h"

#include <unistd.h>

#include <array>
#include <cerrno>
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

// The file behind a libvips target. libvips turns a failed write into an error text only, so
// the errno is kept here: the reason must not depend on what the disk looks like afterwards.
struct FileSink {
    int descriptor;
    int error = 0;
};

gint64 writeToFile(VipsTargetCustom*, const void* data, gint64 length, FileSink* sink) {
    while (true) {
        const ssize_t wrote = ::write(sink->descriptor, data, static_cast<std::size_t>(length));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            sink->error = wrote == 0 ? EIO : errno;
            return -1;
        }
        return wrote;
    }
}

gint64 readFromFile(VipsTargetCustom*, void* data, gint64 length, FileSink* sink) {
    const ssize_t got = ::read(sink->descriptor, data, static_cast<std::size_t>(length));
    if (got < 0) sink->error = errno;
    return got;
}

gint64 seekInFile(VipsTargetCustom*, gint64 offset, int whence, FileSink* sink) {
    const off_t at = ::lseek(sink->descriptor, static_cast<off_t>(offset), whence);
    if (at < 0) sink->error = errno;
    return at;
}

using R = MetadataRoute;
using P = ResolutionPatch;

// GIF at its default effort: lower ones cost a fifth more error, higher ones more time.
// Memory per pixel: the peak resident size of a 12.6 MP photo written less that of a 3.1 MP
// one, per pixel, with a quarter or more added; TIFF's file is uncompressed, with alpha 4
// bytes a pixel, and the others' files are bounded by a noise picture's. The formats that always
// write into the file have no file term.
constexpr std::array<Saver, 10> kSavers{{
    {EncoderKind::Jpeg, SourceFormat::Jpeg, "JPEG", "jpegsave", nullptr, jpegOptions, true,
     R::AfterEncode, P::None, 1, 6},
    {EncoderKind::Jpeg2000, SourceFormat::Jpeg2000, "JPEG 2000", "jp2ksave", nullptr,
     jpeg2000Options, false, R::AfterEncode, P::Jp2Box, 2, 8},
    {EncoderKind::Png, SourceFormat::Png, "PNG", "pngsave", nullptr, noOptions, false, R::PngChunks,
     P::None, 1, 8},
    {EncoderKind::Tiff, SourceFormat::Tiff, "TIFF", "tiffsave", nullptr, tiffOptions, false,
     R::AfterEncode, P::None, 1, 12},
    {EncoderKind::Gif, SourceFormat::Gif, "GIF", "gifsave", nullptr, noOptions, false, R::None,
     P::None, 13, 0},
    {EncoderKind::Bmp, SourceFormat::Bmp, "BMP", nullptr, bmpEncode, noOptions, false, R::None,
     P::None, 0, 5},
    {EncoderKind::Heif, SourceFormat::Heif, "HEIF", nullptr, encodeHevc, noOptions, false,
     R::Encoder, P::None, 20, 2},
    {EncoderKind::WebP, SourceFormat::WebP, "WebP", "webpsave", nullptr, webpOptions, true,
     R::Libvips, P::None, 8, 0},
    {EncoderKind::Avif, SourceFormat::Avif, "AVIF", "heifsave", nullptr, avifOptions, true,
     R::Libvips, P::None, 28, 0},
    {EncoderKind::Jxl, SourceFormat::Jxl, "JPEG XL", "jxlsave", nullptr, jxlOptions, false, R::None,
     P::None, 50, 0},
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

void encodeToFile(const vips::VImage& pixels, const Saver& saver, double quality, int descriptor,
                  int& writeError) {
    FileSink sink{descriptor};
    VipsTargetCustom* custom = vips_target_custom_new();
    g_signal_connect(custom, "write", G_CALLBACK(writeToFile), &sink);
    g_signal_connect(custom, "read", G_CALLBACK(readFromFile), &sink);
    g_signal_connect(custom, "seek", G_CALLBACK(seekInFile), &sink);
    const vips::VTarget target(VIPS_TARGET(custom));
    vips::VOption* options = vips::VImage::option();
    saver.options(options, quality);
    try {
        vips::VImage::call((std::string(saver.operation) + "_target").c_str(),
                           options->set("in", pixels)->set("target", target));
    } catch (const vips::VError&) {
        writeError = sink.error;
        throw;
    }
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
        case ResolutionPatch::None:
            return true;
    }
    return false;
}

}  // namespace varnholt
