#include <gtest/gtest.h>

#include "ImagingTestSupport.h"

namespace varnholt {
namespace {

using testing::TempFolder;
using testing::testdata;

TEST(Orientation, EveryExampleDisplaysUprightKeptOrNot) {
    const struct {
        OutputFormat format;
        const char* extension;
        bool recordsOrientation;
    } formats[] = {{OutputFormat::JPG, "jpg", true},
                   {OutputFormat::PNG, "png", true},
                   {OutputFormat::TIFF, "tiff", true},
                   {OutputFormat::BMP, "bmp", false},
                   {OutputFormat::JP2, "jp2", false}};
    TempFolder folder;
    // The stored width and orientation code of each output, checked by one exiftool run.
    std::map<std::string, std::pair<int, int>> stored;
    for (const auto& [shape, width, height] :
         {std::tuple{"Landscape", 90, 60}, std::tuple{"Portrait", 60, 90}}) {
        const std::string prefix = testdata("recurser-exif-orientation-examples/") + shape + "_";
        const auto upright = testing::displayedPixels(prefix + "1.jpg", width, height);
        ASSERT_TRUE(upright.has_value());
        for (int code = 1; code <= 8; ++code) {
            for (const auto& format : formats) {
                for (const bool keep : {false, true}) {
                    const std::string output = folder.path(shape + std::to_string(code) +
                                                           (keep ? "k." : ".") + format.extension);
                    SCOPED_TRACE(output);
                    ASSERT_TRUE(testing::saveResized(prefix + std::to_string(code) + ".jpg", output,
                                                     format.format, width, height, keep)
                                    .ok);
                    // A wrong turn or mirror differs by far more than 12.
                    const auto shown = testing::displayedPixels(output, width, height);
                    ASSERT_TRUE(shown.has_value());
                    EXPECT_LT(testing::meanDifference(*shown, *upright), 12.0);
                    // Where the format records it, the kept file keeps the source's code and
                    // stored layout; everything else is written upright with code 1.
                    const int written = keep && format.recordsOrientation ? code : 1;
                    EXPECT_EQ(ImageTools::readOrientation(output), written);
                    stored[output] = {written >= 5 ? height : width, written};
                }
            }
        }
    }
    std::vector<std::string> outputs;
    for (const auto& [path, expected] : stored) outputs.push_back(path);
    auto tags = testing::exiftoolTagsOfFiles(outputs, "-ImageWidth -Orientation");
    for (const auto& [path, expected] : stored) {
        EXPECT_EQ(testing::tagValue(tags[path], "ImageWidth"), std::to_string(expected.first))
            << path;
        // BMP and JPEG 2000 hold no orientation at all.
        EXPECT_EQ(testing::tagValue(tags[path], "Orientation").value_or("1"),
                  std::to_string(expected.second))
            << path;
    }
}

TEST(Orientation, APhonesHeifPortraitComesOutUprightInEveryFormat) {
    // Stored 4032 x 3024 with a turn in the container and EXIF orientation 6.
    const std::string source = testdata("ianare-exif-samples/iphone_13_pro_max.HEIC");
    TempFolder folder;
    for (const char* name : {"p.jpg", "p.png", "p.heic"}) {
        SCOPED_TRACE(name);
        const auto format = name[2] == 'j'   ? OutputFormat::JPG
                            : name[2] == 'p' ? OutputFormat::PNG
                                             : OutputFormat::HEIC;
        ASSERT_TRUE(testing::saveResized(source, folder.path(name), format, 75, 100, true).ok);
        const auto size = ImageTools::readPixelSize(folder.path(name));
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(std::pair(size->width, size->height), std::pair(75.0, 100.0));
        EXPECT_EQ(testing::tagValue(testing::exiftoolTags(folder.path(name)), "Orientation"), "1");
    }
}

}  // namespace
}  // namespace varnholt
