// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exiv2/exiv2.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/BoundedPng.h"
#include "imaging/ImageTools.h"
#include "imaging/Resolution.h"
#include "imaging/SourceFile.h"

namespace varnholt {

struct SourceMetadataData {
    Exiv2::ExifData exif;
    std::string xmpPacket;
    Exiv2::IptcData iptc;
    FileTime creationDate;
    // What was left out: "XMP larger than 16 MB", "EXIF unreadable".
    std::vector<std::string> dropped;
};

// An entry that describes how the source stores its pixels, its colour or embedded blobs
// (strips, profile, thumbnail, a TIFF's own XMP): never carried into an output.
bool isStorageEntry(const Exiv2::Exifdatum& datum);

// The metadata one output carries: the source's, describing the output's own pixels.
struct OutputMetadata {
    Exiv2::ExifData exif;
    std::string xmpPacket;
    Exiv2::IptcData iptc;
    std::vector<std::string> droppedEntries;  // EXIF entries the block could not take
};

// exiv2 leaves out of an EXIF block (JPEG, PNG, WebP, HEIF, JPEG 2000; not TIFF) every entry
// larger than 4 KB when the block would pass 64 KB, and says nothing. Those entries are taken
// out here, so that what is written is what the note says; returns their names.
std::vector<std::string> removeEntriesTheBlockCannotTake(Exiv2::ExifData& exif);

// Reads the EXIF, XMP and IPTC of an open source, each within kMaxMetadataBytes and each on
// its own: a part too large or unreadable is left out and named in dropped. Throws nothing;
// nullopt for a container exiv2 does not know.
std::optional<SourceMetadataData> readSourceMetadataOf(const SourceFile& file);

// The source's entries without the ones that describe its own storage (strips, profile,
// thumbnail), with the given resolution and pixel size, orientation 1 (the pixels are
// written upright) and sRGB as the colour space.
OutputMetadata describeOutput(const SourceMetadataData& source, std::int64_t dpi, int width,
                              int height);

// The output's resolution in dots per inch and orientation 1 (the pixels are upright).
void setOutputResolution(Exiv2::ExifData& exif, std::int64_t dpi);

// The parts of the source's metadata that an output could not take.
struct LeftOut {
    bool xmp = false;
    bool iptc = false;
    bool exif = false;  // with it, nothing of the source's metadata went in
    bool any() const { return xmp || iptc || exif; }
};

// Puts the metadata into an encoded file without touching its pixels. What the container
// cannot take gives way part by part: the XMP first, then the IPTC, then the EXIF (the
// bytes are then unchanged).
LeftOut embedMetadata(std::vector<std::uint8_t>& encoded, const OutputMetadata& metadata);

// What was left out ("metadata not kept: too large for JPEG"); nothing when nothing was.
std::optional<ImageNote> leftOutNote(const LeftOut& leftOut, const std::string& container);

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
