#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "ImagingTestSupport.h"

namespace varnholt {
namespace {

using testing::tagValue;
using testing::TempFolder;
using testing::testdata;

const std::string kCameraPhoto = testdata("ianare-exif-samples/DSCN0010.jpg");  // GPS, 300 dpi

TEST(Metadata, KeptCameraEntriesAndGpsReachEveryFormatThatHoldsThem) {
    const std::pair<OutputFormat, const char*> formats[] = {{OutputFormat::JPG, "jpg"},
                                                            {OutputFormat::PNG, "png"},
                                                            {OutputFormat::TIFF, "tiff"},
                                                            {OutputFormat::JP2, "jp2"},
                                                            {OutputFormat::HEIC, "heic"}};
    TempFolder folder;
    std::map<std::string, std::int64_t> outputs;  // with their DPI
    for (const auto& [format, extension] : formats) {
        for (const std::int64_t dpi : {72, 150}) {
            const std::string path = folder.path(std::to_string(dpi) + "." + extension);
            const auto result =
                testing::saveResized(kCameraPhoto, path, format, 320, 240, true, dpi);
            ASSERT_TRUE(result.ok) << path << ": " << result.reason;
            outputs[path] = dpi;
        }
    }
    std::vector<std::string> paths;
    for (const auto& [path, dpi] : outputs) paths.push_back(path);
    for (const auto& [path, tags] : testing::exiftoolTagsOfFiles(paths)) {
        SCOPED_TRACE(path);
        EXPECT_EQ(tagValue(tags, "Make"), "NIKON");
        EXPECT_EQ(tagValue(tags, "Model"), "COOLPIX P6000");
        EXPECT_EQ(tagValue(tags, "DateTimeOriginal"), "2008:10:22 16:28:39");
        EXPECT_NEAR(std::stod(tagValue(tags, "GPSLatitude").value_or("0")), 43.46745, 1e-4);
        EXPECT_NEAR(std::stod(tagValue(tags, "GPSLongitude").value_or("0")), 11.88513, 1e-4);
        EXPECT_TRUE(tagValue(tags, "XMPToolkit").has_value());
        // The output's own resolution and size, never the source's, and no stale thumbnail.
        EXPECT_EQ(tagValue(tags, "XResolution"), std::to_string(outputs[path]));
        EXPECT_EQ(tagValue(tags, "ResolutionUnit"), "2");
        EXPECT_EQ(ImageTools::readDPI(path), outputs[path]);
        EXPECT_EQ(tagValue(tags, "ExifImageWidth"), "320");
        EXPECT_FALSE(tagValue(tags, "ThumbnailLength").has_value());
    }
    EXPECT_EQ(paths.size(), 10u);
}

TEST(Metadata, KeptXmpAndIptcGoWhereTheFormatHoldsThem) {
    TempFolder folder;
    const std::string source = testdata("ianare-exif-samples/BlueSquare.jpg");
    for (const auto& [format, name] :
         {std::pair{OutputFormat::JPG, "k.jpg"}, std::pair{OutputFormat::PNG, "k.png"}}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(testing::saveResized(source, folder.path(name), format, 90, 54, true).ok);
        const auto tags = testing::exiftoolTags(folder.path(name), "-G");
        EXPECT_EQ(tagValue(tags, "[XMP]           CreatorTool"), "Adobe Photoshop CS2 Macintosh");
        EXPECT_FALSE(tagValue(tags, "[ExifTool]      Warning").has_value());
        if (format != OutputFormat::JPG) continue;
        EXPECT_TRUE(std::any_of(tags.begin(), tags.end(),
                                [](const auto& tag) { return tag.first.rfind("[IPTC]", 0) == 0; }));
    }
}

TEST(Metadata, NotKeptLeavesNothingOfTheSourceButStatesTheDpi) {
    const std::pair<OutputFormat, const char*> formats[] = {
        {OutputFormat::JPG, "jpg"},  {OutputFormat::PNG, "png"}, {OutputFormat::TIFF, "tif"},
        {OutputFormat::JP2, "jp2"},  {OutputFormat::GIF, "gif"}, {OutputFormat::BMP, "bmp"},
        {OutputFormat::HEIF, "heif"}};
    TempFolder folder;
    std::vector<std::string> outputs;
    for (const auto& source : {testdata("ianare-exif-samples/BlueSquare.jpg"), kCameraPhoto,
                               testdata("sharp/tifftag-photoshop.tiff")}) {
        for (const auto& [format, extension] : formats) {
            outputs.push_back(folder.path(std::to_string(outputs.size()) + "." + extension));
            SCOPED_TRACE(source + " -> " + outputs.back());
            ASSERT_TRUE(
                testing::saveResized(source, outputs.back(), format, 64, 48, false, 300).ok);
            if (format != OutputFormat::GIF) {
                EXPECT_EQ(ImageTools::readDPI(outputs.back()), 300);
            }
        }
    }
    for (const auto& [path, tags] : testing::exiftoolTagsOfFiles(outputs, "-G")) {
        for (const auto& [name, value] : tags) {
            for (const char* group :
                 {"[XMP", "[IPTC", "[GPS", "[Photoshop", "[MakerNotes", "[ICC_Profile"}) {
                EXPECT_NE(name.rfind(group, 0), 0u) << path << ": " << name << " = " << value;
            }
            EXPECT_EQ(name.find("Make"), std::string::npos) << path << ": " << name;
            EXPECT_EQ(name.find("DateTimeOriginal"), std::string::npos) << path << ": " << name;
        }
    }
}

TEST(Metadata, TheFileDateIsTheSourcesCreationDate) {
    TempFolder folder;
    const std::string source = folder.path("source.jpg");
    std::filesystem::copy_file(kCameraPhoto, source);
    // 1 March 2019, 10:20:30: earlier than the copy's birth, so it is the creation date.
    const struct timespec march[2] = {{1551435630, 0}, {1551435630, 250000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), march, 0), 0);
    EXPECT_EQ(ImageTools::readCreationDate(source).value_or(FileTime{}).seconds, 1551435630);
    for (const auto& [format, name] :
         {std::pair{OutputFormat::JPG, "out.jpg"}, std::pair{OutputFormat::GIF, "out.gif"}}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(testing::saveResized(source, folder.path(name), format, 64, 48, true).ok);
        struct stat info {};
        ASSERT_EQ(stat(folder.path(name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mtim.tv_sec, 1551435630);
        EXPECT_EQ(info.st_atim.tv_sec, 1551435630);
    }
    // A date that cannot be set is reported.
    const auto meta = ImageTools::readSourceMetadata(source);
    ASSERT_TRUE(meta.has_value());
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(ImageTools::copyMetadataAndDate("/nonexistent/folder/out.jpg", *meta));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "ERROR\n");
}

TEST(Metadata, EntriesTooLargeForAJpegSegmentDoNotCostTheRest) {
    TempFolder folder;
    const std::string source = folder.path("big.png");
    std::filesystem::copy_file(testdata("pngsuite/basn2c08.png"), source);
    // 70 KB of comment: more than the 64 KB a JPEG EXIF segment holds.
    testing::run("exiftool -q -overwrite_original -Make=BigCo -UserComment=" +
                 std::string(70000, 'x') + " " + testing::quoted(source));
    ASSERT_EQ(tagValue(testing::exiftoolTags(source), "Make"), "BigCo");
    ASSERT_TRUE(
        testing::saveResized(source, folder.path("big.jpg"), OutputFormat::JPG, 16, 16, true).ok);
    const auto tags = testing::exiftoolTags(folder.path("big.jpg"));
    EXPECT_EQ(tagValue(tags, "Make"), "BigCo");
    EXPECT_EQ(tagValue(tags, "ImageSize"), "16 16");
}

}  // namespace
}  // namespace varnholt
