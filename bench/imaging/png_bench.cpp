// SPDX-License-Identifier: GPL-3.0-or-later
// What hostile PNG chunk lists cost, by hand (never run by ctest):
//   png_bench chunks [COUNT]   header read of COUNT tiny chunks, text and other by turns (200000)
//   png_bench bombs [COUNT]    metadata read of COUNT compressed XMP chunks of 17 MB each (200)
//   png_bench xmp [COUNT]      metadata read of COUNT compressed XMP chunks of 1 MB each (400)
// The files are written to $BENCH_OUTPUT (default .). Both reads should stay within a second.
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "imaging/ImageTools.h"

namespace {

using varnholt::ImageTools;
using Bytes = std::vector<std::uint8_t>;

void appendChunk(Bytes& png, const std::string& type, const Bytes& data) {
    const auto be32 = [&png](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    be32(static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type.begin(), type.end());
    png.insert(png.end(), data.begin(), data.end());
    be32(static_cast<std::uint32_t>(crc32(0, &png[start], static_cast<uInt>(png.size() - start))));
}

Bytes deflated(const std::string& text) {
    uLongf size = compressBound(text.size());
    Bytes out(size);
    compress2(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), text.size(), 9);
    out.resize(size);
    return out;
}

// A 64 x 64 grey PNG with the given chunks between its header and its pixels.
std::string writePng(const std::string& name,
                     const std::vector<std::pair<std::string, Bytes>>& chunks, int count) {
    Bytes png{0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    appendChunk(png, "IHDR", {0, 0, 0, 64, 0, 0, 0, 64, 8, 0, 0, 0, 0});
    for (int i = 0; i < count; ++i)
        appendChunk(png, chunks[i % chunks.size()].first, chunks[i % chunks.size()].second);
    appendChunk(png, "IDAT", deflated(std::string(64 * 65, '\0')));
    appendChunk(png, "IEND", {});
    const char* folder = std::getenv("BENCH_OUTPUT");
    const std::string path = std::string(folder ? folder : ".") + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    std::printf("%s: %d chunks, %zu bytes\n", name.c_str(), count, png.size());
    return path;
}

// A compressed iTXt chunk of XMP that inflates to the given number of bytes.
Bytes compressedXmp(std::size_t inflated) {
    const std::string keyword = "XML:com.adobe.xmp";
    Bytes data(keyword.begin(), keyword.end()), body = deflated(std::string(inflated, ' '));
    data.insert(data.end(), {0, 1, 0, 0, 0});
    data.insert(data.end(), body.begin(), body.end());
    return data;
}

void timed(const char* what, const std::function<bool()>& step) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = step();
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    std::printf("%s: %.0f ms (%s)\n", what, spent.count(), ok ? "ok" : "refused");
}

void metadataRead(const std::string& path) {
    std::optional<varnholt::ImageNote> note;
    timed("metadata read", [&] {
        const auto image = ImageTools::loadImage(path);
        if (image) note = ImageTools::readSourceMetadata(*image).sizeNote();
        return image.has_value();
    });
    std::printf("note: %s\n", note ? note->describe().c_str() : "none");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s chunks|bombs|xmp [COUNT]\n", argv[0]);
        return 2;
    }
    const ImageTools::Runtime runtime(argv[0]);
    const std::string mode = argv[1];
    const int given = argc > 2 ? std::atoi(argv[2]) : 0;
    if (mode == "chunks") {
        const Bytes comment{'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'};
        // Every text chunk left out splits what the decoder reads into one more piece.
        const auto path = writePng("bench-chunks.png", {{"tEXt", comment}, {"prVt", {}}},
                                   given > 0 ? given : 200000);
        timed("header read", [&] { return ImageTools::loadImage(path).has_value(); });
        return 0;
    }
    if (mode == "bombs" || mode == "xmp") {
        const bool bombs = mode == "bombs";
        const int count = given > 0 ? given : bombs ? 200 : 400;
        const Bytes xmp = compressedXmp(bombs ? 17u << 20 : 1u << 20);
        metadataRead(writePng(bombs ? "bench-bombs.png" : "bench-xmp.png", {{"iTXt", xmp}}, count));
        return 0;
    }
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}
