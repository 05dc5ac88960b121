// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/FormatTable.h"

#include <algorithm>
#include <array>

#include "settings/Translation.h"

namespace varnholt {
namespace {

using enum OutputFormat;
using E = EncoderKind;
using D = DpiField;
using N = Needs;

constexpr unsigned kAllMetadata = kExif | kXmp | kIptc;
constexpr unsigned kExifAndXmp = kExif | kXmp;
// Tried with the encoders here, one pixel high: libjpeg stops at 65500; libheif writes more
// than 16384 (AV1 and HEVC) but reads it back as a security limit exceeded; libwebp stops at
// 16383; GIF counts in 16 bits. PNG, TIFF, JPEG 2000, BMP and JPEG XL write a million and
// more, beyond the 65535 the batch allows any output.
constexpr int kJpegSide = 65500;
constexpr int kHeifSide = 16384;
constexpr int kWebpSide = 16383;
constexpr int kSide16 = 65535;
// x265 (at the preset HevcEncode.cpp chooses) leaves an empty container for a side above 4208
// (the largest side of HEVC level 4.1, 4222, in whole 16-pixel units) unless the other side
// is at least 32.
constexpr int kHevcThinBelow = 32;
constexpr int kHevcThinLongest = 4208;
constexpr std::string_view kJpegMime = "image/jpeg";
constexpr std::string_view kTiffMime = "image/tiff";

// JPEG 2000 and BMP get their resolution fields after the encode (libvips writes none);
// WebP and AVIF have no field of their own and state it in EXIF, as HEIF does. libvips 8.14
// writes a bare JPEG XL code stream: no metadata box, so no EXIF and no resolution.
constexpr std::array<FormatRow, 15> kRows{{
    {JPG, "JPG", E::Jpeg, true, false, kAllMetadata, D::Own, N::Nothing, kJpegMime, "JPG", 0x2563c9,
     kJpegSide, false},
    {JPEG, "JPEG", E::Jpeg, true, false, kAllMetadata, D::Own, N::Nothing, kJpegMime, "JPG",
     0x2563c9, kJpegSide, false},
    {JPE, "JPE", E::Jpeg, true, false, kAllMetadata, D::Own, N::Nothing, kJpegMime, "JPG", 0x2563c9,
     kJpegSide, false},
    {JP2, "JP2", E::Jpeg2000, true, true, kAllMetadata, D::Own, N::Nothing, "image/jp2", "JPG",
     0x2563c9, kSide16, false},
    {JPX, "JPX", E::Jpeg2000, true, true, kAllMetadata, D::Own, N::Nothing, "image/jpx", "JPG",
     0x2563c9, kSide16, false},
    {PNG, "PNG", E::Png, false, true, kExifAndXmp, D::Own, N::Nothing, "image/png", "PNG", 0x1f8a4c,
     kSide16, false},
    {TIFF, "TIFF", E::Tiff, false, true, kAllMetadata, D::Own, N::Nothing, kTiffMime, "TIF",
     0x6d3fb8, kSide16, false},
    {TIF, "TIF", E::Tiff, false, true, kAllMetadata, D::Own, N::Nothing, kTiffMime, "TIF", 0x6d3fb8,
     kSide16, false},
    {GIF, "GIF", E::Gif, false, true, 0, D::None, N::Nothing, "image/gif", "GIF", 0xc8650f, kSide16,
     false},
    {BMP, "BMP", E::Bmp, false, false, 0, D::Own, N::Nothing,
     "image/bmp;image/x-bmp;image/x-ms-bmp", "BMP", 0x3e6f80, kSide16, false},
    {HEIF, "HEIF", E::Heif, false, true, kExifAndXmp, D::Exif, N::Hevc, "image/heif", "HEIF",
     0xb4262b, kHeifSide, true, kHevcThinBelow, kHevcThinLongest},
    {HEIC, "HEIC", E::Heif, false, true, kExifAndXmp, D::Exif, N::Hevc, "image/heic", "HEIC",
     0x9a2468, kHeifSide, true, kHevcThinBelow, kHevcThinLongest},
    {WEBP, "WEBP", E::WebP, true, true, kExifAndXmp, D::Exif, N::Nothing, "image/webp", "WEBP",
     0x0e7c86, kWebpSide, false},
    {AVIF, "AVIF", E::Avif, true, true, kExifAndXmp, D::Exif, N::Av1, "image/avif", "AVIF",
     0x8a6d0b, kHeifSide, true},
    {JXL, "JXL", E::Jxl, true, true, 0, D::None, N::Nothing, "image/jxl", "JXL", 0x475569, kSide16,
     false},
}};

constexpr std::string_view kOriginalTitle = "Original";

}  // namespace

std::span<const FormatRow> formatRows() { return kRows; }

const FormatRow* formatRow(OutputFormat format) {
    for (const auto& row : kRows) {
        if (row.format == format) return &row;
    }
    return nullptr;
}

std::optional<std::string> formatSizeLimit(const FormatRow& row, std::int64_t width,
                                           std::int64_t height) {
    if (width > row.longestSide || height > row.longestSide) {
        // TRANSLATORS: %1 is a format, e.g. "JPG".
        return fillIn(
            P_("%1 (at most %2 pixel a side)", "%1 (at most %2 pixels a side)", row.longestSide),
            {row.title, std::to_string(row.longestSide)});
    }
    const std::int64_t shorter = std::min(width, height);
    if (shorter < row.thinBelow && std::max(width, height) > row.thinLongest) {
        return fillIn(
            P_("%1 (at most %2 pixel a side when the other is below %3)",
               "%1 (at most %2 pixels a side when the other is below %3)", row.thinLongest),
            {row.title, std::to_string(row.thinLongest), std::to_string(row.thinBelow)});
    }
    return std::nullopt;
}

bool formatAvailable(const FormatRow& row, HeifCodecs codecs) {
    switch (row.needs) {
        case Needs::Nothing:
            return true;
        case Needs::Hevc:
            return codecs.hevc;
        case Needs::Av1:
            return codecs.av1;
    }
    return false;
}

std::vector<OutputFormat> formatPopupItems(HeifCodecs codecs) {
    std::vector<OutputFormat> items;
    for (const auto& row : kRows) {
        if (formatAvailable(row, codecs)) items.push_back(row.format);
    }
    items.push_back(Original);
    return items;
}

std::string_view formatTitle(OutputFormat format) {
    const FormatRow* row = formatRow(format);
    return row ? row->title : kOriginalTitle;
}

std::optional<OutputFormat> formatFromTitle(std::string_view title) {
    if (title == kOriginalTitle) return Original;
    for (const auto& row : kRows) {
        if (row.title == title) return row.format;
    }
    return std::nullopt;
}

}  // namespace varnholt
