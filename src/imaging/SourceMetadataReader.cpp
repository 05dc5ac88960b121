// SPDX-License-Identifier: GPL-3.0-or-later
// The reading side of the metadata: what a source carries, part by part.
#include <algorithm>
#include <optional>
#include <string_view>

#include "imaging/DescriptorSource.h"
#include "imaging/ImageData.h"
#include "imaging/MetadataCodec.h"
#include "imaging/TiffMetadataTags.h"

namespace varnholt {
namespace {

// The EXIF an output would carry: a TIFF's own entries (its XMP among them) do not count.
std::size_t exifBytes(const Exiv2::ExifData& exif) {
    std::size_t total = 0;
    for (const auto& datum : exif) {
        if (!isStorageEntry(datum)) total += static_cast<std::size_t>(datum.size());
    }
    return total;
}

std::size_t iptcBytes(const Exiv2::IptcData& iptc) {
    std::size_t total = 0;
    for (const auto& datum : iptc) total += static_cast<std::size_t>(datum.size());
    return total;
}

std::string unreadableNote(std::string_view part) { return std::string(part) + " unreadable"; }

// Past the bound a part is left out: copied into every output it would cost the memory and
// time of a picture many times the output's size.
void takeExif(const Exiv2::ExifData& exif, SourceMetadataData& data) {
    if (exifBytes(exif) > kMaxMetadataBytes) {
        data.dropped.push_back(oversizeNote("EXIF"));
    } else {
        data.exif = exif;
    }
}

// A packet the XMP toolkit cannot parse is left out: its orientation and size could not be
// brought up to date, and a viewer would turn the upright output again.
void takeXmp(const std::string& packet, const Exiv2::XmpData& decoded, SourceMetadataData& data) {
    if (packet.size() > kMaxMetadataBytes) {
        data.dropped.push_back(oversizeNote("XMP"));
        return;
    }
    Exiv2::XmpData check;
    if (!packet.empty() && decoded.empty() && Exiv2::XmpParser::decode(check, packet) != 0) {
        data.dropped.push_back(unreadableNote("XMP"));
        return;
    }
    data.xmpPacket = packet;
}

void takeIptc(const Exiv2::IptcData& iptc, SourceMetadataData& data) {
    if (iptcBytes(iptc) > kMaxMetadataBytes) {
        data.dropped.push_back(oversizeNote("IPTC"));
    } else {
        data.iptc = iptc;
    }
}

// Reads one part on its own: what the library cannot read costs that part only, with a note.
template <typename Read>
void readPart(std::string_view part, SourceMetadataData& data, Read read) {
    try {
        read();
    } catch (const std::exception&) {
        data.dropped.push_back(unreadableNote(part));
    }
}

Exiv2::Image::AutoPtr readCopy(const std::vector<std::uint8_t>& png) {
    auto image = Exiv2::ImageFactory::open(png.data(), static_cast<long>(png.size()));
    if (!image.get()) throw Exiv2::Error(Exiv2::kerNotAnImage, "PNG");
    image->readMetadata();
    return image;
}

// exiv2 would inflate every text chunk of the file in full, and one unreadable chunk would
// cost them all: each part comes from a copy of its own chunks.
SourceMetadataData readPngMetadata(const SourceFile& file) {
    SourceMetadataData data;
    const PngMetadataCopy copy = pngMetadataCopy(file, data.dropped);
    if (!copy.exif.empty()) {
        readPart("EXIF", data, [&] { takeExif(readCopy(copy.exif)->exifData(), data); });
    }
    if (!copy.xmp.empty()) {
        readPart("XMP", data, [&] {
            const auto image = readCopy(copy.xmp);
            takeXmp(image->xmpPacket(), image->xmpData(), data);
        });
    }
    if (!copy.iptc.empty()) {
        readPart("IPTC", data, [&] { takeIptc(readCopy(copy.iptc)->iptcData(), data); });
    }
    return data;
}

std::vector<std::uint8_t> blobOf(const vips::VImage& header, const char* name) {
    if (header.get_typeof(name) == 0) return {};
    size_t size = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(header.get_blob(name, &size));
    return {bytes, bytes + size};
}

bool startsWith(const std::vector<std::uint8_t>& bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

void readDecoderParts(const vips::VImage& header, SourceMetadataData& data) {
    readPart("EXIF", data, [&] {
        const auto block = blobOf(header, VIPS_META_EXIF_NAME);
        const std::size_t skip = startsWith(block, std::string_view("Exif\0\0", 6)) ? 6 : 0;
        if (block.size() <= skip) return;
        Exiv2::ExifData exif;
        Exiv2::ExifParser::decode(exif, block.data() + skip,
                                  static_cast<std::uint32_t>(block.size() - skip));
        takeExif(exif, data);
    });
    readPart("XMP", data, [&] {
        const auto packet = blobOf(header, VIPS_META_XMP_NAME);
        takeXmp({packet.begin(), packet.end()}, {}, data);
    });
    readPart("IPTC", data, [&] {
        const auto block = blobOf(header, VIPS_META_IPTC_NAME);
        if (block.empty()) return;
        const Exiv2::byte* record = block.data();
        std::uint32_t size = static_cast<std::uint32_t>(block.size());
        if (startsWith(block, std::string_view("Photoshop 3.0\0", 14)) ||
            startsWith(block, "8BIM")) {  // a JPEG's resource block, not the records alone
            const std::size_t skip = block[0] == 'P' ? 14 : 0;
            std::uint32_t headerSize = 0;
            if (Exiv2::Photoshop::locateIptcIrb(block.data() + skip,
                                                static_cast<long>(block.size() - skip), &record,
                                                &headerSize, &size) != 0) {
                return;
            }
            record += headerSize;
        }
        Exiv2::IptcData iptc;
        if (Exiv2::IptcParser::decode(iptc, record, size) != 0) {
            throw Exiv2::Error(Exiv2::kerCorruptedMetadata);
        }
        takeIptc(iptc, data);
    });
}

// When exiv2 gives up on a file as a whole, the parts that libvips found for the decoder
// are read one by one, so that one broken part does not cost the others. Where none is
// found or named, the note still says that something could not be read.
void readPartsOfDecoder(const SourceFile& file, SourceMetadataData& data) {
    std::optional<vips::VImage> header;
    try {
        header = file.loadHeader(VIPS_FAIL_ON_NONE);
    } catch (const std::exception&) {
        clearVipsError();
    }
    if (header) readDecoderParts(*header, data);
    if (data.dropped.empty() && data.exif.empty()) data.dropped.emplace_back("unreadable");
}

}  // namespace

std::optional<SourceMetadataData> readSourceMetadataOf(const SourceFile& file) {
    if (file.format() == SourceFormat::Png) return readPngMetadata(file);
    TiffOversizedTags oversized;
    if (file.format() == SourceFormat::Tiff) oversized = tiffOversizedTags(file);
    Exiv2::Image::AutoPtr image;
    try {
        // Through the open descriptor: exiv2 reads the very file that was checked.
        image = Exiv2::ImageFactory::open(descriptorIo(file.descriptor(), oversized.patches));
    } catch (const std::exception&) {
        return std::nullopt;  // a container exiv2 does not know: nothing to keep
    }
    if (!image.get()) return std::nullopt;
    SourceMetadataData data;
    data.dropped = std::move(oversized.dropped);
    try {
        image->readMetadata();
    } catch (const std::exception&) {
        readPartsOfDecoder(file, data);
        return data;
    }
    readPart("EXIF", data, [&] { takeExif(image->exifData(), data); });
    readPart("XMP", data, [&] {
        // exiv2 drops a TIFF's packet that does not parse without a word: its tag tells.
        const auto tag = image->exifData().findKey(Exiv2::ExifKey("Exif.Image.XMLPacket"));
        if (image->xmpPacket().empty() && tag != image->exifData().end() && tag->size() > 0) {
            data.dropped.push_back(unreadableNote("XMP"));
        } else {
            takeXmp(image->xmpPacket(), image->xmpData(), data);
        }
    });
    readPart("IPTC", data, [&] { takeIptc(image->iptcData(), data); });
    return data;
}

}  // namespace varnholt
