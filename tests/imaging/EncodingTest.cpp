#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ImagingTestSupport.h"

namespace varnholt {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::testdata;

const std::string kPhoto = testdata("ianare-exif-samples/DSCN0010.jpg");  // 640 x 480, 300 dpi

enum class DpiField { Exif, PngPhys, Jp2Box, BmpHeader, None };

// The resolution an independent reader finds in the file, in dots per inch.
std::optional<double> independentDpi(const std::string& path, DpiField field,
                                     const testing::Tags& tags) {
    const auto tag = [&tags](const char* name) { return testing::tagValue(tags, name); };
    const auto x = tag(field == DpiField::PngPhys  ? "PixelsPerUnitX"
                       : field == DpiField::Jp2Box ? "CaptureXResolution"
                                                   : "XResolution");
    switch (field) {
        case DpiField::Exif:
            if (!x || tag("ResolutionUnit") != "2") break;
            return std::stod(*x);
        case DpiField::PngPhys:
            if (!x || tag("PixelUnits") != "1") break;
            return std::stod(*x) * 0.0254;
        case DpiField::Jp2Box:
            if (!x || !tag("CaptureXResolutionUnit")) break;
            return std::stod(*x) * std::pow(10.0, std::stod(*tag("CaptureXResolutionUnit"))) *
                   0.0254;
        case DpiField::BmpHeader: {
            const auto out = testing::run("/usr/bin/identify -format '%[resolution.x] %U' " +
                                          testing::quoted(path) + " 2>/dev/null");
            if (out.find("PixelsPerCentimeter") == std::string::npos) break;
            return std::stod(out) * 2.54;
        }
        case DpiField::None:
            break;
    }
    return std::nullopt;
}

TEST(Encoding, EveryFormatStatesItsDpiAndSizeToIndependentReadersAndLeavesNothingElse) {
    const struct {
        OutputFormat format;
        const char* extension;
        DpiField field;
    } rows[] = {
        {OutputFormat::JPG, "jpg", DpiField::Exif},
        {OutputFormat::JPEG, "jpeg", DpiField::Exif},
        {OutputFormat::JPE, "jpe", DpiField::Exif},
        {OutputFormat::JP2, "jp2", DpiField::Jp2Box},
        {OutputFormat::JPX, "jpx", DpiField::Jp2Box},
        {OutputFormat::PNG, "png", DpiField::PngPhys},
        {OutputFormat::TIFF, "tiff", DpiField::Exif},
        {OutputFormat::TIF, "tif", DpiField::Exif},
        {OutputFormat::GIF, "gif", DpiField::None},
        {OutputFormat::BMP, "bmp", DpiField::BmpHeader},
        {OutputFormat::HEIF, "heif", DpiField::Exif},
        {OutputFormat::HEIC, "heic", DpiField::Exif},
    };
    TempFolder folder;
    std::vector<std::string> written;
    const Image scaled = testing::scaledImage(kPhoto, 200, 150);
    for (const auto& row : rows) {
        for (const std::int64_t dpi : {300, 0}) {  // 0: no override
            written.push_back(folder.path(std::to_string(dpi) + "." + row.extension));
            const auto result = ImageTools::saveImage(ImageTools::stampDPI(scaled, dpi),
                                                      written.back(), row.format, 0.8);
            ASSERT_TRUE(result.ok) << written.back() << ": " << result.reason;
        }
    }
    auto tags = testing::exiftoolTagsOfFiles(written);
    for (std::size_t i = 0; i < written.size(); ++i) {
        const auto& path = written[i];
        const DpiField field = rows[i / 2].field;
        SCOPED_TRACE(path);
        EXPECT_EQ(testing::tagValue(tags[path], "ImageSize"), "200 150");
        EXPECT_TRUE(testing::displayedPixels(path, 200, 150).has_value());
        const auto stated = independentDpi(path, field, tags[path]);
        EXPECT_EQ(stated.has_value(), field != DpiField::None);
        // Exactly the override or 72, never derived from the scale (71.3).
        if (stated) {
            EXPECT_NEAR(*stated, i % 2 ? 72 : 300, 0.01);
        }
    }
    for (auto& path : written) path = path.substr(path.rfind('/') + 1);
    std::sort(written.begin(), written.end());
    EXPECT_EQ(folder.entries(), written);
}

TEST(Encoding, ResolutionsRoundTripAtTheLimitsOfEveryField) {
    // Around the limits of the 16-bit fractions of the JPEG 2000 box and of a JFIF density.
    const std::int64_t dpis[] = {1, 2, 71, 72, 73, 96, 300, 655, 656, 1310, 6553, 65535};
    const std::pair<OutputFormat, const char*> formats[] = {{OutputFormat::JPG, "r.jpg"},
                                                            {OutputFormat::PNG, "r.png"},
                                                            {OutputFormat::TIFF, "r.tif"},
                                                            {OutputFormat::JP2, "r.jp2"},
                                                            {OutputFormat::BMP, "r.bmp"}};
    TempFolder folder;
    const Image scaled = testing::scaledImage(kPhoto, 8, 6);
    for (const auto& [format, name] : formats) {
        for (const auto dpi : dpis) {
            SCOPED_TRACE(std::string(name) + " at " + std::to_string(dpi));
            ASSERT_TRUE(ImageTools::saveImage(ImageTools::stampDPI(scaled, dpi), folder.path(name),
                                              format, 1)
                            .ok);
            EXPECT_EQ(ImageTools::readDPI(folder.path(name)), dpi);
        }
    }
}

TEST(Encoding, QualityReachesTheOneEncodeAndADpiOverrideDoesNotReencode) {
    TempFolder folder;
    const Image scaled = testing::scaledImage(kPhoto, 320, 240);
    const auto sizeAt = [&](OutputFormat format, double quality, std::int64_t dpi) {
        const std::string path = folder.path(format == OutputFormat::JPG ? "q.jpg" : "q.jp2");
        EXPECT_TRUE(
            ImageTools::saveImage(ImageTools::stampDPI(scaled, dpi), path, format, quality).ok);
        return fs::file_size(path);
    };
    EXPECT_LT(sizeAt(OutputFormat::JPG, 0.8, 72), sizeAt(OutputFormat::JPG, 1, 72));
    EXPECT_EQ(sizeAt(OutputFormat::JPG, 0.8, 300), sizeAt(OutputFormat::JPG, 0.8, 72));
    EXPECT_EQ(sizeAt(OutputFormat::JPG, 1, 300), sizeAt(OutputFormat::JPG, 1, 72));
    const auto lossy = sizeAt(OutputFormat::JP2, 0.3, 72);
    EXPECT_LT(lossy, sizeAt(OutputFormat::JP2, 1, 72));
    // JPEG 2000 at full quality is lossless.
    ASSERT_TRUE(ImageTools::saveImage(scaled, folder.path("q.png"), OutputFormat::PNG, 1).ok);
    const auto original = testing::displayedPixels(folder.path("q.png"), 320, 240);
    const auto lossless = testing::displayedPixels(folder.path("q.jp2"), 320, 240);
    ASSERT_TRUE(original && lossless);
    EXPECT_EQ(lossless->rgba, original->rgba);
}

TEST(Encoding, TwoImagesSavedSideBySideBothComeOutWhole) {
    TempFolder folder;
    const auto meta = ImageTools::readSourceMetadata(kPhoto);
    ASSERT_TRUE(meta.has_value());
    std::atomic<int> written{0};
    const auto worker = [&](int id) {
        for (int i = 0; i < 4; ++i) {
            const std::string path =
                folder.path(std::to_string(id * 10 + i) + (i % 2 ? ".png" : ".jpg"));
            const Image image =
                ImageTools::mergeOutputDPI(testing::scaledImage(kPhoto, 160, 120), *meta, 150);
            const auto format = i % 2 ? OutputFormat::PNG : OutputFormat::JPG;
            written += ImageTools::saveImage(image, path, format, 0.8).ok &&
                       ImageTools::readDPI(path) == 150;
        }
    };
    ImageTools::setThreadsPerImage(1);
    std::thread first(worker, 1), second(worker, 2);
    first.join();
    second.join();
    ImageTools::setThreadsPerImage(0);
    EXPECT_EQ(written.load(), 8);
}

TEST(Encoding, FailedSavesLeaveTheOutputPathAsItWasAndNothingBehind) {
    TempFolder folder;
    const std::string source = folder.path("source.jpg");
    fs::copy_file(kPhoto, source);
    const Image fromSource = testing::scaledImage(source, 64, 48);
    const std::string existing = folder.path("existing.jpg");
    fs::copy_file(testdata("pillow/hopper_gray.jpg"), existing);
    const auto before = testing::fileBytes(existing);
    ASSERT_EQ(mkdir(folder.path("taken.png").c_str(), 0700), 0);

    const Image good = testing::scaledImage(kPhoto, 64, 48);
    const auto write = [&](const Image& image, const char* name, OutputFormat format) {
        return ImageTools::saveImage(image, folder.path(name), format, 0.8).reason;
    };
    EXPECT_EQ(write(good, "taken.png", OutputFormat::PNG), "write failed: is a directory");
    EXPECT_EQ(write(good, "no/such.png", OutputFormat::PNG),
              "write failed: no such file or directory");
    std::ofstream(source, std::ios::trunc) << "no longer a picture";  // after it was loaded
    EXPECT_EQ(write(fromSource, "existing.jpg", OutputFormat::JPG), "encode failed");
    // A HEIF encode that produces nothing fails too.
    EXPECT_FALSE(ImageTools::convertToHEIC(fromSource).has_value());
    EXPECT_EQ(ImageTools::saveHEIF(fromSource, folder.path("out.heic")).reason, "encode failed");

    EXPECT_EQ(testing::fileBytes(existing), before);
    EXPECT_EQ(folder.entries(),
              (std::vector<std::string>{"existing.jpg", "source.jpg", "taken.png"}));
}

TEST(Encoding, WritesReplaceASymlinkUseTheUsualModeAndTakeTheLongestName) {
    TempFolder folder;
    const std::string target = folder.path("target.jpg");
    fs::copy_file(testdata("pillow/hopper_gray.jpg"), target);
    const auto before = testing::fileBytes(target);
    fs::create_symlink(target, folder.path("link.jpg"));
    const std::string longest = std::string(251, 'n') + ".png";  // 255 bytes
    const mode_t mask = umask(022);
    umask(mask);
    const Image scaled = testing::scaledImage(kPhoto, 64, 48);
    for (const auto& name : {std::string("link.jpg"), longest}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(ImageTools::saveImage(scaled, folder.path(name), OutputFormat::JPG, 0.8).ok);
        struct stat info {};
        ASSERT_EQ(lstat(folder.path(name).c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
        EXPECT_EQ(ImageTools::readPixelSize(folder.path(name))->width, 64);
    }
    EXPECT_EQ(testing::fileBytes(target), before);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"link.jpg", longest, "target.jpg"}));
}

TEST(Encoding, KeptOverTheSourceItselfReadsItCompletelyFirst) {
    TempFolder folder;
    const std::string original = testdata("ianare-exif-samples/iphone_hdr_YES.jpg");
    const std::string path = folder.path("same.jpg");
    fs::copy_file(original, path);
    const struct timespec past[2] = {{1262304000, 0}, {1262304000, 0}};  // 1 January 2010
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), past, 0), 0);
    ASSERT_TRUE(testing::saveResized(path, path, OutputFormat::JPG, 816, 612, true, 72, 0.9).ok);
    const auto written = testing::displayedPixels(path, 816, 612);
    const auto expected = testing::displayedPixels(original, 816, 612);
    ASSERT_TRUE(written && expected);
    EXPECT_LT(testing::meanDifference(*written, *expected), 3.0);
    EXPECT_EQ(testing::tagValue(testing::exiftoolTags(path), "Make"), "Apple");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1262304000);
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
        EXPECT_EQ(
            ImageTools::saveImage(*scaled, folder.path("half.png"), OutputFormat::PNG, 1).reason,
            "encode failed");
        ++checked;
    }
    EXPECT_GE(checked, 5);
    EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
}  // namespace varnholt
