// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "imaging/BmpCodec.h"
#include "imaging/BoundedPng.h"
#include "imaging/DescriptorSource.h"
#include "imaging/TiffMetadataTags.h"
#include "imaging/WebpFirstFrame.h"
#include "settings/AsciiCase.h"

namespace varnholt {
namespace {

bool startsWith(std::span<const std::uint8_t> head, std::initializer_list<std::uint8_t> bytes) {
    return head.size() >= bytes.size() && std::equal(bytes.begin(), bytes.end(), head.begin());
}

bool isBrand(std::span<const std::uint8_t> brand, std::span<const char* const> brands) {
    return std::any_of(brands.begin(), brands.end(),
                       [&](const char* b) { return std::memcmp(brand.data(), b, 4) == 0; });
}

constexpr std::array<const char*, 8> kHevcBrands{"heic", "heix", "hevc", "hevx",
                                                 "heim", "heis", "hevm", "hevs"};
constexpr std::array<const char*, 2> kAv1Brands{"avif", "avis"};
constexpr std::array<const char*, 2> kHeifBrands{"mif1", "msf1"};

// HEIF and AVIF share the container; the major brand decides, else the first compatible
// brand that names a codec, else a plain HEIF brand.
std::optional<SourceFormat> heifContainerFormat(std::span<const std::uint8_t> head) {
    if (head.size() < 16 || std::memcmp(head.data() + 4, "ftyp", 4) != 0) return std::nullopt;
    const std::uint32_t boxSize = (std::uint32_t{head[0]} << 24) | (std::uint32_t{head[1]} << 16) |
                                  (std::uint32_t{head[2]} << 8) | head[3];
    const std::size_t end = std::min<std::size_t>(boxSize, head.size());
    bool plainHeif = false;
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {  // minor version skipped
        const auto brand = head.subspan(at, 4);
        if (isBrand(brand, kHevcBrands)) return SourceFormat::Heif;
        if (isBrand(brand, kAv1Brands)) return SourceFormat::Avif;
        plainHeif = plainHeif || isBrand(brand, kHeifBrands);
    }
    if (plainHeif) return SourceFormat::Heif;
    return std::nullopt;
}

}  // namespace

std::optional<SourceFormat> sniffSourceFormat(std::span<const std::uint8_t> head) {
    if (startsWith(head, {0xFF, 0xD8, 0xFF})) return SourceFormat::Jpeg;
    if (startsWith(head, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return SourceFormat::Png;
    if (startsWith(head, {'G', 'I', 'F', '8', '7', 'a'}) ||
        startsWith(head, {'G', 'I', 'F', '8', '9', 'a'}))
        return SourceFormat::Gif;
    if (startsWith(head, {'I', 'I', 42, 0}) || startsWith(head, {'M', 'M', 0, 42}) ||
        startsWith(head, {'I', 'I', 43, 0}) || startsWith(head, {'M', 'M', 0, 43}))
        return SourceFormat::Tiff;
    if (startsWith(head, {'B', 'M'})) return SourceFormat::Bmp;
    if (startsWith(head, {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A}) ||
        startsWith(head, {0xFF, 0x4F, 0xFF, 0x51}))
        return SourceFormat::Jpeg2000;
    if (startsWith(head, {'R', 'I', 'F', 'F'}) && head.size() >= 12 &&
        std::memcmp(head.data() + 8, "WEBP", 4) == 0)
        return SourceFormat::WebP;
    if (startsWith(head, {0xFF, 0x0A}) ||
        startsWith(head, {0, 0, 0, 12, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A}))
        return SourceFormat::Jxl;
    return heifContainerFormat(head);
}

namespace {

ImageFailure openFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return {FailureKind::FileNotFound, {}};
        case EACCES:
        case EPERM:
            return {FailureKind::PermissionDenied, {}};
        default:
            return {FailureKind::CannotOpen, asciiLowercase(std::strerror(error))};
    }
}

}  // namespace

std::optional<SourceFile> SourceFile::open(const std::string& path, ImageFailure* failure) {
    ImageFailure ignored;
    ImageFailure& why = failure ? *failure : ignored;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = openFailure(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        why = {FailureKind::NotRegularFile, {}};
        return std::nullopt;
    }
    auto file = reopen(fd);
    ::close(fd);
    if (!file) why = {FailureKind::NotAnImage, {}};
    return file;
}

std::optional<SourceFile> SourceFile::reopen(int descriptor) {
    std::array<std::uint8_t, 64> head{};
    const ssize_t got = pread(descriptor, head.data(), head.size(), 0);
    const auto format =
        got > 0 ? sniffSourceFormat(std::span(head.data(), static_cast<std::size_t>(got)))
                : std::nullopt;
    if (!format) return std::nullopt;
    const int fd = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    return SourceFile(fd, *format);
}

SourceFile::~SourceFile() {
    if (fd_ >= 0) ::close(fd_);
}

SourceFile::SourceFile(SourceFile&& other) noexcept : fd_(other.fd_), format_(other.format_) {
    other.fd_ = -1;
}

vips::VSource SourceFile::source() const {
    if (format_ == SourceFormat::Png) return pngDecoderSource(*this);
    if (format_ == SourceFormat::WebP) {
        if (auto firstFrame = webpFirstFrameOnly(*this)) {
            if (firstFrame->empty()) throw vips::VError("not a WebP animation");
            VipsBlob* blob = vips_blob_copy(firstFrame->data(), firstFrame->size());
            VipsSource* memory = vips_source_new_from_blob(blob);
            vips_area_unref(VIPS_AREA(blob));
            return vips::VSource(memory);
        }
    }
    if (format_ == SourceFormat::Tiff)
        return descriptorSource(fd_, tiffOversizedTags(*this).patches);
    return descriptorSource(fd_);
}

std::vector<std::uint8_t> SourceFile::readAt(std::int64_t offset, std::size_t size) const {
    std::vector<std::uint8_t> bytes(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = pread(fd_, bytes.data() + done, size - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

vips::VImage SourceFile::loadHeader(VipsFailOn failOn) const {
    const auto options = [failOn] { return vips::VImage::option()->set("fail_on", failOn); };
    switch (format_) {
        case SourceFormat::Jpeg:
            return vips::VImage::jpegload_source(source(), options());
        case SourceFormat::Jpeg2000:
            return vips::VImage::jp2kload_source(source(), options());
        case SourceFormat::Png:
            return vips::VImage::pngload_source(source(), options());
        case SourceFormat::Gif:
            return vips::VImage::gifload_source(source(), options());
        case SourceFormat::Tiff:
            return vips::VImage::tiffload_source(source(), options());
        case SourceFormat::Heif:
        case SourceFormat::Avif:
            return vips::VImage::heifload_source(source(), options());
        case SourceFormat::WebP:
            return vips::VImage::webpload_source(source(), options());
        case SourceFormat::Jxl:
            return vips::VImage::jxlload_source(source(), options());
        case SourceFormat::Bmp:
            return loadBmp(*this, failOn);
    }
    throw vips::VError("unknown format");
}

vips::VImage SourceFile::loadPreviewPicture() const {
    return vips::VImage::heifload_source(
        source(),
        vips::VImage::option()->set("thumbnail", true)->set("fail_on", VIPS_FAIL_ON_NONE));
}

vips::VImage SourceFile::thumbnail(int width, int height, VipsFailOn failOn) const {
    if (format_ == SourceFormat::Bmp) {
        return loadHeader(failOn).thumbnail_image(
            width, vips::VImage::option()->set("height", height)->set("size", VIPS_SIZE_FORCE));
    }
    // thumbnail_source's own fail_on does not reach the loader in libvips 8.14; the loader
    // options do, and without them a truncated file is written with a grey lower part.
    const char* level = failOn == VIPS_FAIL_ON_WARNING     ? "fail_on=warning"
                        : failOn == VIPS_FAIL_ON_TRUNCATED ? "fail_on=truncated"
                                                           : "fail_on=none";
    return vips::VImage::thumbnail_source(source(), width,
                                          vips::VImage::option()
                                              ->set("height", height)
                                              ->set("size", VIPS_SIZE_FORCE)
                                              ->set("option_string", level));
}

bool withinPixelCap(const vips::VImage& header) {
    const std::int64_t pixels =
        static_cast<std::int64_t>(header.width()) * vips_image_get_page_height(header.get_image());
    return pixels > 0 && pixels <= kMaxInputPixels;
}

}  // namespace varnholt
