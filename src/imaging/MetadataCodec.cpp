// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/MetadataCodec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include "imaging/ImageData.h"
#include "settings/Translation.h"

namespace varnholt {
namespace {

// IFD0 entries that describe how the source stores its pixels, its colour or embedded
// blobs; they would be false for, or clash with, the output's own encoding.
constexpr std::array<std::uint16_t, 50> kStorageTags{
    0x00FE, 0x00FF, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x0107, 0x0108, 0x0109,
    0x010A, 0x0111, 0x0115, 0x0116, 0x0117, 0x0118, 0x0119, 0x011C, 0x0122, 0x0123,
    0x0124, 0x0125, 0x012D, 0x013D, 0x013E, 0x013F, 0x0140, 0x0141, 0x0142, 0x0143,
    0x0144, 0x0145, 0x014A, 0x014C, 0x0152, 0x0153, 0x0154, 0x0155, 0x015B, 0x0201,
    0x0202, 0x0211, 0x0212, 0x0213, 0x0214, 0x02BC, 0x83BB, 0x8649, 0x8773, 0x935C};

}  // namespace

bool isStorageEntry(const Exiv2::Exifdatum& datum) {
    const std::string group = datum.groupName();
    // IFD1 (the thumbnail), further pages and sub-images.
    if (group == "Thumbnail" || group.rfind("SubImage", 0) == 0 ||
        (group.rfind("Image", 0) == 0 && group != "Image"))
        return true;
    if (group != "Image") return false;
    return std::find(kStorageTags.begin(), kStorageTags.end(), datum.tag()) != kStorageTags.end();
}

namespace {

std::string xmpWithOutputFacts(const std::string& packet, std::int64_t dpi, int width, int height) {
    if (packet.empty()) return packet;
    Exiv2::XmpData xmp;
    if (Exiv2::XmpParser::decode(xmp, packet) != 0) return packet;
    const auto setIfPresent = [&xmp](const char* key, const std::string& value) {
        const auto it = xmp.findKey(Exiv2::XmpKey(key));
        if (it != xmp.end()) it->setValue(value);
    };
    const std::string resolution = std::to_string(dpi) + "/1";
    setIfPresent("Xmp.tiff.Orientation", std::to_string(kWrittenOrientation));
    setIfPresent("Xmp.tiff.XResolution", resolution);
    setIfPresent("Xmp.tiff.YResolution", resolution);
    setIfPresent("Xmp.tiff.ResolutionUnit", "2");
    setIfPresent("Xmp.tiff.ImageWidth", std::to_string(width));
    setIfPresent("Xmp.tiff.ImageLength", std::to_string(height));
    setIfPresent("Xmp.exif.PixelXDimension", std::to_string(width));
    setIfPresent("Xmp.exif.PixelYDimension", std::to_string(height));
    setIfPresent("Xmp.exif.ColorSpace", "1");
    for (const char* key : {"Xmp.photoshop.ICCProfile", "Xmp.xmp.Thumbnails"}) {
        for (auto it = xmp.begin(); it != xmp.end();) {
            it = it->key().rfind(key, 0) == 0 ? xmp.erase(it) : std::next(it);
        }
    }
    std::string encoded;
    if (Exiv2::XmpParser::encode(encoded, xmp, Exiv2::XmpParser::useCompactFormat) != 0) {
        return packet;
    }
    return encoded;
}

void lockXmp(void* mutex, bool lock) {
    auto* m = static_cast<std::mutex*>(mutex);
    if (lock) {
        m->lock();
    } else {
        m->unlock();
    }
}

}  // namespace

void setOutputResolution(Exiv2::ExifData& exif, std::int64_t dpi) {
    const Exiv2::URational resolution(static_cast<std::uint32_t>(std::min<std::int64_t>(
                                          dpi, std::numeric_limits<std::uint32_t>::max())),
                                      1);
    exif["Exif.Image.XResolution"] = resolution;
    exif["Exif.Image.YResolution"] = resolution;
    exif["Exif.Image.ResolutionUnit"] = std::uint16_t{2};
    exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(kWrittenOrientation);
}

OutputMetadata describeOutput(const SourceMetadataData& source, std::int64_t dpi, int width,
                              int height) {
    OutputMetadata out;
    for (const auto& datum : source.exif) {
        if (!isStorageEntry(datum)) out.exif.add(datum);
    }
    auto& exif = out.exif;
    setOutputResolution(exif, dpi);
    if (exif.findKey(Exiv2::ExifKey("Exif.Photo.PixelXDimension")) != exif.end() ||
        exif.findKey(Exiv2::ExifKey("Exif.Photo.ExifVersion")) != exif.end()) {
        exif["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(width);
        exif["Exif.Photo.PixelYDimension"] = static_cast<std::uint32_t>(height);
    }
    // The pixels are sRGB now, whatever the source was.
    const auto colourSpace = exif.findKey(Exiv2::ExifKey("Exif.Photo.ColorSpace"));
    if (colourSpace != exif.end()) *colourSpace = std::uint16_t{1};
    const auto interop = exif.findKey(Exiv2::ExifKey("Exif.Iop.InteroperabilityIndex"));
    if (interop != exif.end()) *interop = std::string("R98");
    out.xmpPacket = xmpWithOutputFacts(source.xmpPacket, dpi, width, height);
    out.iptc = source.iptc;
    return out;
}

namespace {

bool embedOnce(std::vector<std::uint8_t>& encoded, const OutputMetadata& metadata) {
    try {
        auto image = Exiv2::ImageFactory::open(encoded.data(), static_cast<long>(encoded.size()));
        if (!image.get()) return false;
        image->readMetadata();
        image->setExifData(metadata.exif);
        image->setIptcData(metadata.iptc);
        if (!metadata.xmpPacket.empty()) {
            image->setXmpPacket(metadata.xmpPacket);
            image->writeXmpFromPacket(true);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0) return false;
        std::vector<std::uint8_t> result(io.size());
        const long got = io.read(result.data(), static_cast<long>(result.size()));
        io.close();
        if (got != static_cast<long>(result.size())) return false;
        encoded = std::move(result);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

LeftOut embedMetadata(std::vector<std::uint8_t>& encoded, const OutputMetadata& metadata) {
    // exiv2 refuses a part too large for the container (a JPEG segment holds 64 KB); the
    // camera's EXIF matters most to the user, so it is the last to give way.
    if (embedOnce(encoded, metadata)) return {};
    OutputMetadata reduced = metadata;
    LeftOut left;
    if (!reduced.xmpPacket.empty()) {
        reduced.xmpPacket.clear();
        left.xmp = true;
        if (embedOnce(encoded, reduced)) return left;
    }
    if (!reduced.iptc.empty()) {
        reduced.iptc.clear();
        left.iptc = true;
        if (embedOnce(encoded, reduced)) return left;
    }
    return {true, true, true};
}

std::optional<ImageNote> leftOutNote(const LeftOut& leftOut, const std::string& container) {
    if (!leftOut.any()) return std::nullopt;
    const NoteKind kind = leftOut.exif                  ? NoteKind::MetadataNotKept
                          : leftOut.xmp && leftOut.iptc ? NoteKind::XmpAndIptcNotKept
                          : leftOut.xmp                 ? NoteKind::XmpNotKept
                                                        : NoteKind::IptcNotKept;
    return ImageNote{kind, fillIn(_("too large for %1"), {container})};
}

std::vector<std::string> removeEntriesTheBlockCannotTake(Exiv2::ExifData& exif) {
    std::vector<std::string> dropped;
    try {
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
        Exiv2::ExifData kept;
        if (!blob.empty()) Exiv2::ExifParser::decode(kept, blob.data(), blob.size());
        for (auto entry = exif.begin(); entry != exif.end();) {
            if (entry->size() > 4096 && kept.findKey(Exiv2::ExifKey(entry->key())) == kept.end()) {
                dropped.push_back(entry->tagName());
                entry = exif.erase(entry);
            } else {
                ++entry;
            }
        }
    } catch (const std::exception&) {
        // The block is encoded again for the output; its failure is judged there.
    }
    return dropped;
}

std::vector<std::uint8_t> exifBlock(const Exiv2::ExifData& exif) {
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    return {blob.begin(), blob.end()};
}

std::optional<Resolution> exifResolution(const std::uint8_t* block, std::size_t size) {
    if (size >= 6 && std::memcmp(block, "Exif\0\0", 6) == 0) {
        block += 6;
        size -= 6;
    }
    try {
        Exiv2::ExifData exif;
        Exiv2::ExifParser::decode(exif, block, static_cast<std::uint32_t>(size));
        const auto x = exif.findKey(Exiv2::ExifKey("Exif.Image.XResolution"));
        if (x == exif.end()) return std::nullopt;
        const auto y = exif.findKey(Exiv2::ExifKey("Exif.Image.YResolution"));
        const auto unitEntry = exif.findKey(Exiv2::ExifKey("Exif.Image.ResolutionUnit"));
        const long unit = unitEntry == exif.end() ? 2 : unitEntry->toLong();
        const double perInch = unit == 2 ? 1.0 : unit == 3 ? 2.54 : 0.0;
        if (perInch == 0) return std::nullopt;
        const double xValue = x->toFloat() * perInch;
        const double yValue = y == exif.end() ? xValue : y->toFloat() * perInch;
        if (!(xValue > 0) || !(yValue > 0)) return std::nullopt;
        return Resolution{xValue, yValue};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void addExifProperties(const Exiv2::ExifData& exif, ImageProperties& properties) {
    constexpr std::size_t kLongestValue = 1024;
    for (const auto& datum : exif) {
        if (static_cast<std::size_t>(datum.size()) > kLongestValue) continue;  // maker notes, blobs
        properties[datum.key()] = datum.toString();
    }
}

void initialiseMetadataLibrary() {
    static std::mutex xmpMutex;
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize(lockXmp, &xmpMutex);
    Exiv2::enableBMFF(true);
}

void shutdownMetadataLibrary() { Exiv2::XmpParser::terminate(); }

}  // namespace varnholt
