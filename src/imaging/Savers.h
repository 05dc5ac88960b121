// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How each encoder of the format table is driven through libvips: the saver, its options
// and what the container needs around the encode. What a format is and promises lives in
// settings/FormatTable.h; this is only the means.

#include <vips/vips8>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/MetadataCodec.h"
#include "imaging/SourceFile.h"
#include "settings/FormatTable.h"

namespace varnholt {

// How the kept metadata gets into the file.
enum class MetadataRoute {
    None,         // the format holds none
    Libvips,      // as libvips items before the encode (libvips writes EXIF and XMP)
    AfterEncode,  // inserted into the encoded bytes with exiv2
    Encoder,      // handed to the encoder as EncodeExtras
    // eXIf and iTXt chunks inserted into the encoded bytes. Not libvips (8.14): its PNG saver
    // writes eXIf again after the image data, the XMP as zTXt, and an EXIF rebuilt by libexif
    // (with an uncalibrated ColorSpace added).
    PngChunks,
};

// The resolution fields libvips does not write, set in the encoded bytes.
enum class ResolutionPatch { None, Jp2Box };

// The EXIF (TIFF-structured, the resolution in it) and XMP an encoder of its own writes.
struct EncodeExtras {
    std::vector<std::uint8_t> exif;
    std::string xmp;
};

struct Saver {
    EncoderKind kind;
    SourceFormat written;   // what the new file must read back as
    const char* container;  // named in notes: "metadata not kept: too large for JPEG"
    const char* operation;  // the libvips saver without "_buffer" / "_target"
    // An encode of the program's own instead, into memory.
    std::vector<std::uint8_t> (*ownEncode)(const vips::VImage& pixels, const EncodeExtras& extras);
    void (*options)(vips::VOption* options, double quality);
    bool libvipsExif;  // libvips writes an EXIF block, resolution included
    MetadataRoute metadata;
    ResolutionPatch patch;
    // Memory per output pixel beyond the streaming pipeline, measured: what the encoder holds, and
    // what a file finished in memory adds (held as libvips's buffer, its copy and the metadata
    // writer's copy).
    std::int64_t encoderBytesPerPixel;
    std::int64_t fileInMemoryBytesPerPixel;
};

const Saver& saverFor(EncoderKind kind);

// The blob's bytes; the blob is released.
std::vector<std::uint8_t> takeBlob(VipsBlob* blob);

// Whether the encoder can write straight into the file: nothing changes after the encode.
bool encodesIntoFile(const Saver& saver, bool withMetadata);

std::vector<std::uint8_t> encodeToMemory(const vips::VImage& pixels, const Saver& saver,
                                         double quality, const EncodeExtras& extras);

// HEVC through libheif itself, where x265's preset can be chosen.
std::vector<std::uint8_t> encodeHevc(const vips::VImage& pixels, const EncodeExtras& extras);
// Streams the encode into the file; throws vips::VError, with writeError set to the errno of
// a write into the file that failed, if one did.
void encodeToFile(const vips::VImage& pixels, const Saver& saver, double quality, int descriptor,
                  int& writeError);

// The picture as the encoder is to get it: flattened where the format has no alpha, the
// resolution and, through libvips, the metadata set, every source item removed.
vips::VImage pixelsForEncode(const vips::VImage& pixels, const FormatRow& row, const Saver& saver,
                             std::int64_t dpi, const std::optional<OutputMetadata>& metadata,
                             LeftOut& left);

// What the container needs after the encode: the resolution fields libvips does not write and
// the metadata its saver cannot carry. False when the bytes are not the expected container.
bool finishContainer(std::vector<std::uint8_t>& bytes, const Saver& saver, std::int64_t dpi,
                     const std::optional<OutputMetadata>& metadata, LeftOut& left);

}  // namespace varnholt
