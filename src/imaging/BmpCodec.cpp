// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/BmpCodec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>

#include "imaging/SourceFile.h"

namespace varnholt {
namespace {

constexpr std::int64_t kFileHeader = 14;
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// One channel of a 16- or 32-bit pixel: its mask, widened to 8 bits by repeating its bits
// (5 bits abcde give abcdeabc), as other readers do.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        bits = std::popcount(mask);
    }
    std::uint8_t value(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
        std::uint32_t out = 0;
        int filled = 0;
        for (; filled < 8; filled += bits) out = (out << bits) | v;
        return static_cast<std::uint8_t>(out >> (filled - 8));
    }
};

struct BmpReader {
    int fd = -1;
    VipsFailOn failOn = VIPS_FAIL_ON_NONE;
    int width = 0, height = 0, bands = 3, bitCount = 0;
    double xres = 0, yres = 0;
    bool topDown = false;
    std::uint32_t compression = kRgb;
    std::int64_t pixelOffset = 0, fileSize = 0, rowBytes = 0;
    std::vector<std::array<std::uint8_t, 3>> palette;  // R, G, B
    Channel red, green, blue, alpha;
    std::once_flag rleDecoded;
    std::vector<std::uint8_t> indices;  // an RLE file's palette indices, top row first
    bool rleComplete = true;

    ~BmpReader() {
        if (fd >= 0) ::close(fd);
    }

    bool readAt(std::int64_t offset, std::uint8_t* into, std::size_t size) const {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got = pread(fd, into + done, size - done,
                                      static_cast<off_t>(offset) + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            done += static_cast<std::size_t>(got);
        }
        return true;
    }

    std::array<std::uint8_t, 3> colour(std::size_t index) const {
        return index < palette.size() ? palette[index] : std::array<std::uint8_t, 3>{0, 0, 0};
    }

    void decodeRle();
    bool decodeRow(int y, int left, int count, std::vector<std::uint8_t>& raw,
                   std::uint8_t* out) const;
};

void BmpReader::decodeRle() {
    indices.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    std::vector<std::uint8_t> data(
        static_cast<std::size_t>(std::max<std::int64_t>(0, fileSize - pixelOffset)));
    if (!readAt(pixelOffset, data.data(), data.size())) data.clear();
    const bool four = compression == kRle4;
    std::size_t at = 0;
    int x = 0, row = 0;  // row counts from the first stored row
    const auto put = [&](std::uint8_t index) {
        if (x < width && row < height) {
            const int y = topDown ? row : height - 1 - row;
            indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)] = index;
        }
        ++x;
    };
    while (at + 2 <= data.size() && row < height) {
        const std::uint8_t count = data[at], value = data[at + 1];
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) put(four ? (i % 2 ? value & 0x0F : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (at + 2 > data.size()) break;
            x += data[at];
            row += data[at + 1];
            at += 2;
        } else {
            const std::size_t bytes = four ? (value + 1u) / 2 : value;
            if (at + bytes > data.size()) break;
            for (int i = 0; i < value; ++i) {
                const std::uint8_t byte = data[at + static_cast<std::size_t>(four ? i / 2 : i)];
                put(four ? (i % 2 ? byte & 0x0F : byte >> 4) : byte);
            }
            at += (bytes + 1) & ~std::size_t{1};  // runs are padded to 16 bits
        }
    }
    rleComplete = row >= height;
}

// Pixels left .. left + count of row y (top row 0), reading only their bytes: the pipeline
// asks for narrow regions, and a whole row each time would read the file many times over.
bool BmpReader::decodeRow(int y, int left, int count, std::vector<std::uint8_t>& raw,
                          std::uint8_t* out) const {
    const auto bandsOut = static_cast<std::size_t>(bands);
    if (compression == kRle4 || compression == kRle8) {
        const std::uint8_t* row =
            indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < count; ++x) {
            const auto rgb = colour(row[left + x]);
            std::copy(rgb.begin(), rgb.end(), out + static_cast<std::size_t>(x) * bandsOut);
        }
        return true;
    }
    const int stored = topDown ? y : height - 1 - y;
    const std::int64_t first = std::int64_t{left} * bitCount / 8;
    const std::int64_t end = ((std::int64_t{left} + count) * bitCount + 7) / 8;
    raw.resize(static_cast<std::size_t>(end - first));
    if (!readAt(pixelOffset + stored * rowBytes + first, raw.data(), raw.size())) return false;
    for (int x = 0; x < count; ++x) {
        std::uint8_t* px = out + static_cast<std::size_t>(x) * bandsOut;
        const std::int64_t bit = (std::int64_t{left} + x) * bitCount;
        const auto at = static_cast<std::size_t>(bit / 8 - first);
        if (bitCount <= 8) {
            const int shift = 8 - bitCount - static_cast<int>(bit % 8);
            const auto rgb = colour((raw[at] >> shift) & ((1u << bitCount) - 1));
            std::copy(rgb.begin(), rgb.end(), px);
        } else if (bitCount == 24) {
            px[0] = raw[at + 2];
            px[1] = raw[at + 1];
            px[2] = raw[at];
        } else {
            const std::uint32_t pixel = bitCount == 16 ? le16(&raw[at]) : le32(&raw[at]);
            px[0] = red.value(pixel);
            px[1] = green.value(pixel);
            px[2] = blue.value(pixel);
            if (bands == 4) px[3] = alpha.value(pixel);
        }
    }
    return true;
}

void* startRows(VipsImage*, void*, void*) { return new std::vector<std::uint8_t>(); }

int stopRows(void* rows, void*, void*) {
    delete static_cast<std::vector<std::uint8_t>*>(rows);
    return 0;
}

int generateRows(VipsRegion* out, void* rows, void* a, void*, gboolean*) {
    auto* reader = static_cast<BmpReader*>(a);
    if (reader->compression == kRle4 || reader->compression == kRle8) {
        std::call_once(reader->rleDecoded, [reader] { reader->decodeRle(); });
        if (!reader->rleComplete && reader->failOn >= VIPS_FAIL_ON_TRUNCATED) {
            vips_error("bmpload", "%s", "truncated pixel data");
            return -1;
        }
    }
    const VipsRect& r = out->valid;
    auto& raw = *static_cast<std::vector<std::uint8_t>*>(rows);
    for (int y = r.top; y < r.top + r.height; ++y) {
        auto* line = static_cast<std::uint8_t*>(VIPS_REGION_ADDR(out, r.left, y));
        if (!reader->decodeRow(y, r.left, r.width, raw, line)) {
            if (reader->failOn >= VIPS_FAIL_ON_TRUNCATED) {
                vips_error("bmpload", "%s", "truncated pixel data");
                return -1;
            }
            std::fill_n(line,
                        static_cast<std::size_t>(r.width) * static_cast<std::size_t>(reader->bands),
                        0);
        }
    }
    return 0;
}

[[noreturn]] void refuse(const char* why) { throw vips::VError(std::string("BMP: ") + why); }

// A 32-bit file without masks has alpha where any of its fourth bytes is not 0; many writers
// leave them all 0 for an opaque picture.
bool anyAlpha(const BmpReader& reader) {
    std::vector<std::uint8_t> block(1 << 20);
    const std::int64_t end = reader.pixelOffset + reader.rowBytes * reader.height;
    for (std::int64_t at = reader.pixelOffset; at < end;) {
        const auto size = static_cast<std::size_t>(
            std::min<std::int64_t>(end - at, static_cast<std::int64_t>(block.size())));
        if (!reader.readAt(at, block.data(), size)) return false;
        for (std::size_t i = 3; i < size; i += 4) {
            if (block[i] != 0) return true;
        }
        at += static_cast<std::int64_t>(size);
    }
    return false;
}

void readHeader(BmpReader& reader) {
    std::array<std::uint8_t, kFileHeader + 124 + 16> head{};
    const std::size_t got = std::min<std::size_t>(
        head.size(), static_cast<std::size_t>(std::max<std::int64_t>(reader.fileSize, 0)));
    if (got < kFileHeader + 16 || !reader.readAt(0, head.data(), got)) refuse("header too short");
    reader.pixelOffset = le32(&head[10]);
    const std::uint32_t infoSize = le32(&head[14]);
    const std::uint8_t* info = &head[kFileHeader];
    std::int64_t height = 0;
    std::size_t paletteEntry = 4;
    std::uint32_t colours = 0;
    if (infoSize == 12) {  // OS/2 1.x: 16-bit sizes, 3-byte palette entries
        reader.width = le16(info + 4);
        height = le16(info + 6);
        reader.bitCount = le16(info + 10);
        paletteEntry = 3;
    } else if (infoSize >= 16 && infoSize <= 124 &&
               static_cast<std::size_t>(kFileHeader) + infoSize <= got) {
        reader.width = static_cast<std::int32_t>(le32(info + 4));
        height = static_cast<std::int32_t>(le32(info + 8));
        reader.bitCount = le16(info + 14);
        if (infoSize >= 40) {
            reader.compression = le32(info + 16);
            const double xppm = static_cast<std::int32_t>(le32(info + 24));
            const double yppm = static_cast<std::int32_t>(le32(info + 28));
            colours = le32(info + 32);
            reader.xres = xppm > 0 ? xppm / 1000 : 0;  // libvips counts per millimetre
            reader.yres = yppm > 0 ? yppm / 1000 : 0;
        }
    } else {
        refuse("unknown header");
    }
    if (infoSize == 64 && (reader.compression == kBitfields || reader.compression == 4)) {
        refuse("OS/2 compression");  // Huffman and RLE24 there
    }
    reader.topDown = height < 0;
    height = std::abs(height);
    if (reader.width <= 0 || height <= 0 || height > std::numeric_limits<int>::max())
        refuse("no size");
    reader.height = static_cast<int>(height);
    const int bits = reader.bitCount;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        refuse("unsupported bit count");
    const std::uint32_t c = reader.compression;
    const bool masked = c == kBitfields || c == kAlphaBitfields;
    if (!(c == kRgb || (c == kRle8 && bits == 8) || (c == kRle4 && bits == 4) ||
          (masked && (bits == 16 || bits == 32))))
        refuse("unsupported compression");

    std::int64_t paletteAt = kFileHeader + infoSize;
    if (masked) {
        // Masks follow a 40-byte header, or are part of a longer one.
        std::array<std::uint8_t, 16> masks{};
        const std::int64_t at = kFileHeader + 40;
        if (!reader.readAt(at, masks.data(), masks.size())) refuse("no masks");
        reader.red = Channel(le32(&masks[0]));
        reader.green = Channel(le32(&masks[4]));
        reader.blue = Channel(le32(&masks[8]));
        const bool hasAlphaMask = infoSize >= 56 || c == kAlphaBitfields;
        if (hasAlphaMask) reader.alpha = Channel(le32(&masks[12]));
        if (infoSize == 40) paletteAt += c == kAlphaBitfields ? 16 : 12;
    } else if (bits == 16) {
        reader.red = Channel(0x7C00);
        reader.green = Channel(0x03E0);
        reader.blue = Channel(0x001F);
    } else if (bits == 32) {
        reader.red = Channel(0x00FF0000);
        reader.green = Channel(0x0000FF00);
        reader.blue = Channel(0x000000FF);
    }
    if (bits <= 8) {
        const std::uint32_t most = 1u << bits;
        const std::uint32_t count = colours == 0 || colours > most ? most : colours;
        std::vector<std::uint8_t> entries(count * paletteEntry);
        const std::int64_t room = reader.pixelOffset - paletteAt;
        const auto usable = static_cast<std::size_t>(
            std::clamp<std::int64_t>(room, 0, static_cast<std::int64_t>(entries.size())));
        if (usable > 0 && !reader.readAt(paletteAt, entries.data(), usable)) refuse("no palette");
        for (std::size_t i = 0; i + paletteEntry <= usable; i += paletteEntry) {
            reader.palette.push_back({entries[i + 2], entries[i + 1], entries[i]});
        }
    }
    reader.rowBytes = (static_cast<std::int64_t>(reader.width) * bits + 31) / 32 * 4;
    if (c != kRle4 && c != kRle8) {
        // The last row may lack its padding; anything shorter is a cut file.
        const std::int64_t need = reader.pixelOffset + reader.rowBytes * (reader.height - 1) +
                                  (static_cast<std::int64_t>(reader.width) * bits + 7) / 8;
        if (reader.pixelOffset < kFileHeader + 12 || need > reader.fileSize)
            refuse("file too short");
    }
    if (reader.alpha.mask != 0 || (bits == 32 && !masked && anyAlpha(reader))) {
        if (!reader.alpha.mask) reader.alpha = Channel(0xFF000000);
        reader.bands = 4;
    }
}

}  // namespace

vips::VImage loadBmp(const SourceFile& file, VipsFailOn failOn) {
    auto reader = std::make_unique<BmpReader>();
    reader->fd = ::fcntl(file.descriptor(), F_DUPFD_CLOEXEC, 0);  // read with pread only
    if (reader->fd < 0) refuse("cannot read the file");
    struct stat info {};
    if (fstat(reader->fd, &info) != 0) refuse("cannot read the file");
    reader->fileSize = info.st_size;
    reader->failOn = failOn;
    readHeader(*reader);

    VipsImage* out = vips_image_new();
    vips_image_init_fields(out, reader->width, reader->height, reader->bands, VIPS_FORMAT_UCHAR,
                           VIPS_CODING_NONE, VIPS_INTERPRETATION_sRGB, reader->xres, reader->yres);
    BmpReader* state = reader.release();
    g_object_set_data_full(G_OBJECT(out), "varnholt-bmp", state,
                           [](gpointer p) { delete static_cast<BmpReader*>(p); });
    vips::VImage image(out);  // owns out from here
    if (vips_image_pipelinev(out, VIPS_DEMAND_STYLE_THINSTRIP, nullptr) != 0 ||
        vips_image_generate(out, startRows, generateRows, stopRows, state, nullptr) != 0) {
        throw vips::VError();
    }
    // Resampling asks for the same rows many times over (measured: 35 passes over the file
    // for a ninefold shrink); the latest rows, about 24 MB of them, are kept.
    constexpr std::int64_t kCacheBytes = 24 << 20, kStripRows = 16;
    const std::int64_t stripBytes = std::int64_t{state->width} * state->bands * kStripRows;
    const auto strips =
        static_cast<int>(std::clamp<std::int64_t>(kCacheBytes / stripBytes, 4, 1024));
    return image.tilecache(vips::VImage::option()
                               ->set("tile_width", state->width)
                               ->set("tile_height", static_cast<int>(kStripRows))
                               ->set("max_tiles", strips));
}

}  // namespace varnholt
