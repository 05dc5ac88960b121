// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/TiffMetadataTags.h"

#include <algorithm>
#include <optional>

#include "imaging/BoundedPng.h"
#include "imaging/SourceFile.h"

namespace varnholt {
namespace {

constexpr std::size_t kEntrySize = 12;

struct Reader {
    std::span<const std::uint8_t> bytes;
    bool bigEndian = false;

    std::optional<std::uint32_t> number(std::size_t at, int size) const {
        if (at > bytes.size() || bytes.size() - at < static_cast<std::size_t>(size)) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            const int shift = bigEndian ? 8 * (size - 1 - i) : 8 * i;
            value |= std::uint32_t{bytes[at + static_cast<std::size_t>(i)]} << shift;
        }
        return value;
    }
};

std::uint64_t typeSize(std::uint32_t type) {
    switch (type) {
        case 3:  // SHORT
        case 8:  // SSHORT
            return 2;
        case 4:   // LONG
        case 9:   // SLONG
        case 11:  // FLOAT
        case 13:  // IFD
            return 4;
        case 5:   // RATIONAL
        case 10:  // SRATIONAL
        case 12:  // DOUBLE
            return 8;
        default:
            return 1;
    }
}

const char* metadataPart(std::uint32_t tag) {
    switch (tag) {
        case 700:
            return "XMP";
        case 33723:
        case 34377:  // Photoshop resources, where IPTC lives
            return "IPTC";
        case 34675:
            return "ICC profile";
        default:
            return nullptr;
    }
}

}  // namespace

TiffOversizedTags tiffOversizedTags(std::span<const std::uint8_t> header,
                                    std::span<const std::uint8_t> directory) {
    TiffOversizedTags found;
    if (header.size() < 8) return found;
    const bool bigEndian = header[0] == 'M';
    // Classic TIFF only: BigTIFF's 64-bit counts are left to libtiff's own limits.
    const auto offset = Reader{header, bigEndian}.number(4, 4);
    if (Reader{header, bigEndian}.number(2, 2) != 42u || !offset) return found;
    const Reader reader{directory, bigEndian};
    const auto entries = reader.number(0, 2);
    for (std::uint32_t i = 0; entries && i < *entries; ++i) {
        const std::size_t at = 2 + i * kEntrySize;
        const auto tag = reader.number(at, 2), type = reader.number(at + 2, 2),
                   count = reader.number(at + 4, 4);
        if (!tag || !type || !count) break;
        const char* part = metadataPart(*tag);
        if (!part || *count * typeSize(*type) <= kMaxMetadataBytes) continue;
        found.patches.push_back(
            {std::int64_t{*offset} + static_cast<std::int64_t>(at + 4), {0, 0, 0, 0}});
        std::string note = oversizeNote(part);
        if (std::find(found.dropped.begin(), found.dropped.end(), note) == found.dropped.end())
            found.dropped.push_back(std::move(note));
    }
    return found;
}

TiffOversizedTags tiffOversizedTags(const SourceFile& file) {
    const std::vector<std::uint8_t> header = file.readAt(0, 8);
    if (header.size() < 8) return {};
    const bool bigEndian = header[0] == 'M';
    const auto offset = Reader{header, bigEndian}.number(4, 4);
    if (!offset) return {};
    const std::vector<std::uint8_t> count = file.readAt(*offset, 2);
    const auto entries = Reader{count, bigEndian}.number(0, 2);
    if (!entries) return {};
    return tiffOversizedTags(header, file.readAt(*offset, 2 + *entries * kEntrySize));
}

}  // namespace varnholt
