// SPDX-License-Identifier: GPL-3.0-or-later
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

// Writes source as each format, kept or not, and returns exiftool's tags of all outputs.
std::map<std::string, testing::Tags> saveAll(const TempFolder& folder, const std::string& source,
                                             const std::vector<OutputFormat>& formats, bool keep,
                                             std::int64_t dpi, const std::string& options = "") {
    std::vector<std::string> paths;
    for (const auto format : formats) {
        paths.push_back(folder.path(std::to_string(dpi) + "-" + std::to_string(paths.size())));
        EXPECT_TRUE(testing::saveResized(source, paths.back(), format, 64, 48, keep, dpi).ok)
            << source << " as " << static_cast<int>(format);
    }
    return testing::exiftoolTagsOfFiles(paths, options);
}

TEST(Metadata, KeptEntriesReachEveryFormatThatHoldsThem) {
    TempFolder folder;
    for (const std::int64_t dpi : {72, 150}) {
        const auto files = saveAll(folder, kCameraPhoto,
                                   {OutputFormat::JPG, OutputFormat::PNG, OutputFormat::TIFF,
                                    OutputFormat::JP2, OutputFormat::HEIC},
                                   true, dpi);
        EXPECT_EQ(files.size(), 5u);
        for (const auto& [path, tags] : files) {
            SCOPED_TRACE(path);
            EXPECT_EQ(tagValue(tags, "Make"), "NIKON");
            EXPECT_EQ(tagValue(tags, "Model"), "COOLPIX P6000");
            EXPECT_EQ(tagValue(tags, "DateTimeOriginal"), "2008:10:22 16:28:39");
            EXPECT_NEAR(std::stod(tagValue(tags, "GPSLatitude").value_or("0")), 43.46745, 1e-4);
            EXPECT_NEAR(std::stod(tagValue(tags, "GPSLongitude").value_or("0")), 11.88513, 1e-4);
            EXPECT_TRUE(tagValue(tags, "XMPToolkit").has_value());
            // The output's own resolution and size, never the source's, and no stale thumbnail.
            EXPECT_EQ(tagValue(tags, "XResolution"), std::to_string(dpi));
            EXPECT_EQ(tagValue(tags, "ResolutionUnit"), "2");
            EXPECT_EQ(tagValue(tags, "ExifImageWidth"), "64");
            EXPECT_FALSE(tagValue(tags, "ThumbnailLength").has_value());
        }
    }
    // XMP and IPTC, from a file with both.
    const auto files = saveAll(folder, testdata("ianare-exif-samples/BlueSquare.jpg"),
                               {OutputFormat::JPG, OutputFormat::PNG}, true, 72, "-G");
    ASSERT_EQ(files.size(), 2u);
    for (const auto& [path, tags] : files) {
        SCOPED_TRACE(path);
        EXPECT_EQ(tagValue(tags, "[XMP]           CreatorTool"), "Adobe Photoshop CS2 Macintosh");
        EXPECT_FALSE(tagValue(tags, "[ExifTool]      Warning").has_value());
    }
    EXPECT_EQ(tagValue(files.begin()->second, "[IPTC]          ObjectName"),
              "Blue Square Test File - .jpg");  // the JPEG; PNG holds no IPTC
}

TEST(Metadata, NotKeptLeavesNothingOfTheSource) {
    TempFolder folder;
    for (const auto& source : {testdata("ianare-exif-samples/BlueSquare.jpg"), kCameraPhoto,
                               testdata("sharp/tifftag-photoshop.tiff")}) {
        const auto files =
            saveAll(folder, source,
                    {OutputFormat::JPG, OutputFormat::PNG, OutputFormat::TIFF, OutputFormat::JP2,
                     OutputFormat::BMP, OutputFormat::HEIF, OutputFormat::GIF},
                    false, 300, "-G");
        EXPECT_EQ(files.size(), 7u);
        for (const auto& [path, tags] : files) {
            SCOPED_TRACE(source + " as " + path);
            for (const auto& [name, value] : tags) {
                for (const char* group :
                     {"[XMP", "[IPTC", "[GPS", "[Photoshop", "[MakerNotes", "[ICC_Profile"}) {
                    EXPECT_NE(name.rfind(group, 0), 0u) << name << " = " << value;
                }
                EXPECT_EQ(name.find("Make"), std::string::npos) << name;
                EXPECT_EQ(name.find("DateTimeOriginal"), std::string::npos) << name;
            }
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
    // Also into a format that holds no metadata.
    ASSERT_TRUE(
        testing::saveResized(source, folder.path("out"), OutputFormat::GIF, 64, 48, true).ok);
    struct stat info {};
    ASSERT_EQ(stat(folder.path("out").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1551435630);
    EXPECT_EQ(info.st_atim.tv_sec, 1551435630);
    const SourceMetadata meta =
        ImageTools::readSourceMetadata(ImageTools::loadImage(source).value());
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(ImageTools::copyMetadataAndDate("/nonexistent/folder/out.jpg", meta));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "ERROR\n");
}

TEST(Metadata, WhatAJpegCannotHoldGivesWayPartByPartAndTheImageIsStillWritten) {
    // 68 KB of EXIF in entries of 4 KB, 100 KB of XMP, or one EXIF entry of 70 KB.
    std::string manyEntries;
    for (const char* tag :
         {"ImageDescription", "Model", "Software", "Artist", "Copyright", "DocumentName",
          "PageName", "HostComputer", "LensMake", "LensModel", "LensSerialNumber", "SerialNumber",
          "OwnerName", "UserComment", "GPSMapDatum", "GPSSatellites", "GPSProcessingMethod"}) {
        manyEntries += std::string(" -") + tag + "=$(head -c 4000 /dev/zero | tr '\\0' y)";
    }
    const std::tuple<std::string, const char*, bool> rows[] = {
        {manyEntries, "metadata not kept: too large for JPEG", false},
        {" -XMP-dc:Description=$(head -c 100000 /dev/zero | tr '\\0' x)",
         "XMP not kept: too large for JPEG", true},
        // One entry past the segment: exiv2 leaves it out without a word.
        {" -UserComment=$(head -c 70000 /dev/zero | tr '\\0' z)",
         "metadata not kept: EXIF UserComment too large", true}};
    TempFolder folder;
    const std::string source = folder.path("stands.png"), output = folder.path("out.jpg");
    for (const auto& [entries, note, keepsExif] : rows) {
        SCOPED_TRACE(note);
        testing::run("/usr/bin/convert -size 60x30 gradient: " + testing::quoted(source) +
                     " && exiftool -q -overwrite_original -Make=BigCo -Orientation#=6" + entries +
                     " " + testing::quoted(source) + " 2>/dev/null");
        const SaveResult saved =
            testing::saveResized(source, output, OutputFormat::JPG, 30, 60, true);
        EXPECT_TRUE(saved.ok) << saved.reason();
        EXPECT_EQ(saved.note ? saved.note->describe() : std::string(), note);
        auto tags = testing::exiftoolTagsOfFiles({output})[output];
        EXPECT_EQ(tagValue(tags, "Make").has_value(), keepsExif);
        EXPECT_EQ(tagValue(tags, "Orientation").value_or("1"), "1");
        EXPECT_EQ(tagValue(tags, "ImageSize"), "30 60");
    }
}

}  // namespace
}  // namespace varnholt
