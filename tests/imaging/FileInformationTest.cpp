// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "ImagingTestSupport.h"

namespace varnholt {
namespace {

using testing::TempFolder;
using testing::testdata;
using namespace std::string_view_literals;

TEST(FileInformation, ReadingsAgreeWithTheCorpusIndex) {
    int checked = 0;
    for (const auto& row : testing::indexRows()) {
        const std::string path = testdata(row.at("path"));
        SCOPED_TRACE(row.at("path"));
        const auto size = ImageTools::readPixelSize(path);
        // ImageMagick, which the index asked, refuses a cut BMP at its header; ours reads the
        // header, as the other formats' loaders do, and fails the pixels.
        if (row.at("notes").find("BROKEN: truncated BMP") != std::string::npos) {
            EXPECT_EQ(size.value_or(PixelSize{}).width, std::stoi(row.at("width")));
            EXPECT_FALSE(testing::displayedPixels(path, 50, 40).has_value());
            continue;
        }
        if (row.at("vipsheader_ok") != "yes") {
            EXPECT_FALSE(size.has_value());
            EXPECT_EQ(ImageTools::readDPI(path), 72);
            EXPECT_EQ(ImageTools::readOrientation(path), 1);
            continue;
        }
        const std::string dpi = row.at("dpi_x");
        EXPECT_EQ(ImageTools::readDPI(path), dpi.empty() ? 72 : std::llround(std::stod(dpi)));
        const int stated = std::stoi(row.at("exif_orientation"));
        const bool heif = row.at("vips_loader") == "heifload";
        const int code = heif || stated < 1 || stated > 8 ? 1 : stated;
        EXPECT_EQ(ImageTools::readOrientation(path), code);
        const auto properties = ImageTools::readImageProperties(path).value_or(ImageProperties{});
        EXPECT_EQ(properties.at("Orientation"), std::to_string(code));
        const auto dpiWidth = properties.count("DPIWidth") ? properties.at("DPIWidth") : "72";
        EXPECT_EQ(std::llround(std::stod(dpiWidth)), ImageTools::readDPI(path));
        // Upright: sides exchanged for the codes 5 to 8.
        const std::string width = row.at(code >= 5 ? "vips_height" : "vips_width");
        const std::string height = row.at(code >= 5 ? "vips_width" : "vips_height");
        EXPECT_EQ(properties.at("PixelWidth"), width);
        if (std::stod(width) * std::stod(height) > 268'402'689) {
            EXPECT_FALSE(size.has_value()) << "a decompression bomb must not load";
            continue;
        }
        EXPECT_EQ(size.value_or(PixelSize{}).width, std::stod(width));
        EXPECT_EQ(size.value_or(PixelSize{}).height, std::stod(height));
        ++checked;
        if (row.at("notes").rfind("BROKEN", 0) == 0) {  // the header reads, the pixels do not
            EXPECT_FALSE(testing::displayedPixels(path, 50, 40).has_value());
        }
    }
    EXPECT_GT(checked, 90);
}

TEST(FileInformation, FilesThatAreNoAcceptedImageGiveTheDefaultsWithoutBlocking) {
    TempFolder folder;
    ASSERT_EQ(mkfifo(folder.path("pipe.jpg").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(folder.path("folder.jpg").c_str(), 0700), 0);
    // Accepted formats are told by content: none of these heads is one, whatever the name.
    const std::pair<const char*, std::optional<std::string_view>> files[] = {
        {"pipe.jpg", {}},
        {"folder.jpg", {}},
        {"missing.jpg", {}},
        {"notes.jpg", "just some text, not a picture\n"},
        {"truncated-magic.png", "\x89PNG"},
        {"head-only.jpg", "\xFF\xD8"},
        {"cr3.heic", "\0\0\0\030ftypcrx \0\0\0\1crx isom"sv},
        {"cr-added-in-transit.png", "\x89PNG\r\r\n\x1A\n\0\0\0\rIHDR"sv},
        {"gif90.gif", "GIF90a\x10\0\x10\0\0\0\0"sv},
        {"not-tiff.tif", "II\0*\x08\0\0\0"sv},
        {"film.heic", "\0\0\0\024ftypisom\0\0\0\0mp41"sv},
        {"drawing.jpg", "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\"/>"},
        {"document.jpg", "%PDF-1.7\n"},
        {"pcx.bmp", "\x0A\x05\x01\x08\0\0\0\0\x0F\0\x0F\0"sv}};
    for (const auto& [name, content] : files) {
        const std::string path = folder.path(name);
        if (content) std::ofstream(path, std::ios::binary) << *content;
        SCOPED_TRACE(name);
        EXPECT_FALSE(ImageTools::readPixelSize(path).has_value());
        EXPECT_EQ(ImageTools::readDPI(path), 72);
        EXPECT_EQ(ImageTools::readOrientation(path), 1);
        EXPECT_FALSE(ImageTools::readImageProperties(path).has_value());
        EXPECT_FALSE(ImageTools::readTypeIdentifier(path).has_value());
        const char* reason = content                   ? "not an image of an accepted format"
                             : name == "missing.jpg"sv ? "file not found"
                                                       : "not a regular file";
        EXPECT_EQ(std::get<ImageFailure>(ImageTools::openImage(path)).describe(), reason);
    }
    // A sparse 200 GB BMP fails cleanly instead of exhausting memory.
    std::ofstream(folder.path("huge.bmp")) << "BM";
    ASSERT_EQ(::truncate(folder.path("huge.bmp").c_str(), 200LL << 30), 0);
    EXPECT_FALSE(ImageTools::loadImage(folder.path("huge.bmp")).has_value());
}

TEST(FileInformation, TheContentDecidesTheTypeWhateverTheName) {
    const char* jpeg = "ianare-exif-samples/DSCN0010.jpg";
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {jpeg, "a photo ü.jpg", "public.jpeg"},
        {jpeg, "shot[1].jpg", "public.jpeg"},
        {jpeg, "x.jpg[0]", "public.jpeg"},
        {jpeg, "-n.jpg", "public.jpeg"},
        {"pngsuite/basn2c08.png", "png.jpg", "public.png"},
        {"libvips/world.jp2", "w.jp2", "public.jpeg-2000"},
        {"pillow/hopper_bigtiff.tif", "t.tif", "public.tiff"},
        {"pillow/rgb24.bmp", "b.bmp", "com.microsoft.bmp"},
        {"ianare-exif-samples/IMG_5195.HEIC", "h.heic", "public.heic"}};
    TempFolder folder;
    for (const auto& [source, name, type] : rows) {
        const std::string path = folder.path(name);
        std::filesystem::copy_file(testdata(source), path);
        SCOPED_TRACE(path);
        EXPECT_EQ(ImageTools::readTypeIdentifier(path), std::optional<std::string>(type));
        EXPECT_TRUE(ImageTools::readPixelSize(path).has_value());
    }
    // Less common heads of accepted formats: GIF87a, and HEIF whose major brand is mif1.
    testing::run("/usr/bin/convert -size 4x4 xc:red gif87:" + testing::quoted(folder.path("87")));
    std::filesystem::copy_file(testdata("ianare-exif-samples/IMG_5195.HEIC"), folder.path("mif1"));
    std::fstream(folder.path("mif1"), std::ios::in | std::ios::out).seekp(8) << "mif1";
    EXPECT_EQ(ImageTools::readTypeIdentifier(folder.path("87")), "com.compuserve.gif");
    EXPECT_EQ(ImageTools::readTypeIdentifier(folder.path("mif1")), "public.heic");
}

}  // namespace
}  // namespace varnholt
