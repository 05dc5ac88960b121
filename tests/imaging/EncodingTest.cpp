#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "ImagingTestSupport.h"

namespace varnholt {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::testdata;

const std::string kPhoto = testdata("ianare-exif-samples/DSCN0010.jpg");  // 640 x 480, 300 dpi

// The resolution exiftool finds in a file's own field for it, in dots per inch.
std::optional<double> independentDpi(const testing::Tags& tags) {
    const auto tag = [&tags](const char* name) { return testing::tagValue(tags, name); };
    if (const auto x = tag("XResolution"); x && tag("ResolutionUnit") == "2") return std::stod(*x);
    if (const auto x = tag("PixelsPerUnitX"); x && tag("PixelUnits") == "1") {
        return std::stod(*x) * 0.0254;
    }
    if (const auto x = tag("PixelsPerMeterX")) return std::stod(*x) * 0.0254;  // BMP
    if (const auto x = tag("CaptureXResolution")) {  // JPEG 2000: per 10^exponent metres
        return std::stod(*x) * 0.0254 *
               std::pow(10.0, std::stod(tag("CaptureXResolutionUnit").value_or("nan")));
    }
    return std::nullopt;
}

TEST(Encoding, EveryFormatStatesItsDpiAndSizeToIndependentReadersAndLeavesNothingElse) {
    const std::pair<OutputFormat, const char*> formats[] = {
        {OutputFormat::JPG, "jpg"},   {OutputFormat::JPEG, "jpeg"}, {OutputFormat::JPE, "jpe"},
        {OutputFormat::JP2, "jp2"},   {OutputFormat::JPX, "jpx"},   {OutputFormat::PNG, "png"},
        {OutputFormat::TIFF, "tiff"}, {OutputFormat::TIF, "tif"},   {OutputFormat::GIF, "gif"},
        {OutputFormat::BMP, "bmp"},   {OutputFormat::HEIF, "heif"}, {OutputFormat::HEIC, "heic"}};
    TempFolder folder;
    std::map<std::string, std::int64_t> written;  // name and DPI
    const Image scaled = testing::scaledImage(kPhoto, 200, 150);
    for (const auto& [format, extension] : formats) {
        for (const std::int64_t dpi : {300, 0}) {  // 0: no override
            const std::string name = std::to_string(dpi) + "." + extension;
            const auto result = ImageTools::saveImage(ImageTools::stampDPI(scaled, dpi),
                                                      folder.path(name), format, 0.8);
            ASSERT_TRUE(result.ok) << name << ": " << result.reason;
            written[name] = dpi ? dpi : 72;
        }
    }
    std::vector<std::string> paths, names;
    for (const auto& [name, dpi] : written) paths.push_back(folder.path(name));
    for (const auto& [name, dpi] : written) names.push_back(name);
    EXPECT_EQ(folder.entries(), names);
    auto tags = testing::exiftoolTagsOfFiles(paths);
    for (const auto& [name, dpi] : written) {
        SCOPED_TRACE(name);
        const auto& fileTags = tags[folder.path(name)];
        EXPECT_EQ(testing::tagValue(fileTags, "ImageSize"), "200 150");
        EXPECT_TRUE(testing::displayedPixels(folder.path(name), 200, 150).has_value());
        // Exactly the override or 72, never derived from the scale (71.3). GIF has no field.
        EXPECT_NEAR(independentDpi(fileTags).value_or(0), name.ends_with("gif") ? 0 : dpi, 0.01);
    }
}

TEST(Encoding, ResolutionsRoundTripAtTheLimitsOfEveryField) {
    // Around the limits of the 16-bit fractions of the JPEG 2000 box and of a JFIF density.
    TempFolder folder;
    const Image scaled = testing::scaledImage(kPhoto, 8, 6);
    for (const auto format : {OutputFormat::JPG, OutputFormat::PNG, OutputFormat::TIFF,
                              OutputFormat::JP2, OutputFormat::BMP}) {
        for (const std::int64_t dpi : {1, 2, 71, 72, 73, 96, 300, 655, 656, 1310, 6553, 65535}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(format)) + " at " + std::to_string(dpi));
            const std::string path = folder.path("r");
            ASSERT_TRUE(
                ImageTools::saveImage(ImageTools::stampDPI(scaled, dpi), path, format, 1).ok);
            EXPECT_EQ(ImageTools::readDPI(path), dpi);
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
}

TEST(Encoding, WritesAreAtomicAndLeaveNothingBehind) {
    TempFolder folder;
    const auto path = [&folder](const std::string& name) { return folder.path(name); };
    fs::copy_file(kPhoto, path("source.jpg"));
    const Image fromSource = testing::scaledImage(path("source.jpg"), 64, 48);
    const Image good = testing::scaledImage(kPhoto, 64, 48);
    for (const char* name : {"existing.jpg", "target.jpg"}) {
        fs::copy_file(testdata("pillow/hopper_gray.jpg"), path(name));
    }
    const auto before = testing::fileBytes(path("existing.jpg"));
    ASSERT_EQ(mkdir(path("taken.png").c_str(), 0700), 0);
    EXPECT_EQ(ImageTools::saveImage(good, path("taken.png"), OutputFormat::PNG, 1).reason,
              "cannot write: is a directory");
    EXPECT_EQ(ImageTools::saveImage(good, path("no/such.png"), OutputFormat::PNG, 1).reason,
              "cannot write: no such file or directory");
    std::ofstream(path("source.jpg")) << "no longer a picture";  // after it was loaded
    EXPECT_EQ(ImageTools::saveImage(fromSource, path("existing.jpg"), OutputFormat::JPG, 1).reason,
              "damaged image data");
    EXPECT_FALSE(ImageTools::convertToHEIC(fromSource).has_value());
    EXPECT_EQ(ImageTools::saveHEIF(fromSource, path("out.heic")).reason, "damaged image data");
    EXPECT_EQ(testing::fileBytes(path("existing.jpg")), before);

    // A symlink is replaced, not followed; the longest name still gets a temporary sibling.
    fs::create_symlink(path("target.jpg"), path("link.jpg"));
    const std::string longest = std::string(251, 'n') + ".png";  // 255 bytes
    const mode_t mask = umask(022);
    umask(mask);
    for (const auto& name : {std::string("link.jpg"), longest}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(ImageTools::saveImage(good, path(name), OutputFormat::JPG, 0.8).ok);
        struct stat info {};
        ASSERT_EQ(lstat(path(name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, S_ISREG(info.st_mode) ? 0666 & ~mask : 0);
        EXPECT_EQ(ImageTools::readPixelSize(path(name))->width, 64);
    }
    EXPECT_EQ(testing::fileBytes(path("target.jpg")), before);
    EXPECT_EQ(folder.entries(),
              (std::vector<std::string>{"existing.jpg", "link.jpg", longest, "source.jpg",
                                        "taken.png", "target.jpg"}));
}

TEST(Encoding, KeptOverTheSourceItselfReadsItCompletelyFirst) {
    TempFolder folder;
    const std::string original = testdata("ianare-exif-samples/iphone_hdr_YES.jpg");
    const std::string path = folder.path("same.jpg");
    fs::copy_file(original, path);
    ASSERT_TRUE(testing::saveResized(path, path, OutputFormat::JPG, 816, 612, true, 72, 0.9).ok);
    const auto written = testing::displayedPixels(path, 816, 612);
    const auto expected = testing::displayedPixels(original, 816, 612);
    ASSERT_TRUE(written && expected);
    EXPECT_LT(testing::meanDifference(*written, *expected), 3.0);
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
        EXPECT_EQ(ImageTools::saveImage(*scaled, folder.path("x.png"), OutputFormat::PNG, 1).reason,
                  "damaged image data");
        ++checked;
    }
    EXPECT_GE(checked, 5);
    EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
}  // namespace varnholt
