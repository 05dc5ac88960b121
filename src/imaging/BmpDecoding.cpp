// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "imaging/BmpCodec.h"
#include "imaging/MemoryLeft.h"
#include "imaging/SourceFile.h"

namespace varnholt {
namespace {

constexpr std::uint32_t kRle8 = 1, kRle4 = 2, kBitfields = 3;
constexpr std::int64_t kLongestSide = 10'000'000;  // libvips' own limit
constexpr std::size_t kChunk = 64 * 1024;
// The loader has the size once it has the file header and the info header (138 bytes at most).
constexpr std::int64_t kHeaderFeed = 4096;
// A whole file is at most this many bytes a pixel (RLE at its least efficient, uncompressed
// 32-bit) beyond its headers, palette and gaps: feeding stops there.
constexpr std::int64_t kMostBytesPerPixel = 4, kMostOtherBytes = 1 << 20;
// The loader's picture: RGB, or RGBA where it holds alpha, in rows padded to 4 bytes.
constexpr std::int64_t kPixbufBytesPerPixel = 4;

[[noreturn]] void refuse(const std::string& why) { throw vips::VError("BMP: " + why); }

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int64_t readAt(int fd, std::uint8_t* into, std::size_t size, std::int64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = pread(fd, into + done, size - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

// What the loader does not report, from fixed places of the headers: the pixels per metre,
// and whether its picture can hold anything but opaque pixels.
struct StatedFields {
    double xres = 0, yres = 0;  // pixels per millimetre, as libvips counts; 0: not stated
    bool alpha = false;
};

StatedFields readStatedFields(int fd) {
    std::array<std::uint8_t, 14 + 56> head{};
    const std::int64_t got = readAt(fd, head.data(), head.size(), 0);
    if (got < 18) refuse("header too short");
    const std::uint32_t infoSize = le32(&head[14]);
    // The sizes the loader knows; for any other it would wait for up to 4 GB of header.
    constexpr std::array<std::uint32_t, 7> known{12, 40, 52, 56, 64, 108, 124};
    if (std::find(known.begin(), known.end(), infoSize) == known.end()) refuse("unknown header");
    StatedFields fields;
    if (infoSize == 12 || got < 14 + 40) return fields;  // OS/2 1.x states no resolution
    const auto perMm = [](std::uint32_t field) {
        const auto perMetre = static_cast<std::int32_t>(field);
        return perMetre > 0 ? perMetre / 1000.0 : 0.0;
    };
    fields.xres = perMm(le32(&head[38]));
    fields.yres = perMm(le32(&head[42]));
    const unsigned bitCount = head[28] | (head[29] << 8);
    const std::uint32_t compression = le32(&head[30]);
    // The loader sizes its palette buffer from this count in 32 bits: a count of 3 billion
    // asked for 4 GB.
    if (bitCount <= 8 && le32(&head[46]) > 256u) refuse("more colours than the palette holds");
    // The loader leaves the pixels an RLE file skips transparent; of a 32-bit file it takes
    // alpha only from a mask in the header (the fourth byte of a BI_RGB pixel is unused).
    const bool alphaMask = bitCount == 32 && compression == kBitfields &&
                           (infoSize == 56 || infoSize == 108 || infoSize == 124) &&
                           le32(&head[66]) != 0;
    fields.alpha = compression == kRle8 || compression == kRle4 || alphaMask;
    return fields;
}

bool withinCaps(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kLongestSide && height <= kLongestSide &&
           width * height <= kMaxInputPixels;
}

// One run of gdk-pixbuf's BMP loader over the file, never another loader chosen by content.
// With no expected size it reads the header only and never allocates the picture.
class PixbufLoad {
public:
    PixbufLoad(int fd, std::optional<std::pair<int, int>> expected)
        : fd_(fd), expected_(expected), loader_(gdk_pixbuf_loader_new_with_type("bmp", &error_)) {
        if (!loader_) return;
        g_signal_connect(loader_, "size-prepared", G_CALLBACK(sizePrepared), this);
        g_signal_connect(loader_, "area-prepared", G_CALLBACK(areaPrepared), nullptr);
        g_signal_connect(loader_, "area-updated", G_CALLBACK(areaUpdated), this);
    }
    ~PixbufLoad() {
        if (loader_) {
            close();
            g_object_unref(loader_);
        }
        g_clear_error(&error_);
    }
    PixbufLoad(const PixbufLoad&) = delete;
    PixbufLoad& operator=(const PixbufLoad&) = delete;

    // Feeds the file in chunks, at most limit bytes, and stops as soon as the loader has what
    // is asked of it. False when the loader reports an error.
    bool feed(std::int64_t limit) {
        if (!loader_) return false;
        std::vector<std::uint8_t> chunk(kChunk);
        for (std::int64_t at = 0; at < limit && !enough();) {
            const auto want = static_cast<std::size_t>(
                std::min<std::int64_t>(limit - at, static_cast<std::int64_t>(chunk.size())));
            const std::int64_t got = readAt(fd_, chunk.data(), want, at);
            if (got <= 0) break;
            if (!gdk_pixbuf_loader_write(loader_, chunk.data(), static_cast<gsize>(got),
                                         error_ ? nullptr : &error_)) {
                break;
            }
            at += got;
        }
        close();
        return !error_;
    }

    int width() const { return width_; }
    int height() const { return height_; }
    bool refused() const { return refused_; }
    bool complete() const { return height_ > 0 && rows_ >= height_; }
    std::string error() const { return error_ ? error_->message : "no pixels"; }
    GdkPixbuf* pixbuf() const { return loader_ ? gdk_pixbuf_loader_get_pixbuf(loader_) : nullptr; }

private:
    bool enough() const { return expected_ ? complete() || refused_ : width_ > 0; }

    void close() {
        if (closed_) return;
        closed_ = true;
        gdk_pixbuf_loader_close(loader_, error_ ? nullptr : &error_);
    }

    static void sizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer self) {
        auto& load = *static_cast<PixbufLoad*>(self);
        load.width_ = width;
        load.height_ = height;
        // A size of 0 stops the loader before it allocates the picture: after a header read,
        // for a file changed since its header was read, for sides beyond the caps.
        if (!load.expected_ || *load.expected_ != std::pair(width, height) ||
            !withinCaps(width, height)) {
            load.refused_ = load.expected_.has_value();
            gdk_pixbuf_loader_set_size(loader, 0, 0);
        }
    }

    // Rows the data never reaches stay black instead of showing stale memory.
    static void areaPrepared(GdkPixbufLoader* loader, gpointer) {
        gdk_pixbuf_fill(gdk_pixbuf_loader_get_pixbuf(loader), 0);
    }

    // Each row is reported once (RLE rows skipped by a delta count as done).
    static void areaUpdated(GdkPixbufLoader*, int, int, int, int rows, gpointer self) {
        static_cast<PixbufLoad*>(self)->rows_ += rows;
    }

    int fd_;
    std::optional<std::pair<int, int>> expected_;
    GError* error_ = nullptr;
    GdkPixbufLoader* loader_;
    bool closed_ = false, refused_ = false;
    int width_ = 0, height_ = 0;
    std::int64_t rows_ = 0;
};

std::pair<int, int> headerSize(int fd) {
    PixbufLoad header(fd, std::nullopt);
    header.feed(kHeaderFeed);
    if (header.width() <= 0 || header.height() <= 0) refuse("no size: " + header.error());
    return {header.width(), header.height()};
}

// The picture behind one header image: decoded whole, once, on the first request for pixels.
struct WholeDecode {
    int fd = -1;
    int width = 0, height = 0, bands = 3;
    VipsFailOn failOn = VIPS_FAIL_ON_NONE;
    std::once_flag once;
    GdkPixbuf* pixbuf = nullptr;
    std::string error;  // why there is no pixbuf

    ~WholeDecode() {
        if (fd >= 0) ::close(fd);
        if (pixbuf) g_object_unref(pixbuf);
    }

    void run() {
        const std::int64_t pixels = std::int64_t{width} * height;
        if (pixels * kPixbufBytesPerPixel > memoryLeft()) {
            error = "not enough memory";
            return;
        }
        struct stat info {};
        const std::int64_t size = fstat(fd, &info) == 0 ? info.st_size : 0;
        PixbufLoad load(fd, std::pair(width, height));
        const bool clean = load.feed(std::min(
            size, kMostOtherBytes + kMostBytesPerPixel * (std::int64_t{width} + 1) * height));
        ::close(fd);
        fd = -1;
        GdkPixbuf* got = load.pixbuf();
        if (load.refused() || !got || gdk_pixbuf_get_width(got) != width ||
            gdk_pixbuf_get_height(got) != height || gdk_pixbuf_get_bits_per_sample(got) != 8 ||
            gdk_pixbuf_get_n_channels(got) < 3) {
            error = load.refused() ? "the file changed" : load.error();
            return;
        }
        if (failOn >= VIPS_FAIL_ON_TRUNCATED && !(clean && load.complete())) {
            error = clean ? "truncated pixel data" : load.error();
            return;
        }
        pixbuf = GDK_PIXBUF(g_object_ref(got));
    }
};

void decodeOnce(WholeDecode& decode) {
    std::call_once(decode.once, [&decode] {
        try {
            decode.run();
        } catch (const std::bad_alloc&) {
            decode.error = "not enough memory";
        }
    });
}

int copyRows(VipsRegion* out, void*, void* a, void*, gboolean*) {
    auto& decode = *static_cast<WholeDecode*>(a);
    decodeOnce(decode);
    if (!decode.pixbuf) {
        vips_error("bmpload", "%s", decode.error.c_str());
        return -1;
    }
    const VipsRect& r = out->valid;
    const auto* pixels = gdk_pixbuf_read_pixels(decode.pixbuf);
    const auto stride = static_cast<std::size_t>(gdk_pixbuf_get_rowstride(decode.pixbuf));
    const auto channels = static_cast<std::size_t>(gdk_pixbuf_get_n_channels(decode.pixbuf));
    const auto bands = static_cast<std::size_t>(decode.bands);
    for (int y = r.top; y < r.top + r.height; ++y) {
        const std::uint8_t* from = pixels + static_cast<std::size_t>(y) * stride +
                                   static_cast<std::size_t>(r.left) * channels;
        auto* to = static_cast<std::uint8_t*>(VIPS_REGION_ADDR(out, r.left, y));
        if (channels == bands) {
            std::memcpy(to, from, static_cast<std::size_t>(r.width) * bands);
            continue;
        }
        for (int x = 0; x < r.width; ++x, from += channels, to += bands) {
            std::memcpy(to, from, 3);
            if (bands == 4) to[3] = 255;
        }
    }
    return 0;
}

}  // namespace

std::int64_t bmpDecodeBytes(const SourceFile& file) {
    try {
        const auto [width, height] = headerSize(file.descriptor());
        return std::int64_t{width} * height * kPixbufBytesPerPixel;
    } catch (const vips::VError&) {
        vips_error_clear();
        return 0;
    }
}

vips::VImage loadBmp(const SourceFile& file, VipsFailOn failOn) {
    auto decode = std::make_unique<WholeDecode>();
    decode->fd = ::fcntl(file.descriptor(), F_DUPFD_CLOEXEC, 0);  // read with pread only
    if (decode->fd < 0) refuse("cannot read the file");
    const StatedFields fields = readStatedFields(decode->fd);
    const auto [width, height] = headerSize(decode->fd);
    if (width > kLongestSide || height > kLongestSide) refuse("a side beyond 10000000 pixels");
    decode->width = width;
    decode->height = height;
    decode->bands = fields.alpha ? 4 : 3;
    decode->failOn = failOn;

    VipsImage* out = vips_image_new();
    vips_image_init_fields(out, width, height, decode->bands, VIPS_FORMAT_UCHAR, VIPS_CODING_NONE,
                           VIPS_INTERPRETATION_sRGB, fields.xres, fields.yres);
    // A decode that must judge damage runs now: a failure inside libvips' pipeline does not
    // always reach the caller for a picture of a few pixels.
    if (failOn >= VIPS_FAIL_ON_TRUNCATED) {
        decodeOnce(*decode);
        if (!decode->pixbuf) refuse(decode->error);
    }
    WholeDecode* state = decode.release();
    g_object_set_data_full(G_OBJECT(out), "varnholt-bmp", state,
                           [](gpointer p) { delete static_cast<WholeDecode*>(p); });
    vips::VImage image(out);  // owns out from here
    if (vips_image_pipelinev(out, VIPS_DEMAND_STYLE_ANY, nullptr) != 0 ||
        vips_image_generate(out, nullptr, copyRows, nullptr, state, nullptr) != 0) {
        throw vips::VError();
    }
    return image;
}

}  // namespace varnholt
