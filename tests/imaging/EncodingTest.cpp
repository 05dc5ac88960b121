#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <filesystem>
#include <fstream>

#include "ImagingTestSupport.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::testdata;

const std::string kPhoto = "ianare-exif-samples/DSCN0010.jpg";

enum class DpiField { ExifOrTiff, PngPhys, Jp2Box, BmpHeader, None };

struct FormatRow {
    OutputFormat format;
    const char* extension;
    DpiField field;
};

const FormatRow kFormats[] = {
    {OutputFormat::JPG, "jpg", DpiField::ExifOrTiff},
    {OutputFormat::JPEG, "jpeg", DpiField::ExifOrTiff},
    {OutputFormat::JPE, "jpe", DpiField::ExifOrTiff},
    {OutputFormat::JP2, "jp2", DpiField::Jp2Box},
    {OutputFormat::JPX, "jpx", DpiField::Jp2Box},
    {OutputFormat::PNG, "png", DpiField::PngPhys},
    {OutputFormat::TIFF, "tiff", DpiField::ExifOrTiff},
    {OutputFormat::TIF, "tif", DpiField::ExifOrTiff},
    {OutputFormat::GIF, "gif", DpiField::None},
    {OutputFormat::BMP, "bmp", DpiField::BmpHeader},
    {OutputFormat::HEIF, "heif", DpiField::ExifOrTiff},
    {OutputFormat::HEIC, "heic", DpiField::ExifOrTiff},
};

// The resolution an independent reader finds in the file, in dots per inch.
std::optional<double> independentDpi(const std::string& path, DpiField field,
                                     const std::map<std::string, std::string>& tags) {
    const auto exiftoolTag = [&tags](const std::string&, const char* name) {
        return testing::tagValue(tags, name);
    };
    switch (field) {
        case DpiField::ExifOrTiff: {
            const auto unit = exiftoolTag(path, "ResolutionUnit");
            const auto x = exiftoolTag(path, "XResolution");
            if (!x || unit != "2") return std::nullopt;
            return std::stod(*x);
        }
        case DpiField::PngPhys: {
            const auto x = exiftoolTag(path, "PixelsPerUnitX");
            if (!x || exiftoolTag(path, "PixelUnits") != "1") return std::nullopt;
            return std::stod(*x) * 0.0254;
        }
        case DpiField::Jp2Box: {
            const auto x = exiftoolTag(path, "CaptureXResolution");
            const auto exponent = exiftoolTag(path, "CaptureXResolutionUnit");
            if (!x || !exponent) return std::nullopt;
            return std::stod(*x) * std::pow(10.0, std::stod(*exponent)) * 0.0254;
        }
        case DpiField::BmpHeader: {
            const auto out = testing::run("/usr/bin/identify -format '%[resolution.x] %U' " +
                                          testing::quoted(path) + " 2>/dev/null");
            if (!out || out->find("PixelsPerCentimeter") == std::string::npos) return std::nullopt;
            return std::stod(*out) * 2.54;
        }
        case DpiField::None:
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<int> vipsHeaderField(const std::string& path, const char* field) {
    const auto out = testing::run(std::string("vipsheader -f ") + field + " " +
                                  testing::quoted(path) + " 2>/dev/null");
    if (!out || out->empty()) return std::nullopt;
    return std::stoi(*out);
}

TEST(Encoding, EveryFormatStatesItsDpiAndSizeToIndependentReaders) {
    TempFolder folder;
    for (const auto& row : kFormats) {
        if ((row.format == OutputFormat::HEIF || row.format == OutputFormat::HEIC) &&
            !ImageTools::heifSupported())
            continue;
        for (const std::optional<std::int64_t> dpi :
             {std::optional<std::int64_t>(300), std::optional<std::int64_t>()}) {
            const std::string path =
                folder.path("out" + std::to_string(dpi.value_or(0)) + "." + row.extension);
            SCOPED_TRACE(path);
            const Image scaled = testing::scaledImage(testdata(kPhoto), 200, 150);
            const Image stamped = ImageTools::stampDPI(scaled, dpi.value_or(72));
            const auto result = ImageTools::saveImage(stamped, path, row.format, 0.8);
            ASSERT_TRUE(result.ok) << result.reason;
            const auto tags = testing::exiftoolTags(path);
            EXPECT_EQ(testing::tagValue(tags, "ImageSize"), "200 150");
            const auto decoded = ImageTools::loadImage(path);
            ASSERT_TRUE(decoded.has_value());
            const auto pixels = ImageTools::rasterizeImage(*decoded);
            ASSERT_TRUE(pixels.has_value());
            EXPECT_EQ(pixels->width, 200);
            const auto written = independentDpi(path, row.field, tags);
            if (row.field == DpiField::None) {
                EXPECT_FALSE(written.has_value());
            } else {
                ASSERT_TRUE(written.has_value());
                EXPECT_NEAR(*written, static_cast<double>(dpi.value_or(72)), 0.01);
                EXPECT_EQ(ImageTools::readDPI(path), dpi.value_or(72));
            }
        }
    }
}

TEST(Encoding, JpegQualityReachesTheOneEncodeAndADpiOverrideKeepsTheSize) {
    TempFolder folder;
    const Image scaled = testing::scaledImage(testdata(kPhoto), 320, 240);
    const auto sizeAt = [&](double quality, std::int64_t dpi) {
        const std::string path = folder.path("q.jpg");
        EXPECT_TRUE(ImageTools::saveImage(ImageTools::stampDPI(scaled, dpi), path,
                                          OutputFormat::JPG, quality)
                        .ok);
        return fs::file_size(path);
    };
    const auto at80 = sizeAt(0.8, 72);
    const auto at100 = sizeAt(1.0, 72);
    EXPECT_LT(at80, at100);
    EXPECT_EQ(sizeAt(0.8, 300), at80);
    EXPECT_EQ(sizeAt(1.0, 300), at100);
}

TEST(Encoding, JpegTwoThousandAtFullQualityIsLossless) {
    TempFolder folder;
    const Image scaled = testing::scaledImage(testdata(kPhoto), 120, 90);
    ASSERT_TRUE(ImageTools::saveImage(scaled, folder.path("l.png"), OutputFormat::PNG, 1).ok);
    ASSERT_TRUE(ImageTools::saveImage(scaled, folder.path("l.jp2"), OutputFormat::JP2, 1).ok);
    ASSERT_TRUE(ImageTools::saveImage(scaled, folder.path("q.jp2"), OutputFormat::JP2, 0.3).ok);
    const auto png = testing::displayedPixels(folder.path("l.png"), 120, 90);
    const auto lossless = testing::displayedPixels(folder.path("l.jp2"), 120, 90);
    const auto lossy = testing::displayedPixels(folder.path("q.jp2"), 120, 90);
    ASSERT_TRUE(png && lossless && lossy);
    EXPECT_EQ(lossless->rgba, png->rgba);
    EXPECT_GT(testing::meanDifference(*lossy, *png), 0.0);
    EXPECT_LT(fs::file_size(folder.path("q.jp2")), fs::file_size(folder.path("l.jp2")));
}

TEST(Encoding, TwoImagesSavedSideBySideBothComeOutWhole) {
    TempFolder folder;
    const auto meta = ImageTools::readSourceMetadata(testdata(kPhoto));
    ASSERT_TRUE(meta.has_value());
    std::atomic<int> written{0};
    const auto worker = [&](int id) {
        for (int i = 0; i < 4; ++i) {
            const auto format = i % 2 ? OutputFormat::PNG : OutputFormat::JPG;
            const std::string path = folder.path("w" + std::to_string(id) + "-" +
                                                 std::to_string(i) + (i % 2 ? ".png" : ".jpg"));
            const Image image = ImageTools::mergeOutputDPI(
                testing::scaledImage(testdata(kPhoto), 160, 120), *meta, 150);
            if (ImageTools::saveImage(image, path, format, 0.8).ok &&
                ImageTools::readDPI(path) == 150) {
                ++written;
            }
        }
    };
    ImageTools::setThreadsPerImage(1);
    std::thread first(worker, 1);
    std::thread second(worker, 2);
    first.join();
    second.join();
    ImageTools::setThreadsPerImage(0);
    EXPECT_EQ(written.load(), 8);
}

TEST(Encoding, FailuresLeaveAnExistingFileExactlyAsItWas) {
    TempFolder folder;
    const std::string source = folder.path("source.jpg");
    testing::copyFile(testdata(kPhoto), source);
    const Image scaled = testing::scaledImage(source, 64, 48);
    const std::string existing = folder.path("existing.jpg");
    testing::copyFile(testdata("pillow/hopper_gray.jpg"), existing);
    const auto before = testing::fileBytes(existing);

    // The encode fails: the source turned into text after it was loaded.
    std::ofstream(source, std::ios::trunc) << "no longer a picture";
    auto result = ImageTools::saveImage(scaled, existing, OutputFormat::JPG, 0.8);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "encode failed");
    EXPECT_EQ(testing::fileBytes(existing), before);

    // The write fails: a folder stands at the output path.
    const Image good = testing::scaledImage(testdata(kPhoto), 64, 48);
    ASSERT_EQ(mkdir(folder.path("taken.png").c_str(), 0700), 0);
    result = ImageTools::saveImage(good, folder.path("taken.png"), OutputFormat::PNG, 0.8);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason.rfind("write failed: ", 0), 0u) << result.reason;
    EXPECT_TRUE(fs::is_directory(folder.path("taken.png")));

    result = ImageTools::saveImage(good, folder.path("no/such/folder.png"), OutputFormat::PNG, 0.8);
    EXPECT_EQ(result.reason, "write failed: no such file or directory");

    // Nothing but what was there is left behind.
    auto names = folder.entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"existing.jpg", "source.jpg", "taken.png"}));
}

TEST(Encoding, ASymlinkAtTheOutputIsReplacedNotFollowed) {
    TempFolder folder;
    const std::string target = folder.path("target.jpg");
    testing::copyFile(testdata("pillow/hopper_gray.jpg"), target);
    const auto before = testing::fileBytes(target);
    const std::string link = folder.path("link.jpg");
    fs::create_symlink(target, link);
    const Image scaled = testing::scaledImage(testdata(kPhoto), 64, 48);
    ASSERT_TRUE(ImageTools::saveImage(scaled, link, OutputFormat::JPG, 0.8).ok);
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(vipsHeaderField(link, "width"), 64);
    EXPECT_EQ(testing::fileBytes(target), before);
}

TEST(Encoding, WritingOverTheSourceReadsItCompletelyFirst) {
    TempFolder folder;
    const std::string path = folder.path("photo.jpg");
    testing::copyFile(testdata("ianare-exif-samples/iphone_hdr_YES.jpg"), path);
    const Image scaled = testing::scaledImage(path, 816, 612);
    ASSERT_TRUE(ImageTools::saveImage(scaled, path, OutputFormat::JPG, 0.9).ok);
    const auto written = testing::displayedPixels(path, 816, 612);
    const auto original =
        testing::displayedPixels(testdata("ianare-exif-samples/iphone_hdr_YES.jpg"), 816, 612);
    ASSERT_TRUE(written && original);
    EXPECT_LT(testing::meanDifference(*written, *original), 3.0);
}

TEST(Encoding, NewFilesGetTheUsualPermissions) {
    TempFolder folder;
    const Image scaled = testing::scaledImage(testdata(kPhoto), 32, 24);
    const std::string path = folder.path("mode.png");
    ASSERT_TRUE(ImageTools::saveImage(scaled, path, OutputFormat::PNG, 0.8).ok);
    const mode_t mask = umask(022);
    umask(mask);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

TEST(Encoding, NoTemporaryFileIsMadeOutsideTheOutputFolderOrLeftInIt) {
    TempFolder folder;
    const auto meta = ImageTools::readSourceMetadata(testdata(kPhoto));
    ASSERT_TRUE(meta.has_value());
    std::vector<std::string> written;
    for (const auto& row : kFormats) {
        for (const bool keep : {false, true}) {
            const std::string name = std::string(keep ? "kept." : "plain.") + row.extension;
            Image image = testing::scaledImage(testdata(kPhoto), 40, 30);
            if (keep) image = ImageTools::mergeOutputDPI(image, *meta, 96);
            if (ImageTools::saveImage(image, folder.path(name), row.format, 0.7).ok) {
                written.push_back(name);
            }
        }
    }
    EXPECT_TRUE(testing::temporaryDirectoryEntries().empty());
    auto names = folder.entries();
    std::sort(names.begin(), names.end());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(names, written);
}

TEST(Encoding, AHeifSaveThatEncodesNothingFailsAndWritesNothing) {
    TempFolder folder;
    const std::string source = folder.path("gone.jpg");
    testing::copyFile(testdata(kPhoto), source);
    const Image scaled = testing::scaledImage(source, 64, 48);
    fs::remove(source);
    EXPECT_FALSE(ImageTools::convertToHEIC(scaled).has_value());
    const auto result = ImageTools::saveHEIF(scaled, folder.path("out.heic"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "encode failed");
    EXPECT_TRUE(folder.entries().empty());
}

TEST(Encoding, ResolutionsRoundTripThroughEveryField) {
    struct Row {
        OutputFormat format;
        const char* extension;
    };
    const Row rows[] = {{OutputFormat::JPG, "jpg"},
                        {OutputFormat::PNG, "png"},
                        {OutputFormat::TIFF, "tif"},
                        {OutputFormat::JP2, "jp2"},
                        {OutputFormat::BMP, "bmp"}};
    // Around the limits of the 16-bit fractions of the JPEG 2000 box and of a JFIF density.
    const std::int64_t dpis[] = {1, 2, 71, 72, 73, 96, 300, 655, 656, 1310, 6553, 65535};
    TempFolder folder;
    const Image scaled = testing::scaledImage(testdata(kPhoto), 8, 6);
    for (const auto& row : rows) {
        for (const auto dpi : dpis) {
            const std::string path = folder.path(std::string("r.") + row.extension);
            SCOPED_TRACE(path + " at " + std::to_string(dpi));
            ASSERT_TRUE(
                ImageTools::saveImage(ImageTools::stampDPI(scaled, dpi), path, row.format, 1).ok);
            EXPECT_EQ(ImageTools::readDPI(path), dpi);
        }
    }
}

TEST(Encoding, DamagedPicturesFailInsteadOfBeingWrittenHalfGrey) {
    TempFolder folder;
    int checked = 0;
    for (const auto& row : testing::indexRows()) {
        // Damaged files whose header still reads.
        if (row.at("notes").rfind("BROKEN", 0) != 0 || row.at("vipsheader_ok") != "yes") continue;
        SCOPED_TRACE(row.at("path"));
        const auto loaded = ImageTools::loadImage(testdata(row.at("path")));
        ASSERT_TRUE(loaded.has_value());
        const auto scaled = ImageTools::drawScaled(*loaded, 50, 40);
        ASSERT_TRUE(scaled.has_value());
        EXPECT_FALSE(ImageTools::rasterizeImage(*scaled).has_value());
        EXPECT_FALSE(ImageTools::rasterizeImage(*loaded).has_value());
        const auto result =
            ImageTools::saveImage(*scaled, folder.path("half.png"), OutputFormat::PNG, 1);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.reason, "cannot read image");
        ++checked;
    }
    EXPECT_GE(checked, 5);
    EXPECT_TRUE(folder.entries().empty());
}

TEST(Encoding, ALongFileNameStillGetsItsTemporarySibling) {
    TempFolder folder;
    const std::string name = std::string(251, 'n') + ".png";  // 255 bytes, the longest allowed
    ASSERT_TRUE(ImageTools::saveImage(testing::scaledImage(testdata(kPhoto), 8, 6),
                                      folder.path(name), OutputFormat::PNG, 1)
                    .ok);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{name});
}

}  // namespace
}  // namespace varnholt
