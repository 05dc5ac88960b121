// SPDX-License-Identifier: GPL-3.0-or-later
// BMP is read by a decoder of our own: hostile files must fail alone, and what reads must read
// as ImageMagick reads it.
#include <gtest/gtest.h>
#include <unistd.h>

#include "ImagingTestSupport.h"

namespace varnholt {
namespace {

using testing::TempFolder;
using Bytes = std::vector<std::uint8_t>;
using testing::writeBytes;

// ImageMagick is the oracle for every BMP variant of the corpus and for what is written. It
// takes the fourth byte of a 32-bit BI_RGB pixel as alpha; the format leaves that byte unused
// and our loader ignores it. The HEIF question leaves HEIF working.
TEST(BmpFiles, ReadsAndWritesAsImageMagickDoesAndHeifWorksAfterTheQuestion) {
    TempFolder folder;
    const auto ours = [](const std::string& path) {
        return ImageTools::rasterizeImage(*ImageTools::loadImage(path))->rgba;
    };
    const auto theirs = [](const std::string& path, const std::string& options = "") {
        const std::string raw = testing::run(std::string("/usr/bin/convert ")
                                                 .append(testing::quoted(path))
                                                 .append(options)
                                                 .append(" -depth 8 rgba:-"));
        return Bytes(raw.begin(), raw.end());
    };
    EXPECT_EQ(ours(testing::testdata("libvips/small.bmp")),
              theirs(testing::testdata("libvips/small.bmp"), " -alpha off"));
    for (const std::string name :
         {"pillow/pal1.bmp", "pillow/pal4rle.bmp", "pillow/pal8.bmp", "pillow/pal8os2.bmp",
          "pillow/rgb16-565.bmp", "pillow/rgb24.bmp", "pillow/rgb32bf.bmp", "pillow/rgba32.bmp"}) {
        EXPECT_EQ(ours(testing::testdata(name)), theirs(testing::testdata(name))) << name;
    }
    const std::string written = folder.path("small.bmp");  // flattened: BMP is written opaque
    ASSERT_TRUE(testing::saveResized(testing::testdata("libvips/small.bmp"), written,
                                     OutputFormat::BMP, 16, 12, false, 150)
                    .ok);
    EXPECT_EQ(ours(written), theirs(written));
    EXPECT_EQ(ImageTools::readDPI(written), 150);
    const auto bytes = testing::fileBytes(written);  // pixels per metre: y (at 42) as x (at 38)
    EXPECT_TRUE(std::equal(bytes.begin() + 38, bytes.begin() + 42, bytes.begin() + 42));
    ASSERT_TRUE(ImageTools::heifSupported());
    EXPECT_TRUE(testing::saveResized(testing::testdata("pillow/rgb24.bmp"), folder.path("a.heic"),
                                     OutputFormat::HEIC, 64, 32, false)
                    .ok);
}

// A BMP with a 40-byte header at 72 dpi; offset 0 puts the pixels right after the palette.
Bytes bmpFile(std::int32_t width, std::int32_t height, int bits, int compression,
              const Bytes& palette, const Bytes& pixels, std::uint32_t offset = 0) {
    const auto start = static_cast<std::uint32_t>(54 + palette.size());
    const std::uint32_t fields[] = {static_cast<std::uint32_t>(start + pixels.size()),
                                    0,
                                    offset ? offset : start,
                                    40,
                                    static_cast<std::uint32_t>(width),
                                    static_cast<std::uint32_t>(height),
                                    static_cast<std::uint32_t>(1 | bits << 16),  // planes, bits
                                    static_cast<std::uint32_t>(compression),
                                    0,
                                    2835,
                                    2835,
                                    0,
                                    0};
    Bytes out{'B', 'M'};
    for (const std::uint32_t field : fields) {
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<std::uint8_t>(field >> shift));
    }
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// Hostile headers and pixel data fail or pass one image each, quickly and within the picture.
TEST(BmpFiles, HostileFilesFailOrPassAloneWithinTheirPicture) {
    TempFolder folder;
    const Bytes grey(1024, 0x80);  // 256 palette entries
    Bytes runs;
    // Runs of 255, far past a 32-bit column counter, and no row end.
    for (int i = 0; i < (1 << 23) + 2; ++i) runs.insert(runs.end(), {0xFF, 0x01});
    const Bytes pastTheEnd{0xFF, 0x01, 0x00, 0x02, 0xFF, 0xFF};  // a run, a delta past the picture
    const Bytes rgb16{0, 0, 0, 0, 0xE0, 0x03, 0, 0, 0x1F, 0, 0, 0, 0xFF, 0x7F, 0, 0};  // zero red
    struct Row {
        const char* name;
        Bytes bytes;
        std::string reason;  // empty: written
    };
    const Row rows[] = {
        {"runs.bmp", bmpFile(64, 64, 8, 1, grey, runs), "damaged image data"},
        {"delta.bmp", bmpFile(3, 2, 8, 1, grey, pastTheEnd), ""},
        {"zero-mask.bmp", bmpFile(1, 1, 16, 3, {}, rgb16), ""},
        {"wide.bmp", bmpFile(20'000'000, 1, 24, 0, {}, {}), "damaged image data"},
        {"huge.bmp", bmpFile(100'000, 100'000, 24, 0, {}, {}), "too many pixels (at most 268 MP)"},
        {"far-offset.bmp", bmpFile(2, 2, 24, 0, {}, Bytes(16, 7), 0xFFFFFFF0),
         "damaged image data"},
        {"far-palette.bmp", bmpFile(2, 2, 8, 0, grey, Bytes(8, 1), 0xFFFFFFFF),
         "damaged image data"},
        {"cut.bmp", bmpFile(2, 2, 24, 0, {}, Bytes(9, 7)), "damaged image data"},
    };
    const std::string output = folder.path("out.png");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeBytes(folder.path(row.name), row.bytes);
        const auto opened = ImageTools::openImage(folder.path(row.name));
        SaveResult saved;
        if (const auto* failure = std::get_if<ImageFailure>(&opened)) {
            saved.failure = *failure;
        } else {
            saved = ImageTools::saveImage(std::get<Image>(opened), output, OutputFormat::PNG, 1);
        }
        EXPECT_EQ(saved.reason(), row.reason);
        ::unlink(output.c_str());
    }
}

// A pixel an RLE file skips is transparent: such files get an alpha band.
TEST(BmpFiles, RlePixelsSkippedAreTransparent) {
    TempFolder folder;
    Bytes palette(1024, 0);
    palette[4] = 200;  // entry 1: blue 200
    writeBytes(folder.path("rle.bmp"), bmpFile(2, 1, 8, 1, palette, {1, 1, 0, 1}));
    const auto image = ImageTools::loadImage(folder.path("rle.bmp"));
    EXPECT_EQ(ImageTools::rasterizeImage(*image)->rgba, Bytes({0, 0, 200, 255, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace varnholt
