#pragma once

#include <exiv2/exiv2.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/ImageTools.h"
#include "imaging/Resolution.h"
#include "imaging/SourceFile.h"

namespace varnholt {

struct SourceMetadataData {
    Exiv2::ExifData exif;
    std::string xmpPacket;
    Exiv2::IptcData iptc;
    std::int64_t orientation = 1;
    FileTime creationDate;
};

// The metadata one output carries: the source's, describing the output's own pixels.
struct OutputMetadata {
    Exiv2::ExifData exif;
    std::string xmpPacket;
    Exiv2::IptcData iptc;
};

// Reads the EXIF, XMP and IPTC of an open source; throws nothing.
std::optional<SourceMetadataData> readSourceMetadataOf(const SourceFile& file);

// The source's entries without the ones that describe its own storage (strips, profile,
// thumbnail), with the given resolution, orientation code and pixel size, and sRGB as the
// colour space.
OutputMetadata describeOutput(const SourceMetadataData& source, std::int64_t dpi,
                              std::int64_t orientation, int width, int height);

// Puts the metadata into an encoded file without touching its pixels; false when exiv2
// cannot (the bytes are then unchanged).
bool embedMetadata(std::vector<std::uint8_t>& encoded, const OutputMetadata& metadata);

// EXIF as a TIFF-structured block (no "Exif" prefix), as PNG's eXIf chunk holds it.
std::vector<std::uint8_t> exifBlock(const Exiv2::ExifData& exif);

// The resolution an EXIF block states, with or without its "Exif\0\0" prefix.
std::optional<Resolution> exifResolution(const std::uint8_t* block, std::size_t size);

// Exiv2 keys and printable values of the EXIF entries, for the properties map.
void addExifProperties(const Exiv2::ExifData& exif, ImageProperties& properties);

// Exiv2 set-up: quiet, thread-safe XMP, HEIF reading.
void initialiseMetadataLibrary();
void shutdownMetadataLibrary();

}  // namespace varnholt
