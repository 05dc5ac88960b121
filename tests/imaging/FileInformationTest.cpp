#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <fstream>

#include "ImagingTestSupport.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

using testing::IndexRow;
using testing::TempFolder;
using testing::testdata;

bool isHeifRow(const IndexRow& row) { return row.at("vips_loader") == "heifload"; }

bool loadsInLibvips(const IndexRow& row) { return row.at("vipsheader_ok") == "yes"; }

bool overPixelCap(const IndexRow& row) {
    return std::stoll(row.at("vips_width")) * std::stoll(row.at("vips_height")) > 268'402'689;
}

TEST(FileInformation, ReadingsAgreeWithTheCorpusIndex) {
    int checked = 0;
    for (const auto& row : testing::indexRows()) {
        const std::string path = testdata(row.at("path"));
        SCOPED_TRACE(row.at("path"));
        if (!loadsInLibvips(row)) {
            EXPECT_FALSE(ImageTools::readPixelSize(path).has_value());
            EXPECT_EQ(ImageTools::readDPI(path), 72);
            EXPECT_EQ(ImageTools::readOrientation(path), 1);
            EXPECT_FALSE(ImageTools::loadImage(path).has_value());
            continue;
        }
        const std::string statedDpi = row.at("dpi_x");
        EXPECT_EQ(ImageTools::readDPI(path),
                  statedDpi.empty() ? 72 : std::llround(std::stod(statedDpi)));

        const int code = std::stoi(row.at("exif_orientation"));
        const std::int64_t expectedCode = isHeifRow(row) || code < 1 || code > 8 ? 1 : code;
        EXPECT_EQ(ImageTools::readOrientation(path), expectedCode);

        const auto size = ImageTools::readPixelSize(path);
        if (overPixelCap(row)) {
            EXPECT_FALSE(size.has_value()) << "a decompression bomb must not load";
            continue;
        }
        ASSERT_TRUE(size.has_value());
        const bool sideways = !isHeifRow(row) && expectedCode >= 5;
        const double width = std::stod(row.at("vips_width"));
        const double height = std::stod(row.at("vips_height"));
        EXPECT_EQ(size->width, sideways ? height : width);
        EXPECT_EQ(size->height, sideways ? width : height);
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

TEST(FileInformation, MultiPageFilesDescribeTheirFirstPage) {
    struct Row {
        const char* path;
        double width;
        double height;
    };
    const Row rows[] = {
        {"pillow/multipage.tiff", 10, 10},
        {"sharp/G31D_MULTI.TIF", 2464, 3248},
        {"sharp/animated-loop-3.gif", 370, 285},
        {"libvips/cogs.gif", 85, 77},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const auto size = ImageTools::readPixelSize(testdata(row.path));
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->width, row.width);
        EXPECT_EQ(size->height, row.height);
    }
}

TEST(FileInformation, FilesThatAreNoAcceptedImageGiveTheDefaultsWithoutBlocking) {
    TempFolder folder;
    const auto write = [&](const std::string& name, const std::string& content) {
        std::ofstream(folder.path(name), std::ios::binary) << content;
        return folder.path(name);
    };
    const std::string fifo = folder.path("pipe.jpg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir(folder.path("folder.jpg").c_str(), 0700), 0);
    const std::string paths[] = {
        fifo,
        folder.path("folder.jpg"),
        folder.path("missing.jpg"),
        write("drawing.jpg",
              "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"20\" "
              "height=\"20\"><rect width=\"20\" height=\"20\" fill=\"red\"/></svg>"),
        write("document.jpg", "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n"),
        write("notes.jpg", "just some text, not a picture\n"),
        write("empty.png", ""),
        write("pcx.bmp", std::string("\x0A\x05\x01\x08", 4) + std::string(124, '\0')),
        write("truncated-magic.png", "\x89PNG"),
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(ImageTools::readPixelSize(path).has_value());
        EXPECT_EQ(ImageTools::readDPI(path), 72);
        EXPECT_EQ(ImageTools::readOrientation(path), 1);
        EXPECT_FALSE(ImageTools::readImageProperties(path).has_value());
        EXPECT_FALSE(ImageTools::readTypeIdentifier(path).has_value());
        EXPECT_FALSE(ImageTools::loadImage(path).has_value());
        EXPECT_FALSE(ImageTools::readSourceMetadata(path).has_value());
    }
}

TEST(FileInformation, PathsWithSpacesBracketsAndNonAsciiAreReadLikeAnyOther) {
    TempFolder folder;
    for (const std::string name : {"a photo ü.jpg", "shot[1].jpg", "x.jpg[0]", "-n.jpg"}) {
        SCOPED_TRACE(name);
        testing::copyFile(testdata("ianare-exif-samples/DSCN0010.jpg"), folder.path(name));
        EXPECT_EQ(ImageTools::readDPI(folder.path(name)), 300);
        const auto size = ImageTools::readPixelSize(folder.path(name));
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->width, 640);
    }
}

TEST(FileInformation, TypeIdentifiersNameTheContainerNotTheExtension) {
    TempFolder folder;
    testing::copyFile(testdata("pngsuite/basn2c08.png"), folder.path("really-a-png.jpg"));
    struct Row {
        std::string path;
        const char* type;
    };
    const Row rows[] = {
        {testdata("ianare-exif-samples/DSCN0010.jpg"), "public.jpeg"},
        {testdata("libvips/world.jp2"), "public.jpeg-2000"},
        {testdata("sharp/relax.jp2"), "public.jpeg-2000"},
        {testdata("pngsuite/basn2c08.png"), "public.png"},
        {testdata("libvips/trans-x.gif"), "com.compuserve.gif"},
        {testdata("pillow/hopper_bigtiff.tif"), "public.tiff"},
        {testdata("pillow/rgb24.bmp"), "com.microsoft.bmp"},
        {testdata("ianare-exif-samples/IMG_5195.HEIC"), "public.heic"},
        {folder.path("really-a-png.jpg"), "public.png"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(ImageTools::readTypeIdentifier(row.path), std::optional<std::string>(row.type));
    }
}

TEST(FileInformation, PropertiesCarryResolutionOrientationAndCameraEntries) {
    const auto properties =
        ImageTools::readImageProperties(testdata("ianare-exif-samples/canon_hdr_YES.jpg"));
    ASSERT_TRUE(properties.has_value());
    EXPECT_EQ(std::stod(properties->at("DPIWidth")), 180);
    EXPECT_EQ(std::stod(properties->at("DPIHeight")), 180);
    EXPECT_EQ(properties->at("Orientation"), "6");
    EXPECT_EQ(properties->at("PixelWidth"), "1536");
    EXPECT_EQ(properties->at("PixelHeight"), "2048");
    EXPECT_EQ(properties->at("Exif.Image.Make"), "Canon");

    const auto plain = ImageTools::readImageProperties(testdata("pngsuite/basn2c08.png"));
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->count("Exif.Image.Make"), 0u);
    EXPECT_EQ(plain->at("Orientation"), "1");
}

}  // namespace
}  // namespace varnholt
