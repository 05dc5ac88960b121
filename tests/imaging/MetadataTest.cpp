#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>

#include "ImagingTestSupport.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

using testing::tagValue;
using testing::TempFolder;
using testing::testdata;

const std::string kCameraPhoto = "ianare-exif-samples/DSCN0010.jpg";  // GPS, 300 dpi

// The batch's order for one image with the metadata kept.
SaveResult saveKept(const std::string& source, const std::string& output, OutputFormat format,
                    std::int64_t width, std::int64_t height, std::int64_t dpi) {
    const auto loaded = ImageTools::loadImage(source);
    const auto meta = ImageTools::readSourceMetadata(source);
    if (!loaded || !meta) return {false, "cannot read the source"};
    auto scaled =
        ImageTools::drawScaled(ImageTools::normalizeToPixelSize(*loaded, source), width, height);
    if (!scaled) return {false, "cannot scale"};
    Image image = *scaled;
    if (const auto turn = ImageTools::rotationForOrientation(meta->orientation(), format)) {
        image = ImageTools::rotateImage(image, *turn);
    }
    image = ImageTools::mergeOutputDPI(ImageTools::stampDPI(image, dpi), *meta, dpi);
    const auto result = ImageTools::saveImage(image, output, format, 0.8);
    if (result.ok) ImageTools::copyMetadataAndDate(output, *meta);
    return result;
}

SaveResult saveStripped(const std::string& source, const std::string& output, OutputFormat format,
                        std::int64_t width, std::int64_t height, std::int64_t dpi) {
    const auto loaded = ImageTools::loadImage(source);
    if (!loaded) return {false, "cannot read the source"};
    const auto scaled = ImageTools::drawScaled(*loaded, width, height);
    if (!scaled) return {false, "cannot scale"};
    return ImageTools::saveImage(ImageTools::stampDPI(*scaled, dpi), output, format, 0.8);
}

struct KeptRow {
    OutputFormat format;
    const char* extension;
    bool holdsXmp;
};

TEST(Metadata, KeptCameraEntriesAndGpsReachEveryFormatThatHoldsThem) {
    const KeptRow rows[] = {
        {OutputFormat::JPG, "jpg", true},   {OutputFormat::PNG, "png", true},
        {OutputFormat::TIFF, "tiff", true}, {OutputFormat::JP2, "jp2", true},
        {OutputFormat::HEIC, "heic", true},
    };
    TempFolder folder;
    for (const auto& row : rows) {
        if (row.format == OutputFormat::HEIC && !ImageTools::heifSupported()) continue;
        for (const std::int64_t dpi : {72, 150}) {
            const std::string path =
                folder.path("kept" + std::to_string(dpi) + "." + row.extension);
            SCOPED_TRACE(path);
            const auto result = saveKept(testdata(kCameraPhoto), path, row.format, 320, 240, dpi);
            ASSERT_TRUE(result.ok) << result.reason;
            const auto tags = testing::exiftoolTags(path);
            EXPECT_EQ(tagValue(tags, "Make"), "NIKON");
            EXPECT_EQ(tagValue(tags, "Model"), "COOLPIX P6000");
            EXPECT_EQ(tagValue(tags, "DateTimeOriginal"), "2008:10:22 16:28:39");
            ASSERT_TRUE(tagValue(tags, "GPSLatitude").has_value());
            EXPECT_NEAR(std::stod(*tagValue(tags, "GPSLatitude")), 43.46745, 1e-4);
            EXPECT_NEAR(std::stod(*tagValue(tags, "GPSLongitude")), 11.88513, 1e-4);
            // The output's own resolution, never the source's 300.
            EXPECT_EQ(tagValue(tags, "XResolution"), std::to_string(dpi));
            EXPECT_EQ(tagValue(tags, "ResolutionUnit"), "2");
            EXPECT_EQ(ImageTools::readDPI(path), dpi);
            EXPECT_EQ(tagValue(tags, "ExifImageWidth"), "320");
            if (row.holdsXmp) {
                EXPECT_TRUE(tagValue(tags, "XMPToolkit").has_value());
            }
            // No stale thumbnail of the source.
            EXPECT_FALSE(tagValue(tags, "ThumbnailLength").has_value());
        }
    }
}

TEST(Metadata, KeptXmpAndIptcGoWhereTheFormatHoldsThem) {
    TempFolder folder;
    const std::string source = testdata("ianare-exif-samples/BlueSquare.jpg");
    ASSERT_TRUE(saveKept(source, folder.path("k.jpg"), OutputFormat::JPG, 90, 54, 72).ok);
    auto tags = testing::exiftoolTags(folder.path("k.jpg"), "-G");
    EXPECT_EQ(tagValue(tags, "[XMP]           CreatorTool"), "Adobe Photoshop CS2 Macintosh");
    bool hasIptc = false;
    for (const auto& [name, value] : tags) hasIptc = hasIptc || name.rfind("[IPTC]", 0) == 0;
    EXPECT_TRUE(hasIptc);

    ASSERT_TRUE(saveKept(source, folder.path("k.png"), OutputFormat::PNG, 90, 54, 72).ok);
    tags = testing::exiftoolTags(folder.path("k.png"), "-G");
    EXPECT_EQ(tagValue(tags, "[XMP]           CreatorTool"), "Adobe Photoshop CS2 Macintosh");
    EXPECT_FALSE(tagValue(tags, "[ExifTool]      Warning").has_value());
}

TEST(Metadata, NotKeptLeavesNothingOfTheSourceButStatesTheDpi) {
    struct Row {
        OutputFormat format;
        const char* extension;
    };
    const Row rows[] = {{OutputFormat::JPG, "jpg"},  {OutputFormat::PNG, "png"},
                        {OutputFormat::TIFF, "tif"}, {OutputFormat::JP2, "jp2"},
                        {OutputFormat::GIF, "gif"},  {OutputFormat::BMP, "bmp"},
                        {OutputFormat::HEIF, "heif"}};
    TempFolder folder;
    for (const char* source : {"ianare-exif-samples/BlueSquare.jpg", kCameraPhoto.c_str(),
                               "sharp/tifftag-photoshop.tiff"}) {
        for (const auto& row : rows) {
            if (row.format == OutputFormat::HEIF && !ImageTools::heifSupported()) continue;
            const std::string path = folder.path(std::string("plain.") + row.extension);
            SCOPED_TRACE(std::string(source) + " -> " + path);
            ASSERT_TRUE(saveStripped(testdata(source), path, row.format, 64, 48, 300).ok);
            const auto tags = testing::exiftoolTags(path, "-G");
            for (const auto& [name, value] : tags) {
                for (const char* group :
                     {"[XMP", "[IPTC", "[GPS", "[Photoshop", "[MakerNotes", "[ICC_Profile"}) {
                    EXPECT_NE(name.rfind(group, 0), 0u) << name << " = " << value;
                }
                EXPECT_EQ(name.find("Make"), std::string::npos) << name;
                EXPECT_EQ(name.find("DateTimeOriginal"), std::string::npos) << name;
            }
            if (row.format != OutputFormat::GIF) {
                EXPECT_EQ(ImageTools::readDPI(path), 300);
            }
        }
    }
}

TEST(Metadata, TheFileDateIsTheSourcesCreationDate) {
    TempFolder folder;
    const std::string source = folder.path("source.jpg");
    testing::copyFile(testdata(kCameraPhoto), source);
    // 1 March 2019, 10:20:30: earlier than the copy's birth, so it is the creation date.
    const struct timespec march[2] = {{1551435630, 0}, {1551435630, 250000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), march, 0), 0);
    const auto date = ImageTools::readCreationDate(source);
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(date->seconds, 1551435630);

    for (const auto& [format, name] :
         {std::pair{OutputFormat::JPG, "out.jpg"}, std::pair{OutputFormat::GIF, "out.gif"}}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(saveKept(source, folder.path(name), format, 64, 48, 72).ok);
        struct stat info {};
        ASSERT_EQ(stat(folder.path(name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mtim.tv_sec, 1551435630);
        EXPECT_EQ(info.st_atim.tv_sec, 1551435630);
    }
}

TEST(Metadata, ADateThatCannotBeSetPrintsError) {
    const auto meta = ImageTools::readSourceMetadata(testdata(kCameraPhoto));
    ASSERT_TRUE(meta.has_value());
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(ImageTools::copyMetadataAndDate("/nonexistent/folder/out.jpg", *meta));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "ERROR\n");
}

TEST(Metadata, KeptOverTheSourceItselfCarriesTheSourcesEntries) {
    TempFolder folder;
    const std::string path = folder.path("same.jpg");
    testing::copyFile(testdata(kCameraPhoto), path);
    const struct timespec past[2] = {{1262304000, 0}, {1262304000, 0}};  // 1 January 2010
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), past, 0), 0);
    ASSERT_TRUE(saveKept(path, path, OutputFormat::JPG, 160, 120, 72).ok);
    const auto tags = testing::exiftoolTags(path);
    EXPECT_EQ(tagValue(tags, "Make"), "NIKON");
    EXPECT_EQ(tagValue(tags, "ImageSize"), "160 120");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1262304000);
}

TEST(Metadata, EntriesTooLargeForAJpegSegmentDoNotCostTheRest) {
    TempFolder folder;
    const std::string source = folder.path("big.png");
    testing::copyFile(testdata("pngsuite/basn2c08.png"), source);
    // 70 KB of comment: more than the 64 KB a JPEG EXIF segment holds.
    testing::run("exiftool -q -overwrite_original -Make=BigCo -UserComment=" +
                 std::string(70000, 'x') + " " + testing::quoted(source));
    ASSERT_EQ(tagValue(testing::exiftoolTags(source), "Make"), "BigCo");
    const std::string output = folder.path("big.jpg");
    ASSERT_TRUE(saveKept(source, output, OutputFormat::JPG, 16, 16, 72).ok);
    const auto tags = testing::exiftoolTags(output);
    EXPECT_EQ(tagValue(tags, "Make"), "BigCo");
    EXPECT_EQ(tagValue(tags, "ImageSize"), "16 16");
}

}  // namespace
}  // namespace varnholt
