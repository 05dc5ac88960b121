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
    const auto perMetre = tag("PixelUnits") == "1" ? tag("PixelsPerUnitX") : tag("PixelsPerMeterX");
    if (perMetre) return std::stod(*perMetre) * 0.0254;  // PNG, BMP
    if (const auto x = tag("CaptureXResolution")) {      // JPEG 2000: per 10^exponent metres
        return std::stod(*x) * 0.0254 *
               std::pow(10.0, std::stod(tag("CaptureXResolutionUnit").value_or("nan")));
    }
    return std::nullopt;
}

TEST(Encoding, EveryFormatStatesTheDpiAsExactlyAsItsFieldAllowsAndLeavesNothingElse) {
    const std::pair<OutputFormat, const char*> formats[] = {
        {OutputFormat::JPG, "jpg"},   {OutputFormat::JPEG, "jpeg"}, {OutputFormat::JPE, "jpe"},
        {OutputFormat::JP2, "jp2"},   {OutputFormat::JPX, "jpx"},   {OutputFormat::PNG, "png"},
        {OutputFormat::TIFF, "tiff"}, {OutputFormat::TIF, "tif"},   {OutputFormat::GIF, "gif"},
        {OutputFormat::BMP, "bmp"},   {OutputFormat::HEIF, "heif"}, {OutputFormat::HEIC, "heic"}};
    TempFolder folder;
    std::map<std::string, std::int64_t> written;  // name and DPI
    const Image scaled = testing::scaledImage(kPhoto, 200, 150);
    const auto source = ImageTools::rasterizeImage(scaled);
    ASSERT_TRUE(source.has_value());
    for (const auto& [format, extension] : formats) {
        // 0: no override. Around the limits of the 16-bit JPEG 2000 fractions and the bound.
        for (const std::int64_t dpi : {0, 1, 300, 65535, 65536, 999999, 1000000}) {
            const std::string name = std::to_string(dpi) + "." + extension;
            const auto result = ImageTools::saveImage(ImageTools::stampDPI(scaled, dpi),
                                                      folder.path(name), format, 0.8);
            ASSERT_TRUE(result.ok) << name << ": " << result.reason();
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
        if (name.ends_with("gif")) {  // no field; the palette costs 3.1 levels, 3.8 at effort 1
            EXPECT_EQ(independentDpi(fileTags), std::nullopt);
            const auto gif = testing::displayedPixels(folder.path(name), 200, 150).value();
            EXPECT_LT(testing::meanDifference(gif, *source), 3.4);
            continue;
        }
        // The override or 72, never derived from the scale (71.3). PNG and BMP count whole dots
        // per metre; JPEG 2000 has five digits above 65535 (and exiftool prints seven).
        const bool perMetre = name.ends_with("png") || name.ends_with("bmp");
        const double allowed = dpi > 65535 ? dpi * 1e-4 : perMetre ? 0.0127 : dpi * 1e-6;
        EXPECT_NEAR(independentDpi(fileTags).value_or(0), dpi, allowed);
        EXPECT_NEAR(ImageTools::readDPI(folder.path(name)), dpi, allowed);
    }
    // The quality reaches the one encode (those above at 0.8), and a DPI override causes no
    // second one.
    EXPECT_EQ(fs::file_size(folder.path("300.jpg")), fs::file_size(folder.path("0.jpg")));
    for (const auto& [format, extension] : {formats[0], formats[3]}) {
        ASSERT_TRUE(ImageTools::saveImage(scaled, folder.path("best"), format, 1).ok);
        EXPECT_GT(fs::file_size(folder.path("best")),
                  fs::file_size(folder.path(std::string("0.") + extension)));
    }
}

TEST(Encoding, WritesAreAtomicAndLeaveNothingBehind) {
    TempFolder folder;
    const auto path = [&folder](const std::string& name) { return folder.path(name); };
    fs::copy_file(kPhoto, path("source.jpg"));
    const Image fromSource = testing::scaledImage(path("source.jpg"), 64, 48);
    const Image good = testing::scaledImage(kPhoto, 64, 48);
    fs::copy_file(testdata("pillow/hopper_gray.jpg"), path("existing.jpg"));
    fs::copy_file(testdata("pillow/hopper_gray.jpg"), path("target.jpg"));
    const auto before = testing::fileBytes(path("existing.jpg"));
    ASSERT_EQ(mkdir(path("taken.png").c_str(), 0700), 0);
    EXPECT_EQ(ImageTools::saveImage(good, path("taken.png"), OutputFormat::PNG, 1).reason(),
              "cannot write: is a directory");
    EXPECT_EQ(ImageTools::saveImage(good, path("no/such.png"), OutputFormat::PNG, 1).reason(),
              "cannot write: no such file or directory");
    std::ofstream(path("source.jpg")) << "no longer a picture";  // after it was loaded
    EXPECT_EQ(
        ImageTools::saveImage(fromSource, path("existing.jpg"), OutputFormat::JPG, 1).reason(),
        "damaged image data");
    EXPECT_FALSE(ImageTools::convertToHEIC(fromSource).has_value());
    EXPECT_EQ(ImageTools::saveHEIF(fromSource, path("out.heic")).reason(), "damaged image data");
    EXPECT_EQ(testing::fileBytes(path("existing.jpg")), before);
    ASSERT_EQ(chmod(path("existing.jpg").c_str(), 0600), 0);  // kept when it is replaced
    ASSERT_TRUE(ImageTools::saveImage(good, path("existing.jpg"), OutputFormat::PNG, 1).ok);
    struct stat replaced {};
    ASSERT_EQ(stat(path("existing.jpg").c_str(), &replaced), 0);
    EXPECT_EQ(replaced.st_mode & 07777, 0600u);

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

}  // namespace
}  // namespace varnholt
