// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// PNG sources read within bounds. libpng inflates every text chunk it meets, up to 8 MB each,
// while it reads the header; a file of a hundred small zlib bombs costs half a minute per read.
// The decoder gets the file without its text chunks (it needs none of them), and the metadata
// reader gets only the chunks that carry metadata, each of them checked against a size bound.

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

// The file as the PNG decoder sees it: the text chunks and oversized EXIF and ICC left out.
// A damaged chunk list is passed on as it stands from there, for the decoder to judge.
vips::VSource pngDecoderSource(const SourceFile& file);

// A PNG of the signature, the header and the chunks with EXIF, XMP and IPTC within the bound;
// dropped names what was left out for its size ("XMP larger than 16 MB").
std::vector<std::uint8_t> pngMetadataCopy(const SourceFile& file,
                                          std::vector<std::string>& dropped);

}  // namespace varnholt
