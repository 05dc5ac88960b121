// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Everything the program knows about an output format is one row of this table; the format
// popup, the accepted extensions, the MIME types, the type badges, the size limits and the
// encoders' choices are all read from it. Adding a format is adding a row.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// The items of the format popup in their order; Original keeps each image's own format.
enum class OutputFormat {
    JPG,
    JPEG,
    JPE,
    JP2,
    JPX,
    PNG,
    TIFF,
    TIF,
    GIF,
    BMP,
    HEIF,
    HEIC,
    WEBP,
    AVIF,
    JXL,
    Original
};

// The concrete encoders; several popup items share one.
enum class EncoderKind { Jpeg, Jpeg2000, Png, Tiff, Gif, Bmp, Heif, WebP, Avif, Jxl };

// The HEIF condition: which libheif codecs can both write and read here. Built from one
// bool where both halves go together (tests, and where every format is to be named).
struct HeifCodecs {
    bool hevc = false;                                                  // HEIF and HEIC
    bool av1 = false;                                                   // AVIF
    constexpr HeifCodecs(bool both = false) : hevc(both), av1(both) {}  // NOLINT: implicit
    constexpr HeifCodecs(bool hevcAvailable, bool av1Available)
        : hevc(hevcAvailable), av1(av1Available) {}
};

// Which half of the HEIF condition a format needs, if any.
enum class Needs { Nothing, Hevc, Av1 };

// Bits of the metadata a format's file holds.
enum MetadataKind : unsigned { kExif = 1, kXmp = 2, kIptc = 4 };

// Where a file states its resolution: a field of the format's own, the EXIF resolution
// entries (written with the metadata or without it), or nowhere.
enum class DpiField { Own, Exif, None };

struct FormatRow {
    OutputFormat format;
    std::string_view title;  // the popup's title; in lower case, the extension it writes
    EncoderKind encoder;
    bool usesQuality;   // the quality slider applies
    bool keepsAlpha;    // else flattened onto white
    unsigned metadata;  // MetadataKind bits kept with "keep metadata"
    DpiField dpi;
    Needs needs;
    std::string_view mimeTypes;  // ";"-separated, the first the format's own
    std::string_view badge;      // the list's type badge: text
    std::uint32_t badgeColour;   // and background, 0xRRGGBB
    int longestSide;             // the largest side the encoder writes a readable file for
    bool encodesAlone;           // takes much memory and every core: one such encode at a time
    // Where the encoder refuses long thin pictures: a side below thinBelow leaves the other
    // at most thinLongest. 0: no such rule.
    int thinBelow = 0;
    int thinLongest = 0;
};

// Why the format's encoder cannot write width x height; nullopt when it can.
std::optional<std::string> formatSizeLimit(const FormatRow& row, std::int64_t width,
                                           std::int64_t height);

// The rows of the concrete formats, in popup order ("Original" has none).
std::span<const FormatRow> formatRows();

// The row of a concrete format; nullptr for Original.
const FormatRow* formatRow(OutputFormat format);

// The condition holds for the format here.
bool formatAvailable(const FormatRow& row, HeifCodecs codecs);

// The popup's items in their order; the HEIF formats only where the condition holds.
std::vector<OutputFormat> formatPopupItems(HeifCodecs codecs);

// "JPG", "JPEG", ..., "Original".
std::string_view formatTitle(OutputFormat format);

// The format whose popup title is exactly title.
std::optional<OutputFormat> formatFromTitle(std::string_view title);

}  // namespace varnholt
