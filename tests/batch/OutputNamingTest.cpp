#include "batch/OutputNaming.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

struct Row {
    const char* name;
    std::string source;
    std::int64_t index;
    std::string pattern;
    std::string format;
    std::string folder;
    NameCase nameCase;
    std::string expected;
};

const std::string kDefault(kDefaultNamePattern);
const std::string kSource = "/pics/IMG_0042.JPG";

const Row kRows[] = {
    {"default", kSource, 0, kDefault, "JPG", "/out", NameCase::Unchanged,
     "/out/IMG_0042_res (1).jpg"},
    {"original keeps extension", kSource, 0, kDefault, "Original", "/out", NameCase::Unchanged,
     "/out/IMG_0042_res (1).JPG"},
    {"lower leaves extension", kSource, 0, kDefault, "Original", "/out", NameCase::Lower,
     "/out/img_0042_res (1).JPG"},
    {"upper png", kSource, 4, kDefault, "PNG", "/out", NameCase::Upper,
     "/out/IMG_0042_RES (5).png"},
    {"empty pattern", kSource, 0, "", "JPG", "/out", NameCase::Unchanged, "/out/IMG_0042.jpg"},
    {"no token first", kSource, 0, "thumb", "JPG", "/out", NameCase::Unchanged,
     "/out/thumb (1).jpg"},
    {"no token second", kSource, 1, "thumb", "JPG", "/out", NameCase::Unchanged,
     "/out/thumb (2).jpg"},
    {"index only", kSource, 2, "[FileIndex]", "JPG", "/out", NameCase::Unchanged, "/out/3.jpg"},
    {"name only", kSource, 2, "[FileName]", "JPG", "/out", NameCase::Unchanged,
     "/out/IMG_0042.jpg"},
    {"name twice", kSource, 0, "[FileName]-[FileName]", "TIFF", "/out", NameCase::Unchanged,
     "/out/IMG_0042-IMG_0042.tiff"},
    {"lowercase token is text", kSource, 0, "[filename]", "JPG", "/out", NameCase::Unchanged,
     "/out/[filename] (1).jpg"},
    {"folder with slash", kSource, 0, kDefault, "JPG", "/out/", NameCase::Unchanged,
     "/out//IMG_0042_res (1).jpg"},
    {"several dots", "/pics/holiday.final.jpg", 0, "[FileName]", "PNG", "/out", NameCase::Unchanged,
     "/out/holiday.final.png"},
    {"index token inside name", "/pics/a[FileIndex].png", 6, "[FileName]", "PNG", "/out",
     NameCase::Unchanged, "/out/a7.png"},
    {"spaces", "/my pics/summer day.jpeg", 0, kDefault, "Original", "/my out", NameCase::Unchanged,
     "/my out/summer day_res (1).jpeg"},
    {"slash in pattern", kSource, 0, "sub/[FileName]", "GIF", "/out", NameCase::Unchanged,
     "/out/sub/IMG_0042.gif"},
    {"heic", "/p/x.heic", 0, "[FileName]", "HEIC", "/o", NameCase::Unchanged, "/o/x.heic"},
    {"no extension original", "/p/noext", 0, "[FileName]", "Original", "/o", NameCase::Unchanged,
     "/o/noext."},
    {"big index", kSource, 123456788, "[FileIndex]", "BMP", "/o", NameCase::Unchanged,
     "/o/123456789.bmp"},
    // Full Unicode case mapping, not ASCII toupper.
    {"eszett upper", "/p/Straße.jpg", 0, "[FileName]", "JPG", "/o", NameCase::Upper,
     "/o/STRASSE.jpg"},
    {"accented lower", "/p/ÉTÉ À ÖSTERÅS.jpg", 0, "[FileName]", "JPG", "/o", NameCase::Lower,
     "/o/été à österås.jpg"},
    {"accented upper", "/p/crème brûlée.png", 0, "[FileName]", "PNG", "/o", NameCase::Upper,
     "/o/CRÈME BRÛLÉE.png"},
    {"dotted capital I lower", "/p/İSTANBUL.jpg", 0, "[FileName]", "JPG", "/o", NameCase::Lower,
     "/o/i̇stanbul.jpg"},
    {"dotless i upper", "/p/ılık.jpg", 0, "[FileName]", "JPG", "/o", NameCase::Upper,
     "/o/ILIK.jpg"},
    {"greek lower", "/p/ΣΟΦΙΑ.jpg", 0, "[FileName]", "JPG", "/o", NameCase::Lower, "/o/σοφια.jpg"},
    {"folder case untouched", kSource, 0, "[FileName]", "JPG", "/Out/ÄB", NameCase::Lower,
     "/Out/ÄB/img_0042.jpg"},
    {"invalid utf-8 unchanged",
     "/p/a\xff"
     "b.jpg",
     0, "[FileName]", "JPG", "/o", NameCase::Upper,
     "/o/a\xff"
     "b.jpg"},
};

TEST(OutputNaming, BuildsThePathFromPatternFormatFolderAndCase) {
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(buildOutputPath(row.source, row.index, row.pattern, row.format, row.folder,
                                  row.nameCase),
                  row.expected);
    }
}

TEST(OutputNaming, SettingsOverloadReadsPatternFormatFolderAndCase) {
    ResizeSettings s;
    s.outputFolder = "/out";
    s.outputFormat = {12, "Original"};
    s.nameCase = 1;
    s.namePattern = "[FileName]-[FileIndex]";
    EXPECT_EQ(buildOutputPath("/a/b.c.Tif", 9, s), "/out/B.C-10.Tif");
    s.nameCase = 7;  // unknown index acts as Unchanged
    EXPECT_EQ(buildOutputPath("/a/b.png", 0, s), "/out/b-1.png");
}

TEST(OutputNaming, ExtensionIsTakenFromTheLastComponent) {
    EXPECT_EQ(fileExtension("/a.b/c"), "");
    EXPECT_EQ(fileExtension("/a/c.JPEG"), "JPEG");
    EXPECT_EQ(fileExtension("c.tar.gz"), "gz");
}

}  // namespace
}  // namespace varnholt
