// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/PngChunks.h"

#include <array>
#include <cstring>

namespace varnholt {
namespace {

constexpr std::size_t kSignatureSize = 8;

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

void appendBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

std::uint32_t readBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

}  // namespace

std::vector<std::uint8_t> pngChunk(std::string_view type, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> chunk;
    chunk.reserve(data.size() + 12);
    appendBe32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.insert(chunk.end(), type.begin(), type.end());
    chunk.insert(chunk.end(), data.begin(), data.end());
    const std::uint32_t crc = crc32(chunk.data() + 4, chunk.size() - 4, 0xFFFFFFFFu) ^ 0xFFFFFFFFu;
    appendBe32(chunk, crc);
    return chunk;
}

std::vector<std::uint8_t> pngExifChunk(const std::vector<std::uint8_t>& exifBlock) {
    return pngChunk("eXIf", exifBlock);
}

std::vector<std::uint8_t> pngXmpChunk(const std::string& packet) {
    // keyword, NUL, not compressed, method 0, empty language tag and translated keyword.
    static constexpr std::string_view kKeyword = "XML:com.adobe.xmp";
    std::vector<std::uint8_t> data(kKeyword.begin(), kKeyword.end());
    data.insert(data.end(), {0, 0, 0, 0, 0});
    data.insert(data.end(), packet.begin(), packet.end());
    return pngChunk("iTXt", data);
}

bool insertPngChunks(std::vector<std::uint8_t>& png, const std::vector<std::uint8_t>& chunks) {
    std::size_t at = kSignatureSize;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = readBe32(png.data() + at);
        if (std::memcmp(png.data() + at + 4, "IDAT", 4) == 0) {
            png.insert(png.begin() + static_cast<std::ptrdiff_t>(at), chunks.begin(), chunks.end());
            return true;
        }
        if (length > png.size() - at - 12) return false;
        at += 12 + length;
    }
    return false;
}

}  // namespace varnholt
