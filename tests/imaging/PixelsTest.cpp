// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <vips/vips8>

#include "ImagingTestSupport.h"

namespace varnholt {
namespace {

using testing::TempFolder;
using testing::testdata;

TEST(Colour, ProfiledAndCmykSourcesComeOutSrgbWithTheSameLookAndNoProfile) {
    TempFolder folder;
    for (const char* source : {
             "sharp/Channel_digital_image_CMYK_color.jpg",  // CMYK with a SWOP profile
             "pillow/pil_sample_cmyk.jpg",                  // CMYK without a profile
             "sharp/tifftag-photoshop.tiff",                // 16-bit Adobe RGB
             "sharp/p3.png",                                // Display P3 with alpha
             "ianare-exif-samples/IMG_5195.HEIC",           // Display P3 phone photo
             "ianare-exif-samples/BlueSquare.jpg",          // sRGB: no transform needed
         }) {
        SCOPED_TRACE(source);
        // The reference: libvips's own command converting to sRGB.
        const std::string reference = folder.path("reference.png");
        testing::run("vips thumbnail " + testing::quoted(testdata(source)) + " " +
                     testing::quoted(reference) +
                     " 48 --height 40 --size force --export-profile srgb 2>/dev/null");
        const auto expected = testing::displayedPixels(reference, 48, 40);
        ASSERT_TRUE(expected.has_value());
        // TIFF would hold CMYK and a profile as they came.
        const std::string output = folder.path("c.tif");
        ASSERT_TRUE(
            testing::saveResized(testdata(source), output, OutputFormat::TIFF, 48, 40, false).ok);
        const auto written = testing::displayedPixels(output, 48, 40);
        // Without the conversion these differ by 1.2 to 8 levels.
        EXPECT_LT(testing::meanDifference(written.value_or(RgbaPixels{}), *expected), 1.0);
        auto tags = testing::exiftoolTagsOfFiles({output})[output];
        EXPECT_FALSE(testing::tagValue(tags, "ProfileDescription"));
        EXPECT_EQ(testing::tagValue(tags, "PhotometricInterpretation"), "2");  // RGB
    }
}

TEST(Orientation, KeptOutputsOfEveryCodeAreUprightWithCode1InEveryFormat) {
    const std::pair<OutputFormat, const char*> formats[] = {
        {OutputFormat::JPG, "jpg"},  {OutputFormat::PNG, "png"}, {OutputFormat::TIFF, "tif"},
        {OutputFormat::JP2, "jp2"},  {OutputFormat::GIF, "gif"}, {OutputFormat::BMP, "bmp"},
        {OutputFormat::HEIC, "heic"}};
    const std::string prefix = testdata("recurser-exif-orientation-examples/Landscape_");
    const auto upright = testing::displayedPixels(prefix + "1.jpg", 90, 60);
    ASSERT_TRUE(upright.has_value());
    TempFolder written, decoded;
    std::vector<std::string> outputs;
    for (int code = 1; code <= 8; ++code) {
        for (const auto& [format, extension] : formats) {
            outputs.push_back(written.path(std::to_string(code) + "-" + extension));
            ASSERT_TRUE(testing::saveResized(prefix + std::to_string(code) + ".jpg", outputs.back(),
                                             format, 90, 60, true)
                            .ok)
                << outputs.back();
        }
    }
    // The pixels as ImageMagick decodes them, every tag ignored: a reader that never looks at
    // the orientation sees the picture upright.
    std::string command =
        "/usr/bin/mogrify -path " + testing::quoted(decoded.path("")) + " -format png -strip";
    for (const auto& output : outputs) command.append(" ").append(testing::quoted(output));
    testing::run(command.append(" 2>/dev/null"));
    auto tags = testing::exiftoolTagsOfFiles(outputs, "-Orientation");
    for (const auto& output : outputs) {
        SCOPED_TRACE(output);
        const std::string name = output.substr(output.rfind('/') + 1);
        const auto shown = testing::displayedPixels(decoded.path(name + ".png"), 90, 60);
        // A wrong turn or mirror differs by far more than 12.
        EXPECT_LT(testing::meanDifference(shown.value_or(RgbaPixels{}), *upright), 12.0);
        EXPECT_EQ(testing::tagValue(tags[output], "Orientation").value_or("1"), "1");
    }
}

// Only the first frame of an animation is read: the picture is that frame, on its canvas.
TEST(Animation, TheFirstFrameOfAnAnimatedWebPIsThePicture) {
    TempFolder folder;
    const std::string gif = testdata("sharp/animated-loop-3.gif");  // 10 frames
    const std::string webp = folder.path("animated.webp"), frame = folder.path("frame0.png");
    testing::run("vips copy " + testing::quoted(gif + "[n=-1]") + " " + testing::quoted(webp));
    // libvips's own reading of the whole animation's first page.
    testing::run("vips copy " + testing::quoted(webp) + " " + testing::quoted(frame));
    const auto expected = testing::displayedPixels(frame, 370, 285);
    const auto decoded = ImageTools::rasterizeImage(testing::scaledImage(webp, 370, 285));
    ASSERT_TRUE(expected && decoded);
    EXPECT_LT(testing::meanDifference(*decoded, *expected), 0.01);
}

// A draft for the preview comes from the small picture a HEIF file carries, upright and
// looking like the picture itself; a file without one, or whose own is the picture, has none.
TEST(Draft, AHeifsOwnSmallPictureStandsInForIt) {
    const std::string phone = testdata("ianare-exif-samples/iphone_13_pro_max.HEIC");
    const Image scaled = testing::scaledImage(phone, 60, 80);  // stored sideways (irot)
    const auto draft = ImageTools::draftOf(scaled);
    ASSERT_TRUE(draft.has_value());
    const auto drafted = ImageTools::rasterizeImage(*draft);
    const auto full = ImageTools::rasterizeImage(scaled);
    ASSERT_TRUE(drafted && full);
    EXPECT_EQ(std::pair(drafted->width, drafted->height), std::pair(60, 80));
    EXPECT_LT(testing::meanDifference(*drafted, *full), 3.0);
    for (const char* none :
         {"ianare-exif-samples/IMG_5195.HEIC", "ianare-exif-samples/jolla.jpg"}) {
        EXPECT_FALSE(ImageTools::draftOf(testing::scaledImage(testdata(none), 60, 80))) << none;
    }
}

// Stretched far flatter than the source: a reduction down beyond what libvips's Lanczos mask
// holds (a factor of 333) while across it barely shrinks.
TEST(Stretch, FarFlatterThanTheSourceIsWrittenAtItsSize) {
    TempFolder folder;
    const std::string source = folder.path("tall.jpg");
    vips::VImage::gaussnoise(1000, 3000).cast(VIPS_FORMAT_UCHAR).jpegsave(source.c_str());
    for (const auto& [width, height] : {std::pair{900, 5}, std::pair{300, 2}, std::pair{900, 30}}) {
        const std::string output = folder.path(std::to_string(height) + ".png");
        ASSERT_TRUE(
            testing::saveResized(source, output, OutputFormat::PNG, width, height, false).ok);
        const vips::VImage written = vips::VImage::new_from_file(output.c_str());
        EXPECT_EQ(std::pair(written.width(), written.height()), std::pair(width, height));
    }
}

}  // namespace
}  // namespace varnholt
