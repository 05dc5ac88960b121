#include <gtest/gtest.h>

#include <map>

#include "ImagingTestSupport.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

using testing::TempFolder;
using testing::testdata;

// A wrong turn or mirror of these pictures differs from the upright one by far more.
constexpr double kSamePicture = 12.0;

struct Shape {
    const char* name;
    int width;
    int height;
};

const Shape kShapes[] = {{"Landscape", 90, 60}, {"Portrait", 60, 90}};

SaveResult save(const std::string& source, const std::string& output, OutputFormat format,
                bool keep, int width, int height) {
    const auto loaded = ImageTools::loadImage(source);
    if (!loaded) return {false, "load"};
    const auto scaled = ImageTools::drawScaled(*loaded, width, height);
    if (!scaled) return {false, "scale"};
    Image image = *scaled;
    if (!keep) return ImageTools::saveImage(image, output, format, 0.9);
    const auto meta = ImageTools::readSourceMetadata(source);
    if (!meta) return {false, "metadata"};
    if (const auto turn = ImageTools::rotationForOrientation(meta->orientation(), format)) {
        image = ImageTools::rotateImage(image, *turn);
    }
    return ImageTools::saveImage(ImageTools::mergeOutputDPI(image, *meta, 72), output, format, 0.9);
}

TEST(Orientation, EveryExampleDisplaysUprightKeptOrNot) {
    struct FormatRow {
        OutputFormat format;
        const char* extension;
        bool recordsOrientation;
    };
    const FormatRow formats[] = {{OutputFormat::JPG, "jpg", true},
                                 {OutputFormat::PNG, "png", true},
                                 {OutputFormat::TIFF, "tiff", true},
                                 {OutputFormat::BMP, "bmp", false},
                                 {OutputFormat::JP2, "jp2", false}};
    TempFolder folder;
    // Stored width and orientation code of each output, checked by one exiftool run.
    std::map<std::string, std::pair<int, int>> storedWidthAndCode;
    for (const auto& shape : kShapes) {
        const std::string upright =
            testdata(std::string("recurser-exif-orientation-examples/") + shape.name + "_1.jpg");
        const auto reference = testing::displayedPixels(upright, shape.width, shape.height);
        ASSERT_TRUE(reference.has_value());
        for (int code = 1; code <= 8; ++code) {
            const std::string source = testdata(std::string("recurser-exif-orientation-examples/") +
                                                shape.name + "_" + std::to_string(code) + ".jpg");
            for (const auto& format : formats) {
                for (const bool keep : {false, true}) {
                    const std::string output =
                        folder.path(std::string(shape.name) + std::to_string(code) +
                                    (keep ? "k." : ".") + format.extension);
                    SCOPED_TRACE(source + (keep ? " kept as " : " as ") + format.extension);
                    ASSERT_TRUE(
                        save(source, output, format.format, keep, shape.width, shape.height).ok);
                    const auto shown = testing::displayedPixels(output, shape.width, shape.height);
                    ASSERT_TRUE(shown.has_value());
                    EXPECT_LT(testing::meanDifference(*shown, *reference), kSamePicture);
                    // Where the format records it, the kept file keeps the source's code and
                    // its stored layout; everything else is written upright with code 1.
                    const bool storedLayout = keep && format.recordsOrientation;
                    EXPECT_EQ(ImageTools::readOrientation(output), storedLayout ? code : 1);
                    const bool sideways = storedLayout && code >= 5;
                    storedWidthAndCode[output] = {sideways ? shape.height : shape.width,
                                                  storedLayout ? code : 1};
                }
            }
        }
    }
    std::vector<std::string> outputs;
    for (const auto& [path, expected] : storedWidthAndCode) outputs.push_back(path);
    auto tags = testing::exiftoolTagsOfFiles(outputs, "-ImageWidth -Orientation");
    for (const auto& [path, expected] : storedWidthAndCode) {
        SCOPED_TRACE(path);
        EXPECT_EQ(testing::tagValue(tags[path], "ImageWidth"), std::to_string(expected.first));
        // BMP and JPEG 2000 hold no orientation at all.
        const auto code = testing::tagValue(tags[path], "Orientation");
        EXPECT_EQ(code.value_or("1"), std::to_string(expected.second));
    }
}

TEST(Orientation, TheCheckTellsAWrongTurnFromTheRightOne) {
    // Guards the threshold above: the mirrored example, read without its code, is far off.
    const auto reference = testing::displayedPixels(
        testdata("recurser-exif-orientation-examples/Landscape_1.jpg"), 90, 60);
    TempFolder folder;
    const std::string mirrored = folder.path("mirrored.png");
    const auto loaded =
        ImageTools::loadImage(testdata("recurser-exif-orientation-examples/Landscape_1.jpg"));
    ASSERT_TRUE(loaded.has_value());
    for (const auto turn : {OrientationTurn::FlipHorizontal, OrientationTurn::FlipVertical,
                            OrientationTurn::Rotate180}) {
        const auto scaled = ImageTools::drawScaled(*loaded, 90, 60);
        ASSERT_TRUE(scaled.has_value());
        ASSERT_TRUE(ImageTools::saveImage(ImageTools::rotateImage(*scaled, turn), mirrored,
                                          OutputFormat::PNG, 1)
                        .ok);
        const auto shown = testing::displayedPixels(mirrored, 90, 60);
        ASSERT_TRUE(shown && reference);
        EXPECT_GT(testing::meanDifference(*shown, *reference), 3 * kSamePicture);
    }
}

TEST(Orientation, APhonesHeifPortraitComesOutUprightInEveryFormat) {
    if (!ImageTools::heifSupported()) GTEST_SKIP() << "no HEIF here";
    // Stored 4032 x 3024 with a turn in the container and EXIF orientation 6.
    const std::string source = testdata("ianare-exif-samples/iphone_13_pro_max.HEIC");
    TempFolder folder;
    for (const auto& [format, name] :
         {std::pair{OutputFormat::JPG, "p.jpg"}, std::pair{OutputFormat::PNG, "p.png"},
          std::pair{OutputFormat::HEIC, "p.heic"}}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(save(source, folder.path(name), format, true, 75, 100).ok);
        const auto size = ImageTools::readPixelSize(folder.path(name));
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->width, 75);
        EXPECT_EQ(size->height, 100);
        EXPECT_EQ(testing::tagValue(testing::exiftoolTags(folder.path(name)), "Orientation"),
                  std::optional<std::string>("1"));
    }
}

}  // namespace
}  // namespace varnholt
