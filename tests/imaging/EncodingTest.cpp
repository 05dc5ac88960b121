// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
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

// Every row of the format table keeps what it promises: the size, the DPI as exactly as its
// field allows (or none), the pixels, alpha, the camera's EXIF, and the user's quality.
TEST(Encoding, EveryFormatKeepsWhatItsRowPromisesAndLeavesNothingElse) {
    TempFolder folder;
    std::vector<std::string> names;
    const Image scaled = testing::scaledImage(kPhoto, 200, 150);
    const auto source = ImageTools::rasterizeImage(scaled);
    ASSERT_TRUE(source);
    const auto camera = ImageTools::readSourceMetadata(ImageTools::loadImage(kPhoto).value());
    const std::string alphaSource = testdata("pngsuite/basn6a08.png");  // alpha 0..255
    // 0: no override. Around the limits of the 16-bit JPEG 2000 fractions and the bound.
    const std::int64_t dpis[] = {0, 1, 300, 65535, 65536, 999999, 1000000};
    const auto extensionOf = [](const FormatRow& row) {
        std::string extension(row.title);
        for (char& c : extension) c = static_cast<char>(std::tolower(c));
        return extension;
    };
    const auto save = [&](const Image& image, const std::string& name, OutputFormat format,
                          double quality) {
        const auto result = ImageTools::saveImage(image, folder.path(name), format, quality);
        EXPECT_TRUE(result.ok) << name << ": " << result.reason();
        names.push_back(name);
    };
    for (const auto& row : formatRows()) {
        const std::string extension = extensionOf(row);
        for (const std::int64_t dpi : dpis) {
            save(ImageTools::stampDPI(scaled, dpi), std::to_string(dpi) + "." + extension,
                 row.format, 1.0);
        }
        save(ImageTools::mergeOutputDPI(scaled, camera, 72), "exif." + extension, row.format, 1);
        save(ImageTools::stampDPI(scaled, 0), "q30." + extension, row.format, 0.3);
        save(testing::scaledImage(alphaSource, 32, 32), "alpha." + extension, row.format, 0.8);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(folder.entries(), names);
    std::vector<std::string> paths;
    for (const auto& name : names) paths.push_back(folder.path(name));
    auto tags = testing::exiftoolTagsOfFiles(paths);
    const auto transparent = testing::displayedPixels(alphaSource, 32, 32).value();
    for (const auto& row : formatRows()) {
        const std::string extension = extensionOf(row);
        SCOPED_TRACE(extension);
        const auto path = [&](const std::string& stem) { return folder.path(stem + extension); };
        const auto pixels = testing::displayedPixels(path("0."), 200, 150).value();
        // JPEG 2000 is lossless at 100 %; HEIF costs 5.7 levels; a colour fault costs tens.
        EXPECT_LT(testing::meanDifference(pixels, *source),
                  row.encoder == EncoderKind::Jpeg2000 ? 0.01 : 8);
        EXPECT_EQ(testing::tagValue(tags[path("exif.")], "Make").has_value(),
                  (row.metadata & kExif) != 0);
        // The quality reaches the one encode, and only where it applies.
        const auto lower = fs::file_size(path("q30.")), usual = fs::file_size(path("0."));
        EXPECT_TRUE(row.usesQuality ? lower < usual * 3 / 4 : lower == usual);
        const auto alpha = testing::displayedPixels(path("alpha."), 32, 32).value();
        // Every format but JPEG and BMP holds alpha, whatever the table says.
        const bool holdsAlpha = row.encoder != EncoderKind::Jpeg && row.encoder != EncoderKind::Bmp;
        for (std::size_t i = 0; i < alpha.rgba.size(); i += 4) {
            if (transparent.rgba[i + 3] != 0) continue;
            const auto* pixel = &alpha.rgba[i];  // transparent, or else white (not black)
            EXPECT_TRUE(holdsAlpha
                            ? pixel[3] < 16
                            : pixel[3] == 255 && std::min({pixel[0], pixel[1], pixel[2]}) >= 245);
        }
        for (const std::int64_t override : dpis) {
            const std::int64_t dpi = override ? override : 72;
            const auto& fileTags = tags[path(std::to_string(override) + ".")];
            SCOPED_TRACE(override);
            EXPECT_EQ(testing::tagValue(fileTags, "ImageSize"), "200 150");
            if (row.dpi == DpiField::None) {
                EXPECT_EQ(independentDpi(fileTags), std::nullopt);
                continue;
            }
            // The override or 72, never derived from the scale (71.3). PNG and BMP count whole
            // dots per metre; JPEG 2000 has five digits above 65535 (exiftool prints seven).
            const bool perMetre = extension == "png" || extension == "bmp";
            const double allowed = dpi > 65535 ? dpi * 1e-4 : perMetre ? 0.0127 : dpi * 1e-6;
            EXPECT_NEAR(independentDpi(fileTags).value_or(0), dpi, allowed);
            EXPECT_NEAR(ImageTools::readDPI(path(std::to_string(override) + ".")), dpi, allowed);
        }
    }
    // A DPI override causes no second encode.
    EXPECT_EQ(fs::file_size(folder.path("300.jpg")), fs::file_size(folder.path("0.jpg")));
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
