// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// One PNG chunk, length, type, data and CRC, ready to insert.
std::vector<std::uint8_t> pngChunk(std::string_view type, const std::vector<std::uint8_t>& data);

// The eXIf chunk for a TIFF-structured EXIF block; the iTXt chunk for an XMP packet.
std::vector<std::uint8_t> pngExifChunk(const std::vector<std::uint8_t>& exifBlock);
std::vector<std::uint8_t> pngXmpChunk(const std::string& packet);

// Inserts chunks just before the first IDAT (EXIF after the image data is ignored by many
// readers); false, with the bytes unchanged, when the PNG has no IDAT.
bool insertPngChunks(std::vector<std::uint8_t>& png, const std::vector<std::uint8_t>& chunks);

}  // namespace varnholt
