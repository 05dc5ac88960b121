#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "ImagingTestSupport.h"

namespace varnholt {
namespace {

using testing::TempFolder;
using testing::testdata;

TEST(FileInformation, ReadingsAgreeWithTheCorpusIndex) {
    int checked = 0;
    for (const auto& row : testing::indexRows()) {
        const std::string path = testdata(row.at("path"));
        SCOPED_TRACE(row.at("path"));
        if (row.at("vipsheader_ok") != "yes") {
            EXPECT_FALSE(ImageTools::readPixelSize(path).has_value());
            EXPECT_EQ(ImageTools::readDPI(path), 72);
            EXPECT_EQ(ImageTools::readOrientation(path), 1);
            continue;
        }
        const std::string dpi = row.at("dpi_x");
        EXPECT_EQ(ImageTools::readDPI(path), dpi.empty() ? 72 : std::llround(std::stod(dpi)));
        const bool heif = row.at("vips_loader") == "heifload";
        const int stated = std::stoi(row.at("exif_orientation"));
        const int code = heif || stated < 1 || stated > 8 ? 1 : stated;
        EXPECT_EQ(ImageTools::readOrientation(path), code);

        const auto size = ImageTools::readPixelSize(path);
        const double width = std::stod(row.at("vips_width"));
        const double height = std::stod(row.at("vips_height"));
        if (width * height > 268'402'689) {
            EXPECT_FALSE(size.has_value()) << "a decompression bomb must not load";
            continue;
        }
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->width, code >= 5 ? height : width);
        EXPECT_EQ(size->height, code >= 5 ? width : height);
        ++checked;
    }
    EXPECT_GT(checked, 90);
}

TEST(FileInformation, FilesThatAreNoAcceptedImageGiveTheDefaultsWithoutBlocking) {
    TempFolder folder;
    ASSERT_EQ(mkfifo(folder.path("pipe.jpg").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(folder.path("folder.jpg").c_str(), 0700), 0);
    const std::pair<const char*, std::optional<std::string>> files[] = {
        {"pipe.jpg", {}},
        {"folder.jpg", {}},
        {"missing.jpg", {}},
        {"drawing.jpg",
         "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\" "
         "width=\"20\" height=\"20\"><rect width=\"20\" height=\"20\"/></svg>"},
        {"document.jpg", "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n"},
        {"notes.jpg", "just some text, not a picture\n"},
        {"empty.png", ""},
        {"pcx.bmp", std::string("\x0A\x05\x01\x08", 4) + std::string(124, '\0')},
        {"truncated-magic.png", "\x89PNG"},
    };
    for (const auto& [name, content] : files) {
        const std::string path = folder.path(name);
        if (content) std::ofstream(path, std::ios::binary) << *content;
        SCOPED_TRACE(name);
        EXPECT_FALSE(ImageTools::readPixelSize(path).has_value());
        EXPECT_EQ(ImageTools::readDPI(path), 72);
        EXPECT_EQ(ImageTools::readOrientation(path), 1);
        EXPECT_FALSE(ImageTools::readImageProperties(path).has_value());
        EXPECT_FALSE(ImageTools::readTypeIdentifier(path).has_value());
        EXPECT_FALSE(ImageTools::loadImage(path).has_value());
        EXPECT_FALSE(ImageTools::readSourceMetadata(path).has_value());
    }
}

TEST(FileInformation, TheContentDecidesTheTypeAndTheFirstPageTheSize) {
    const char* jpeg = "ianare-exif-samples/DSCN0010.jpg";
    const struct {
        const char* path;
        const char* copyAs;  // read in place when null
        const char* type;
        double width, height;
    } rows[] = {
        {jpeg, "a photo ü.jpg", "public.jpeg", 640, 480},
        {jpeg, "shot[1].jpg", "public.jpeg", 640, 480},
        {jpeg, "x.jpg[0]", "public.jpeg", 640, 480},
        {jpeg, "-n.jpg", "public.jpeg", 640, 480},
        {"pngsuite/basn2c08.png", "png.jpg", "public.png", 32, 32},
        {"libvips/world.jp2", nullptr, "public.jpeg-2000", 800, 400},
        {"sharp/relax.jp2", nullptr, "public.jpeg-2000", 320, 240},  // bare code stream
        {"pillow/hopper_bigtiff.tif", nullptr, "public.tiff", 128, 128},
        {"pillow/multipage.tiff", nullptr, "public.tiff", 10, 10},
        {"sharp/G31D_MULTI.TIF", nullptr, "public.tiff", 2464, 3248},
        {"sharp/animated-loop-3.gif", nullptr, "com.compuserve.gif", 370, 285},
        {"libvips/cogs.gif", nullptr, "com.compuserve.gif", 85, 77},
        {"pillow/rgb24.bmp", nullptr, "com.microsoft.bmp", 127, 64},
        {"ianare-exif-samples/IMG_5195.HEIC", nullptr, "public.heic", 2566, 3313},
    };
    TempFolder folder;
    for (const auto& row : rows) {
        const std::string path = row.copyAs ? folder.path(row.copyAs) : testdata(row.path);
        if (row.copyAs) std::filesystem::copy_file(testdata(row.path), path);
        SCOPED_TRACE(path);
        EXPECT_EQ(ImageTools::readTypeIdentifier(path), std::optional<std::string>(row.type));
        const auto size = ImageTools::readPixelSize(path);
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(std::pair(size->width, size->height), std::pair(row.width, row.height));
    }
}

TEST(FileInformation, PropertiesCarryResolutionOrientationAndCameraEntries) {
    const auto camera =
        ImageTools::readImageProperties(testdata("ianare-exif-samples/canon_hdr_YES.jpg"));
    const auto plain = ImageTools::readImageProperties(testdata("pngsuite/basn2c08.png"));
    ASSERT_TRUE(camera && plain);
    EXPECT_EQ(std::stod(camera->at("DPIWidth")), 180);
    EXPECT_EQ(std::stod(camera->at("DPIHeight")), 180);
    EXPECT_EQ(camera->at("Orientation"), "6");
    EXPECT_EQ(camera->at("Exif.Image.Make"), "Canon");
    EXPECT_EQ(camera->at("PixelWidth") + "x" + camera->at("PixelHeight"), "1536x2048");
    EXPECT_EQ(plain->count("Exif.Image.Make"), 0u);
    EXPECT_EQ(plain->at("Orientation"), "1");
}

}  // namespace
}  // namespace varnholt
