#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "ImagingTestSupport.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

using testing::TempFolder;

TEST(OddInput, AHugeBmpFailsCleanlyInsteadOfExhaustingMemory) {
    TempFolder folder;
    const std::string path = folder.path("huge.bmp");
    std::ofstream(path) << "BM";
    ASSERT_EQ(::truncate(path.c_str(), 200LL << 30), 0);  // sparse: takes no disk space
    EXPECT_FALSE(ImageTools::loadImage(path).has_value());
    EXPECT_FALSE(ImageTools::readPixelSize(path).has_value());
    EXPECT_EQ(ImageTools::readDPI(path), 72);
}

TEST(OddInput, AReplacedFileKeepsItsPermissions) {
    TempFolder folder;
    const std::string source = testing::testdata("ianare-exif-samples/Canon_40D.jpg");
    const std::string output = folder.path("private.jpg");
    ASSERT_TRUE(testing::saveResized(source, output, OutputFormat::JPG, 50, 34, false).ok);
    ASSERT_EQ(::chmod(output.c_str(), 0600), 0);
    ASSERT_TRUE(testing::saveResized(source, output, OutputFormat::PNG, 40, 27, false).ok);
    struct stat info {};
    ASSERT_EQ(::stat(output.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST(OddInput, MetadataTooLargeForJpegStillCarriesTheOrientation) {
    // A 100 KB XMP packet cannot go into a JPEG segment; the EXIF with the orientation code
    // must still arrive, or pixels kept in the stored layout would show sideways.
    TempFolder folder;
    const std::string source = folder.path("big-xmp.tif");
    const std::string output = folder.path("out.jpg");
    testing::run("/usr/bin/convert -size 300x100 xc:red " + testing::quoted(source));
    const std::string description(100000, 'x');
    testing::run(
        "exiftool -q -overwrite_original -n -Orientation=6 -Make=Tester -XMP-dc:Description=" +
        description + " " + testing::quoted(source));
    ASSERT_EQ(ImageTools::readOrientation(source), 6);
    ASSERT_TRUE(testing::saveResized(source, output, OutputFormat::JPG, 100, 300, true).ok);
    const auto tags = testing::exiftoolTags(output);
    EXPECT_EQ(testing::tagValue(tags, "Orientation"), "6");
    EXPECT_EQ(testing::tagValue(tags, "Make"), "Tester");
    EXPECT_EQ(testing::tagValue(tags, "ImageWidth"), "300");
}

}  // namespace
}  // namespace varnholt
