// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/Resolution.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "imaging/MetadataCodec.h"

namespace varnholt {
namespace {

constexpr double kMetresPerInch = 0.0254;
constexpr double kMmPerInch = 25.4;

std::uint32_t readBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

std::uint16_t readBe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

void writeBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

void appendBe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void appendBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.resize(out.size() + 4);
    writeBe32(out.data() + out.size() - 4, v);
}

bool usable(double dpi) { return std::isfinite(dpi) && dpi > 0; }

std::optional<Resolution> fromPixelsPerMm(const vips::VImage& header) {
    const Resolution r{header.xres() * kMmPerInch, header.yres() * kMmPerInch};
    if (!usable(r.x)) return std::nullopt;
    return r;
}

// One box of an ISO base media file: where its payload lies.
struct Box {
    char type[4];
    std::size_t start = 0;
    std::size_t payload = 0;  // offset of the payload
    std::size_t end = 0;      // offset just past the box
};

// The box that starts at offset within bytes[0, limit); nullopt when it is malformed.
std::optional<Box> boxAt(const std::uint8_t* bytes, std::size_t offset, std::size_t limit) {
    if (offset + 8 > limit) return std::nullopt;
    Box box{};
    box.start = offset;
    std::memcpy(box.type, bytes + offset + 4, 4);
    std::uint64_t size = readBe32(bytes + offset);
    box.payload = offset + 8;
    if (size == 1) {
        if (offset + 16 > limit) return std::nullopt;
        size = (std::uint64_t{readBe32(bytes + offset + 8)} << 32) | readBe32(bytes + offset + 12);
        box.payload = offset + 16;
    } else if (size == 0) {
        size = limit - offset;
    }
    if (size < box.payload - offset || size > limit - offset) return std::nullopt;
    box.end = offset + static_cast<std::size_t>(size);
    return box;
}

bool isType(const Box& box, std::string_view type) {
    return std::memcmp(box.type, type.data(), 4) == 0;
}

// "resc" or "resd" payload: VR_N VR_D HR_N HR_D (16-bit) VR_E HR_E (signed 8-bit), grid
// points per metre = N / D * 10^E.
std::optional<Resolution> parseResolutionEntry(const std::uint8_t* p, std::size_t size) {
    if (size < 10) return std::nullopt;
    const auto perMetre = [](std::uint16_t n, std::uint16_t d, std::int8_t e) {
        return d == 0 ? 0.0 : static_cast<double>(n) / d * std::pow(10.0, e);
    };
    const double y = perMetre(readBe16(p), readBe16(p + 2), static_cast<std::int8_t>(p[8]));
    const double x = perMetre(readBe16(p + 4), readBe16(p + 6), static_cast<std::int8_t>(p[9]));
    const Resolution r{x * kMetresPerInch, y * kMetresPerInch};
    if (!usable(r.x) || !usable(r.y)) return std::nullopt;
    return r;
}

std::optional<Resolution> resolutionInHeader(const std::uint8_t* bytes, std::size_t begin,
                                             std::size_t end) {
    for (auto box = boxAt(bytes, begin, end); box; box = boxAt(bytes, box->end, end)) {
        if (!isType(*box, "res ")) continue;
        std::optional<Resolution> display;
        for (auto entry = boxAt(bytes, box->payload, box->end); entry;
             entry = boxAt(bytes, entry->end, box->end)) {
            const auto r =
                parseResolutionEntry(bytes + entry->payload, entry->end - entry->payload);
            if (isType(*entry, "resc") && r) return r;
            if (isType(*entry, "resd") && r) display = r;
        }
        return display;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> resolutionEntry(const char* type, std::int64_t dpi) {
    // dpi / 0.0254 per metre = dpi * 10^4 / 254: exact with denominator 254 while dpi * 100
    // fits the 16-bit numerator; larger values lose their last digits (rounded). Unsigned,
    // and scaled down before it is scaled up, so no value can overflow.
    std::uint64_t numerator = static_cast<std::uint64_t>(std::max<std::int64_t>(dpi, 1));
    int exponent = 4;
    constexpr std::uint64_t kLargest = std::numeric_limits<std::uint16_t>::max();
    while (numerator > kLargest) {
        numerator = numerator / 10 + (numerator % 10 >= 5 ? 1 : 0);
        ++exponent;
    }
    while (exponent > 2 && numerator * 10 <= kLargest) {
        numerator *= 10;
        --exponent;
    }
    const auto n = static_cast<std::uint16_t>(numerator);
    std::vector<std::uint8_t> box;
    appendBe32(box, 18);
    box.insert(box.end(), type, type + 4);
    appendBe16(box, n);
    appendBe16(box, 254);
    appendBe16(box, n);
    appendBe16(box, 254);
    box.push_back(static_cast<std::uint8_t>(exponent));
    box.push_back(static_cast<std::uint8_t>(exponent));
    return box;
}

// The density of a JPEG's JFIF segment, when it has units.
std::optional<Resolution> readJfifResolution(const SourceFile& file) {
    std::int64_t offset = 2;  // past SOI
    for (int guard = 0; guard < 64; ++guard) {
        const auto marker = file.readAt(offset, 4);
        if (marker.size() < 4 || marker[0] != 0xFF || marker[1] == 0xDA) return std::nullopt;
        const std::size_t length = readBe16(marker.data() + 2);
        if (marker[1] == 0xE0 && length >= 14) {
            const auto app0 = file.readAt(offset + 4, 12);
            if (app0.size() == 12 && std::memcmp(app0.data(), "JFIF\0", 5) == 0) {
                const double perUnit = app0[7] == 1 ? 1.0 : app0[7] == 2 ? 2.54 : 0.0;
                const Resolution r{readBe16(app0.data() + 8) * perUnit,
                                   readBe16(app0.data() + 10) * perUnit};
                if (usable(r.x) && usable(r.y)) return r;
                return std::nullopt;
            }
        }
        offset += 2 + static_cast<std::int64_t>(length);
    }
    return std::nullopt;
}

// A PNG's pHYs chunk, when its unit is the metre.
std::optional<Resolution> readPngResolution(const SourceFile& file) {
    std::int64_t offset = 8;  // past the signature
    for (int guard = 0; guard < 4096; ++guard) {
        const auto chunk = file.readAt(offset, 17);
        if (chunk.size() < 8) return std::nullopt;
        const std::uint32_t length = readBe32(chunk.data());
        const std::string_view type(reinterpret_cast<const char*>(chunk.data() + 4), 4);
        if (type == "IDAT" || type == "IEND") return std::nullopt;
        if (type == "pHYs") {
            if (length < 9 || chunk.size() < 17 || chunk[16] != 1) return std::nullopt;
            const Resolution r{readBe32(chunk.data() + 8) * kMetresPerInch,
                               readBe32(chunk.data() + 12) * kMetresPerInch};
            if (usable(r.x) && usable(r.y)) return r;
            return std::nullopt;
        }
        offset += 12 + static_cast<std::int64_t>(length);
    }
    return std::nullopt;
}

std::optional<Resolution> exifResolutionOf(const vips::VImage& header) {
    if (header.get_typeof(VIPS_META_EXIF_NAME) == 0) return std::nullopt;
    size_t length = 0;
    const void* exif = header.get_blob(VIPS_META_EXIF_NAME, &length);
    return exifResolution(static_cast<const std::uint8_t*>(exif), length);
}

}  // namespace

std::optional<Resolution> statedResolution(const SourceFile& file, const vips::VImage& header) {
    switch (file.format()) {
        case SourceFormat::Jpeg:
            // EXIF first, as cameras write it; the JFIF density often stays at its default.
            if (auto exif = exifResolutionOf(header)) return exif;
            return readJfifResolution(file);
        case SourceFormat::Tiff:
            // libvips sets resolution-unit exactly when the file states a unit.
            if (header.get_typeof("resolution-unit") == 0) return std::nullopt;
            return fromPixelsPerMm(header);
        case SourceFormat::Png:
            if (auto physical = readPngResolution(file)) return physical;
            return exifResolutionOf(header);
        case SourceFormat::Bmp:
            return fromPixelsPerMm(header);
        case SourceFormat::Jpeg2000:
            return readJp2Resolution(file);
        case SourceFormat::Heif:
        case SourceFormat::Avif:
        case SourceFormat::WebP:
            // No field of their own; libvips ignores the resolution in their EXIF.
            return exifResolutionOf(header);
        case SourceFormat::Gif:
        case SourceFormat::Jxl:
            return std::nullopt;
    }
    return std::nullopt;
}

std::int64_t dpiOrDefault(const std::optional<Resolution>& stated) {
    if (!stated || !usable(stated->x) || stated->x >= 1e15) return kDefaultDpi;
    const auto dpi = std::llround(stated->x);
    return dpi >= 1 ? dpi : kDefaultDpi;
}

std::optional<Resolution> readJp2Resolution(const SourceFile& file) {
    constexpr std::uint64_t kMaxHeaderBox = 64u << 20;
    std::uint64_t offset = 0;
    // Walk the top-level boxes up to the header box without reading the code stream.
    for (int guard = 0; guard < 1000; ++guard) {
        const auto head = file.readAt(static_cast<std::int64_t>(offset), 16);
        if (head.size() < 8) return std::nullopt;
        std::uint64_t size = readBe32(head.data());
        std::uint64_t headerSize = 8;
        if (size == 1) {
            if (head.size() < 16) return std::nullopt;
            size = (std::uint64_t{readBe32(head.data() + 8)} << 32) | readBe32(head.data() + 12);
            headerSize = 16;
        }
        const std::string_view type(reinterpret_cast<const char*>(head.data() + 4), 4);
        if (type == "jp2h") {
            if (size == 0 || size > kMaxHeaderBox || size < headerSize) return std::nullopt;
            const auto bytes =
                file.readAt(static_cast<std::int64_t>(offset), static_cast<std::size_t>(size));
            return resolutionInHeader(bytes.data(), static_cast<std::size_t>(headerSize),
                                      bytes.size());
        }
        if (type == "jp2c" || size < headerSize) return std::nullopt;
        offset += size;
    }
    return std::nullopt;
}

bool insertJp2Resolution(std::vector<std::uint8_t>& jp2, std::int64_t dpi) {
    if (dpi < 1) return false;
    for (auto box = boxAt(jp2.data(), 0, jp2.size()); box;
         box = boxAt(jp2.data(), box->end, jp2.size())) {
        if (!isType(*box, "jp2h")) continue;
        // Only the plain 32-bit size form is grown in place.
        if (box->payload != box->start + 8 || readBe32(jp2.data() + box->start) == 0) return false;
        std::vector<std::uint8_t> res;
        const auto capture = resolutionEntry("resc", dpi);
        const auto display = resolutionEntry("resd", dpi);
        appendBe32(res, static_cast<std::uint32_t>(8 + capture.size() + display.size()));
        res.insert(res.end(), {'r', 'e', 's', ' '});
        res.insert(res.end(), capture.begin(), capture.end());
        res.insert(res.end(), display.begin(), display.end());
        const std::size_t newSize = box->end - box->start + res.size();
        if (newSize > std::numeric_limits<std::uint32_t>::max()) return false;
        jp2.insert(jp2.begin() + static_cast<std::ptrdiff_t>(box->end), res.begin(), res.end());
        writeBe32(jp2.data() + box->start, static_cast<std::uint32_t>(newSize));
        return true;
    }
    return false;
}

}  // namespace varnholt
