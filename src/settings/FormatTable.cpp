// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/FormatTable.h"

#include <array>

namespace varnholt {
namespace {

using enum OutputFormat;
using E = EncoderKind;
using D = DpiField;
using N = Needs;

constexpr unsigned kAllMetadata = kExif | kXmp | kIptc;
constexpr unsigned kExifAndXmp = kExif | kXmp;
// libjpeg stops at 65500; libheif refuses more than 16384 and leaves an empty container;
// libwebp stops at 16383; the JPEG XL code stream takes 2^30; the rest count in 16 bits.
constexpr int kJpegSide = 65500;
constexpr int kHeifSide = 16384;
constexpr int kWebpSide = 16383;
constexpr int kJxlSide = 1 << 30;
constexpr int kSide16 = 65535;
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
     0xb4262b, kHeifSide, true},
    {HEIC, "HEIC", E::Heif, false, true, kExifAndXmp, D::Exif, N::Hevc, "image/heic", "HEIC",
     0x9a2468, kHeifSide, true},
    {WEBP, "WEBP", E::WebP, true, true, kExifAndXmp, D::Exif, N::Nothing, "image/webp", "WEBP",
     0x0e7c86, kWebpSide, false},
    {AVIF, "AVIF", E::Avif, true, true, kExifAndXmp, D::Exif, N::Av1, "image/avif", "AVIF",
     0x8a6d0b, kHeifSide, true},
    {JXL, "JXL", E::Jxl, true, true, 0, D::None, N::Nothing, "image/jxl", "JXL", 0x475569, kJxlSide,
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
