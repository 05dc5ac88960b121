// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ImageTools.h"

#include <glib.h>
#include <libheif/heif.h>
#include <malloc.h>

#include <algorithm>
#include <mutex>

#include "imaging/AtomicFile.h"
#include "imaging/FileDates.h"
#include "imaging/ImageData.h"
#include "imaging/MetadataCodec.h"
#include "imaging/Resolution.h"

namespace varnholt {
namespace {

// The first page of an open source as stored, header only; nullopt when libvips refuses it.
std::optional<vips::VImage> headerOf(const SourceFile& file) {
    try {
        return file.loadHeader(VIPS_FAIL_ON_NONE);
    } catch (const std::exception&) {
        clearVipsError();
        return std::nullopt;
    }
}

std::int64_t orientationOf(const SourceFile& file, const vips::VImage& header) {
    // libheif has already turned the picture by its own transform properties.
    if (file.format() == SourceFormat::Heif || file.format() == SourceFormat::Avif) return 1;
    if (header.get_typeof(VIPS_META_ORIENTATION) == 0) return 1;
    const int code = header.get_int(VIPS_META_ORIENTATION);
    return code >= 1 && code <= 8 ? code : 1;
}

// The input checks refuse larger overrides; the bound also keeps every format's arithmetic
// within its fields.
std::int64_t writtenDpi(std::int64_t dpi) { return dpi < 1 ? kDefaultDpi : std::min(dpi, kMaxDpi); }

void ignoreLibraryWarning(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// Each image allocates the same large decode and resample buffers again. By default glibc maps
// every one of them afresh, and the kernel's page faults and zeroing cost about a fifth of a
// batch's CPU; one arena per image in flight, with the buffers kept between images (below a
// bound), spends that once. Measured: about 25 % less CPU on 40 photos, peak 110-130 MB.
void keepDecodeBuffersBetweenImages() {
    mallopt(M_ARENA_MAX, 2);
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}

}  // namespace

int Image::width() const { return data_->uprightWidth; }

int Image::height() const { return data_->uprightHeight; }

ImageTools::Runtime::Runtime(const char* argv0) {
    keepDecodeBuffersBetweenImages();
    if (VIPS_INIT(argv0) != 0) vips_error_exit("cannot start libvips");
    // With the operation cache on, a replaced file is read back as its old pixels.
    vips_cache_set_max(0);
    // Set once, before any pipeline exists: libvips reads it whenever a pipeline starts.
    vips_concurrency_set(1);
    // Failures come back as values; libvips's own warnings would only be noise.
    g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, ignoreLibraryWarning, nullptr);
    initialiseMetadataLibrary();
    captureFileModeMask();
}

ImageTools::Runtime::~Runtime() {
    shutdownMetadataLibrary();
    vips_shutdown();
}

bool ImageTools::heifSupported() { return heifCodecs().hevc; }

HeifCodecs ImageTools::heifCodecs() {
    // Asks libheif for its codecs instead of encoding a test picture: starting the encoder
    // deadlocks under a tight address-space limit (ulimit -v 400000), and the window asks at
    // start. The library stays initialised: a last heif_deinit would unregister the codecs
    // libvips encodes with.
    static const HeifCodecs codecs = [] {
        if (heif_init(nullptr).code != heif_error_Ok) return HeifCodecs(false);
        const auto both = [](heif_compression_format format) {
            return heif_have_decoder_for_format(format) != 0 &&
                   heif_have_encoder_for_format(format) != 0;
        };
        return HeifCodecs(both(heif_compression_HEVC), both(heif_compression_AV1));
    }();
    return codecs;
}

std::optional<PixelSize> ImageTools::readPixelSize(const std::string& path) {
    const auto image = loadImage(path);
    if (!image) return std::nullopt;
    return PixelSize{static_cast<double>(image->width()), static_cast<double>(image->height())};
}

std::int64_t ImageTools::readDPI(const std::string& path) {
    const auto file = SourceFile::open(path);
    if (!file) return kDefaultDpi;
    const auto header = headerOf(*file);
    if (!header) return kDefaultDpi;
    return dpiOrDefault(statedResolution(*file, *header));
}

std::int64_t ImageTools::readOrientation(const std::string& path) {
    const auto file = SourceFile::open(path);
    if (!file) return 1;
    const auto header = headerOf(*file);
    return header ? orientationOf(*file, *header) : 1;
}

std::optional<ImageProperties> ImageTools::readImageProperties(const std::string& path) {
    const auto file = SourceFile::open(path);
    if (!file) return std::nullopt;
    const auto header = headerOf(*file);
    if (!header) return std::nullopt;
    ImageProperties properties;
    if (const auto metadata = readSourceMetadataOf(*file)) {
        addExifProperties(metadata->exif, properties);
    }
    if (const auto stated = statedResolution(*file, *header)) {
        properties["DPIWidth"] = std::to_string(stated->x);
        properties["DPIHeight"] = std::to_string(stated->y);
    }
    const auto code = orientationOf(*file, *header);
    properties["Orientation"] = std::to_string(code);
    const bool sideways = code >= 5;  // stored a quarter turn from upright
    properties["PixelWidth"] = std::to_string(sideways ? header->height() : header->width());
    properties["PixelHeight"] = std::to_string(
        sideways ? header->width() : vips_image_get_page_height(header->get_image()));
    return properties;
}

std::optional<std::string> ImageTools::readTypeIdentifier(const std::string& path) {
    const auto file = SourceFile::open(path);
    if (!file) return std::nullopt;
    switch (file->format()) {
        case SourceFormat::Jpeg:
            return "public.jpeg";
        case SourceFormat::Jpeg2000:
            return "public.jpeg-2000";
        case SourceFormat::Png:
            return "public.png";
        case SourceFormat::Gif:
            return "com.compuserve.gif";
        case SourceFormat::Tiff:
            return "public.tiff";
        case SourceFormat::Bmp:
            return "com.microsoft.bmp";
        case SourceFormat::Heif:
            return "public.heic";
        case SourceFormat::Avif:
            return "public.avif";
        case SourceFormat::WebP:
            return "org.webmproject.webp";
        case SourceFormat::Jxl:
            return "public.jpeg-xl";
    }
    return std::nullopt;
}

std::optional<Image> ImageTools::loadImage(const std::string& path) {
    auto opened = openImage(path);
    if (auto* image = std::get_if<Image>(&opened)) return std::move(*image);
    return std::nullopt;
}

std::variant<Image, ImageFailure> ImageTools::openImage(const std::string& path) {
    ImageFailure failure;
    auto file = SourceFile::open(path, &failure);
    if (!file) return failure;
    auto header = headerOf(*file);
    if (!header) return ImageFailure{FailureKind::DamagedData, {}};
    if (!withinPixelCap(*header)) return ImageFailure{FailureKind::TooManyPixels, {}};
    auto data = std::make_shared<ImageData>();
    const bool sideways = orientationOf(*file, *header) >= 5;  // stored a quarter turn away
    const int width = header->width();
    const int height = vips_image_get_page_height(header->get_image());
    data->uprightWidth = sideways ? height : width;
    data->uprightHeight = sideways ? width : height;
    data->source =
        std::make_shared<const OpenedSource>(OpenedSource{std::move(*file), std::move(*header)});
    return Image(std::move(data));
}

std::int64_t ImageTools::readDPI(const Image& image) {
    const OpenedSource& source = *image.data().source;
    return dpiOrDefault(statedResolution(source.file, source.header));
}

Image ImageTools::normalizeToPixelSize(const Image& image, const std::string&) { return image; }

std::optional<Image> ImageTools::scaledTo(const Image& source, std::int64_t width,
                                          std::int64_t height) {
    constexpr std::int64_t kLongestSide = 10'000'000;  // libvips's own limit
    if (width < 1 || height < 1 || width > kLongestSide || height > kLongestSide) {
        return std::nullopt;
    }
    auto data = std::make_shared<ImageData>(source.data());
    data->uprightWidth = static_cast<int>(width);
    data->uprightHeight = static_cast<int>(height);
    data->scaled = true;
    return Image(std::move(data));
}

bool ImageTools::mayHaveDraft(const Image& image) {
    const SourceFormat format = image.data().source->file.format();
    return format == SourceFormat::Heif || format == SourceFormat::Avif;
}

std::optional<Image> ImageTools::draftOf(const Image& scaled) {
    const ImageData& data = scaled.data();
    const SourceFile& file = data.source->file;
    if (!data.scaled || !mayHaveDraft(scaled)) return std::nullopt;
    try {
        const vips::VImage preview = file.loadPreviewPicture();
        const vips::VImage& picture = data.source->header;
        if (static_cast<std::int64_t>(preview.width()) * preview.height() >=
            static_cast<std::int64_t>(picture.width()) * picture.height())
            return std::nullopt;
    } catch (const vips::VError&) {
        clearVipsError();
        return std::nullopt;
    }
    auto draft = std::make_shared<ImageData>(data);
    draft->draft = true;
    return Image(std::move(draft));
}

std::optional<RgbaPixels> ImageTools::rasterizeImage(const Image& image) {
    // A whole decode into memory: no larger than the largest input.
    if (static_cast<std::int64_t>(image.width()) * image.height() > kMaxInputPixels) {
        return std::nullopt;
    }
    try {
        vips::VImage pixels = buildPixels(image.data(), VIPS_FAIL_ON_TRUNCATED);
        if (!pixels.has_alpha()) pixels = pixels.bandjoin_const({255});
        RgbaPixels out;
        out.width = pixels.width();
        out.height = pixels.height();
        size_t size = 0;
        void* memory = pixels.write_to_memory(&size);
        const auto* bytes = static_cast<const std::uint8_t*>(memory);
        out.rgba.assign(bytes, bytes + size);
        g_free(memory);
        return out;
    } catch (const std::exception&) {
        clearVipsError();
        return std::nullopt;
    }
}

Image ImageTools::stampDPI(const Image& image, std::int64_t dpi) {
    auto data = std::make_shared<ImageData>(image.data());
    data->dpi = writtenDpi(dpi);
    return Image(std::move(data));
}

SourceMetadata ImageTools::readSourceMetadata(const Image& source) {
    const SourceFile& file = source.data().source->file;
    auto data = std::make_shared<SourceMetadataData>();
    if (auto read = readSourceMetadataOf(file)) *data = std::move(*read);
    data->creationDate = creationDateOf(file.descriptor()).value_or(currentFileTime());
    return SourceMetadata(std::move(data));
}

Image ImageTools::mergeOutputDPI(const Image& image, const SourceMetadata& meta, std::int64_t dpi) {
    auto data = std::make_shared<ImageData>(image.data());
    data->dpi = writtenDpi(dpi);
    data->metadata = meta.shared();
    return Image(std::move(data));
}

FileTime SourceMetadata::creationDate() const { return data_->creationDate; }

std::optional<ImageNote> SourceMetadata::sizeNote() const {
    if (data_->dropped.empty()) return std::nullopt;
    ImageNote note{NoteKind::MetadataNotKept, {}};
    for (const auto& part : data_->dropped) {
        if (!note.detail.empty()) note.detail += ", ";
        note.detail += part;
    }
    return note;
}

}  // namespace varnholt
