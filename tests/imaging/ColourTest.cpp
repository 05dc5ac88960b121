#include <gtest/gtest.h>

#include "ImagingTestSupport.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

using testing::TempFolder;
using testing::testdata;

// The pixels of path at width x height, converted to sRGB by libvips's own command.
std::optional<RgbaPixels> referenceSrgb(const TempFolder& folder, const std::string& path,
                                        int width, int height) {
    const std::string reference = folder.path("reference.png");
    testing::run("vips thumbnail " + testing::quoted(path) + " " + testing::quoted(reference) +
                 " " + std::to_string(width) + " --height " + std::to_string(height) +
                 " --size force --export-profile srgb 2>/dev/null");
    return testing::displayedPixels(reference, width, height);
}

TEST(Colour, ProfiledAndCmykSourcesComeOutSrgbWithTheSameLookAndNoProfile) {
    const char* sources[] = {
        "sharp/Channel_digital_image_CMYK_color.jpg",  // CMYK with a SWOP profile
        "pillow/pil_sample_cmyk.jpg",                  // CMYK without a profile
        "sharp/fogra-0-100-100-0.tif",                 // CMYK TIFF, FOGRA39
        "libvips/sample.jpg",                          // Adobe RGB
        "pillow/xmp_test.jpg",                         // Adobe RGB camera file
        "sharp/tifftag-photoshop.tiff",                // 16-bit Adobe RGB
        "sharp/p3.png",                                // Display P3 with alpha
        "ianare-exif-samples/IMG_5195.HEIC",           // Display P3 phone photo
    };
    TempFolder folder;
    const std::pair<OutputFormat, const char*> formats[] = {
        {OutputFormat::JPG, "c.jpg"}, {OutputFormat::PNG, "c.png"}, {OutputFormat::TIFF, "c.tif"}};
    for (const char* source : sources) {
        SCOPED_TRACE(source);
        const auto reference = referenceSrgb(folder, testdata(source), 48, 40);
        ASSERT_TRUE(reference.has_value());
        std::vector<std::string> outputs;
        for (const auto& [format, name] : formats) {
            SCOPED_TRACE(name);
            outputs.push_back(folder.path(name));
            ASSERT_TRUE(ImageTools::saveImage(testing::scaledImage(testdata(source), 48, 40),
                                              outputs.back(), format, 1.0)
                            .ok);
            const auto written = testing::displayedPixels(outputs.back(), 48, 40);
            ASSERT_TRUE(written.has_value());
            // Without the conversion these differ by 1.2 to 8 levels.
            EXPECT_LT(testing::meanDifference(*written, *reference), 1.0);
        }
        auto tags = testing::exiftoolTagsOfFiles(outputs);
        for (const auto& output : outputs) {
            SCOPED_TRACE(output);
            EXPECT_FALSE(testing::tagValue(tags[output], "ProfileDescription").has_value());
            EXPECT_NE(testing::tagValue(tags[output], "PhotometricInterpretation"), "5");  // CMYK
        }
        EXPECT_EQ(testing::tagValue(tags[outputs[0]], "ColorComponents"), "3");
    }
}

// Mean of the alpha channel, 0..1, as ImageMagick reads it.
double independentAlphaMean(const std::string& path) {
    const auto out = testing::run("/usr/bin/convert " + testing::quoted(path) +
                                  " -alpha extract -format '%[fx:mean]' info: 2>/dev/null");
    return out && !out->empty() ? std::stod(*out) : -1;
}

TEST(Colour, AlphaIsKeptWhereTheFormatHoldsItAndWhiteElsewhere) {
    struct Row {
        OutputFormat format;
        const char* name;
        bool holdsAlpha;
    };
    const Row rows[] = {
        {OutputFormat::PNG, "a.png", true},   {OutputFormat::TIFF, "a.tiff", true},
        {OutputFormat::GIF, "a.gif", true},   {OutputFormat::JP2, "a.jp2", true},
        {OutputFormat::HEIC, "a.heic", true}, {OutputFormat::JPG, "a.jpg", false},
        {OutputFormat::BMP, "a.bmp", false},
    };
    TempFolder folder;
    const std::string source = testdata("pngsuite/basn6a08.png");  // 32 x 32, alpha 0..255
    const auto original = testing::displayedPixels(source, 32, 32);
    ASSERT_TRUE(original.has_value());
    for (const auto& row : rows) {
        if (row.format == OutputFormat::HEIC && !ImageTools::heifSupported()) continue;
        SCOPED_TRACE(row.name);
        const std::string output = folder.path(row.name);
        ASSERT_TRUE(
            ImageTools::saveImage(testing::scaledImage(source, 32, 32), output, row.format, 1.0)
                .ok);
        const auto written = testing::displayedPixels(output, 32, 32);
        ASSERT_TRUE(written.has_value());
        int transparentChecked = 0;
        for (std::size_t i = 0; i < original->rgba.size(); i += 4) {
            if (original->rgba[i + 3] != 0) continue;
            ++transparentChecked;
            if (row.holdsAlpha) {
                EXPECT_LT(written->rgba[i + 3], 16) << "pixel " << i / 4;
            } else {
                EXPECT_EQ(written->rgba[i + 3], 255);
                for (int c = 0; c < 3; ++c)
                    EXPECT_GE(written->rgba[i + c], 245) << "pixel " << i / 4;
            }
        }
        EXPECT_GT(transparentChecked, 0);
    }
}

TEST(Colour, SixteenBitAlphaKeepsItsLevels) {
    TempFolder folder;
    for (const auto& [source, width, height] :
         {std::tuple{"pngsuite/basn6a16.png", 32, 32},
          std::tuple{"pillow/tiff_16bit_RGBa.tiff", 100, 40},
          std::tuple{"sharp/16-bit-grey-alpha.png", 109, 96}}) {
        for (const auto& [format, name] :
             {std::pair{OutputFormat::PNG, "a16.png"}, std::pair{OutputFormat::TIFF, "a16.tif"}}) {
            SCOPED_TRACE(std::string(source) + " -> " + name);
            const std::string output = folder.path(name);
            ASSERT_TRUE(ImageTools::saveImage(testing::scaledImage(testdata(source), width, height),
                                              output, format, 1.0)
                            .ok);
            const double expected = independentAlphaMean(testdata(source));
            ASSERT_GT(expected, 0);
            EXPECT_NEAR(independentAlphaMean(output), expected, 0.01);
        }
    }
}

}  // namespace
}  // namespace varnholt
