// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// PNG sources read within bounds. libpng inflates every text chunk it meets, up to 8 MB each,
// while it reads the header; a file of a hundred small zlib bombs costs half a minute per read.
// The decoder gets the file without its text chunks (it needs none of them), and the metadata
// reader gets only the chunks that carry metadata, all of them within one size budget.

#include <vips/vips8>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/SourceFile.h"

namespace varnholt {

// Metadata larger than this is not kept (EXIF, XMP, IPTC, ICC, text chunks).
inline constexpr std::size_t kMaxMetadataBytes = 16u << 20;

// "XMP larger than 16 MB"
std::string oversizeNote(std::string_view part);

// The file as the PNG decoder sees it: the text chunks and oversized EXIF and ICC left out,
// and nothing after IEND or after a chunk that runs past the end of the file (but for the
// image data of a truncated file).
vips::VSource pngDecoderSource(const SourceFile& file);

// One small PNG per metadata part (the signature, the header and that part's chunks; empty
// when the file has none), so that each part is read on its own. Compressed text is inflated
// (exiv2 refuses it beyond 128 KB). All chunks share one budget of kMaxMetadataBytes, stored
// and inflated bytes together; the chunk that would exceed it and all after it are left out.
// dropped names what was left out ("XMP larger than 16 MB", "XMP unreadable").
struct PngMetadataCopy {
    std::vector<std::uint8_t> exif;
    std::vector<std::uint8_t> xmp;
    std::vector<std::uint8_t> iptc;
};
PngMetadataCopy pngMetadataCopy(const SourceFile& file, std::vector<std::string>& dropped);

}  // namespace varnholt
