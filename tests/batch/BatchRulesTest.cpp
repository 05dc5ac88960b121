// SPDX-License-Identifier: GPL-3.0-or-later
// The batch's pure rules: output names, output sizes, encodings, input checks, list rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <limits>

#include "BatchTestSupport.h"
#include "SizeSettings.h"
#include "batch/BatchInputChecks.h"
#include "batch/BatchOutputSize.h"
#include "batch/BatchReport.h"
#include "batch/EncodingChoice.h"
#include "batch/ImageList.h"
#include "batch/ImageListRules.h"
#include "batch/OutputNaming.h"
#include "batch/PathIdentity.h"

namespace varnholt {
namespace {

TEST(OutputNaming, PatternFormatFolderAndCase) {
    constexpr auto N = NameCase::Unchanged, U = NameCase::Upper, L = NameCase::Lower;
    const std::string def(kDefaultNamePattern);
    const struct {
        std::string source;
        std::int64_t index;
        std::string pattern, format, folder;
        NameCase nameCase;
        std::string expected;
    } rows[] = {
        {"/p/IMG_1.JPG", 0, def, "JPG", "/o", N, "/o/IMG_1_res (1).jpg"},
        {"/p/IMG_1.JPG", 0, def, "Original", "/o", L, "/o/img_1_res (1).JPG"},
        {"/p/IMG_1.JPG", 4, def, "PNG", "/o", U, "/o/IMG_1_RES (5).png"},
        {"/p/IMG_1.JPG", 0, "", "JPG", "/o", N, "/o/IMG_1.jpg"},
        {"/p/IMG_1.JPG", 1, "thumb", "JPG", "/o", N, "/o/thumb (2).jpg"},
        {"/p/IMG_1.JPG", 0, "[FileName]-[FileName]", "TIFF", "/o", N, "/o/IMG_1-IMG_1.tiff"},
        {"/p/IMG_1.JPG", 0, "[filename]", "JPG", "/o", N, "/o/[filename] (1).jpg"},
        {"/p/a.final.jpg", 0, "[FileName]", "PNG", "/o", N, "/o/a.final.png"},
        {"/p/a[FileIndex].png", 6, "[FileName]", "PNG", "/o", N, "/o/a7.png"},
        {"/p/noext", 0, "[FileName]", "Original", "/o", N, "/o/noext."},
        {"/p/Straße.jpg", 0, "[FileName]", "JPG", "/o", U, "/o/STRASSE.jpg"},
        {"/p/ÉTÉ À ÖSTERÅS.jpg", 0, "[FileName]", "JPG", "/o", L, "/o/été à österås.jpg"},
        {"/p/İSTANBUL.jpg", 0, "[FileName]", "JPG", "/o", L, "/o/i̇stanbul.jpg"},
        {"/p/IMG_1.JPG", 0, "[FileName]", "JPG", "/Ö/ÄB", L, "/Ö/ÄB/img_1.jpg"},
        {"/p/a\xff.jpg", 0, "[FileName]", "JPG", "/o", U, "/o/a\xff.jpg"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.expected);
        EXPECT_EQ(buildOutputPath(r.source, r.index, r.pattern, r.format, r.folder, r.nameCase),
                  r.expected);
    }
}

TEST(PixelSize, FollowsTheModeTable) {
    const struct {
        double w, h;
        const char *mode, *a, *b;
        bool larger, noEnlarge;
        double width, height;
    } rows[] = {
        {101, 75, "pct", "50", "50", false, false, 50.5, 37.5},  // percentages unrounded
        {3000, 4000, "pct", "50", "25", true, false, 750, 2000},
        {3000, 4000, "w", "800", "", true, false, 600, 800},
        {4000, 3000, "w", "12.5", "", false, false, 12.5, 9},
        {3000, 4000, "h", "", "800", true, false, 800, 1067},
        {3000, 4000, "box", "800", "600", false, false, 450, 600},
        {3000, 4000, "box", "800", "600", true, false, 600, 800},
        {3000, 4000, "box", "800", "500", true, false, 500, 667},
        {3000, 4000, "lock", "1000", "1", true, false, 750, 1000},
        {3000, 4000, "free", "640", "480", true, false, 480, 640},
        {1000, 500, "w", "2000", "", false, true, 1000, 500},  // clamped after the mode
        {1000, 500, "pct", "200", "200", false, true, 1000, 500},
        {3000, 1000, "w", "1", "", false, false, 1, 0},
        {144, 135, "w", "1000", "", false, false, 1000, 937},  // 938 in double precision
        {1, 1, "w", "2.5", "", false, false, 2.5, 3},          // half away from zero
        {4000, 3000, "none", "", "", false, false, 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " " << r.mode << " " << r.a << ","
                                        << r.b << " larger " << r.larger);
        const auto size =
            computeBatchOutputSize(r.w, r.h, sizeSettings(r.mode, r.a, r.b, r.larger, r.noEnlarge));
        EXPECT_EQ(size.width, r.width);
        EXPECT_EQ(size.height, r.height);
    }
}

TEST(PixelSize, UnusableSidesAreFailures) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const std::pair<PixelSize, std::optional<WholePixels>> rows[] = {
        {{50.5, 37.5}, WholePixels{50, 37}}, {{65535, 1}, WholePixels{65535, 1}},
        {{0.99, 10}, std::nullopt},          {{inf, 10}, std::nullopt},
        {{10, std::nan("")}, std::nullopt},  {{65536, 10}, std::nullopt},
    };
    for (const auto& [size, expected] : rows) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        EXPECT_EQ(wholePixels(size), expected);
    }
    for (const char* entry : {"1e30", "inf", "nan", "-5", "0"}) {
        SCOPED_TRACE(entry);
        EXPECT_FALSE(wholePixels(computeBatchOutputSize(4000, 3000, sizeSettings("w", entry, ""))));
        EXPECT_FALSE(wholePixels(
            computeBatchOutputSize(3000, 4000, sizeSettings("box", entry, entry, true))));
    }
}

TEST(EncodingChoice, OriginalFollowsTheSourceAndQualityIsSinglePrecision) {
    ResizeSettings s;
    s.outputFormat.title = "Original";
    const std::pair<const char*, OutputFormat> rows[] = {
        {"/p/a.JPEG", OutputFormat::JPEG},    {"/p/a.Jpe", OutputFormat::JPE},
        {"/p/a.HEIC", OutputFormat::HEIC},    {"/p/a.pcx", OutputFormat::JPG},
        {"/p/a.original", OutputFormat::JPG}, {"/p.png/a", OutputFormat::JPG},
    };
    for (const auto& [source, expected] : rows) {
        SCOPED_TRACE(source);
        EXPECT_EQ(encodingFormat(source, s), expected);
    }
    s.outputFormat.title = "TIF";
    EXPECT_EQ(encodingFormat("/p/a.png", s), OutputFormat::TIF);
    s.quality = 33.3f;
    EXPECT_EQ(encodingQuality(s), static_cast<double>(33.3f / 100.0f));
}

TEST(BatchInputChecks, FirstFailingCheckWinsAndFinalMessagesWithCounts) {
    const auto settings = [](const char* width, const char* folder) {
        ResizeSettings s = sizeSettings("lock", width, "10");
        s.outputFolder = folder;
        return s;
    };
    EXPECT_EQ(checkBatchInputs(0, settings("0", "")), kNoImagesMessage);
    EXPECT_EQ(checkBatchInputs(3, settings("0", "")), kInvalidDimensionsMessage);
    EXPECT_EQ(checkBatchInputs(3, settings("10", "")), kNoOutputFolderMessage);
    ResizeSettings dpi = settings("10", "");
    dpi.changeDPI = true;
    for (const auto& [text, valid] : {std::pair{"1000000", true},
                                      {"+1000001", false},
                                      {"99999999999999999999", false},
                                      {"abc", true}}) {
        dpi.dpiText = text;
        EXPECT_EQ(checkBatchInputs(3, dpi), valid ? kNoOutputFolderMessage : kInvalidDpiMessage);
    }
    // A missing output folder is made with its parents before anything else happens.
    TempFolder out;
    EXPECT_EQ(prepareBatch(1, settings("10", (out / "a/b/").c_str())), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_directory(out / "a/b"));
    const std::string file = out.write("file", "");
    EXPECT_EQ(prepareBatch(1, settings("10", (file + "/c").c_str())),
              "Cannot create the output folder " + file + "/c: not a directory.");
    BatchResult stopped{false, true, 4, std::vector<ImageOutcome>(2)};  // failed, then
    stopped.outcomes[0].status = ImageStatus::Written;                  // one written
    EXPECT_EQ(closingMessage(stopped), "The resizing was stopped. 1 of 4 images were resized.");
    // w written, e skipped as the file exists, c skipped for a clash, f failed.
    const std::pair<std::string, std::string> counts[] = {
        {"ffff", "4 of 4 images failed."},
        {"w", "1 of 1 image written."},
        {"fcwew",
         "2 of 5 images written. 1 of 5 images skipped (file exists). "
         "1 of 5 images skipped (name clash). 1 of 5 images failed."},
    };
    for (const auto& [codes, text] : counts) {
        BatchResult result{true, false, codes.size(), {}};
        for (const char code : codes) {
            result.outcomes.push_back(code == 'w' ? ImageOutcome::written()
                                      : code == 'f'
                                          ? ImageOutcome::failed({FailureKind::CannotResize, {}})
                                          : ImageOutcome::skipped(code == 'c'));
        }
        EXPECT_EQ(outcomeCounts(result), text);
    }
    EXPECT_EQ(outcomeCounts(stopped), "1 of 4 images written. 1 of 4 images failed.");
}

TEST(ImageListRules, AcceptedExtensionsInAnyCase) {
    const std::tuple<const char*, bool, bool> rows[] = {
        {"/a/b.JPG", false, true},      {"/a/b.Jpe", false, true}, {"/a/b.jp2", false, true},
        {"/a/b.TIF", false, true},      {"/a/b.bmp", false, true}, {"/a/b.pcx", false, false},
        {"/a/b.heic", false, false},    {"/a/b.HEIC", true, true}, {"/a.jpg/b", false, false},
        {"/a/b.jpg.txt", false, false}, {"/a/b.", false, false},
    };
    for (const auto& [path, heif, accepted] : rows) {
        SCOPED_TRACE(path);
        EXPECT_EQ(hasAcceptedExtension(path, heif), accepted);
    }
    EXPECT_EQ(acceptedExtensions(true).size(), 15u);
}

// Every rule once, in the order the list applies them; a refused path is told by its position.
TEST(ImageList, AdmitsEachFileOnceByItsRules) {
    TempFolder folder;
    const std::string a = folder.write("a.jpg", "x"), b = folder.write("B.PNG", "x");
    const std::string fifo = folder / "pipe.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory_symlink(folder.path(), folder / "link");
    ImageList list(false);
    ASSERT_TRUE(list.append({{b}, {}, {}}).empty());
    const std::vector<ImageList::Refused> refused =
        list.append({{a, b, fifo, folder.write("c.pcx", "x"), folder.write("\xff.jpg", "x"),
                      folder / "missing.gif", folder / "link/a.jpg"},
                     {},
                     {}});
    using enum ListRefusal;
    EXPECT_EQ(refused, (std::vector<ImageList::Refused>{{1, Listed},
                                                        {2, NotRegularFile},
                                                        {3, NotAccepted},
                                                        {4, InvalidName},
                                                        {5, Missing},
                                                        {6, Listed}}));
    list.removeRows({0});  // may come back, here in front of the one left
    list.insert(list.screen({{b}, {}, {}}), 0);
    EXPECT_EQ(list.paths(), (std::vector<std::string>{b, a}));
}

TEST(PathIdentity, SpellingsOfOneEntry) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "real");
    std::filesystem::create_directory_symlink(dir / "real", dir / "link");
    std::filesystem::create_symlink(dir.write("real/file.jpg", "x"), dir / "real/alias.jpg");
    const std::string a = dir / "real/a.jpg";
    const std::pair<std::string, bool> rows[] = {
        {dir / "link/../real/./a.jpg", true},
        {dir / "link/a.jpg", true},
        {dir / "real/A.jpg", false},
        {dir / "real/a.jpg/", false},
    };
    for (const auto& [other, same] : rows) {
        SCOPED_TRACE(other);
        EXPECT_EQ(sameEntry(pathIdentity(a), pathIdentity(other)), same);
    }
    // A write replaces a link rather than following it: the link is an entry of its own.
    EXPECT_FALSE(
        sameEntry(pathIdentity(dir / "real/file.jpg"), pathIdentity(dir / "real/alias.jpg")));
    // ".." after a link is the folder above the link's target, as the system has it.
    std::filesystem::create_directory_symlink(dir.path(), dir / "real/up");
    EXPECT_EQ(pathIdentity(dir / "real/up/../x.jpg").resolved,
              (std::filesystem::path(dir.path()).parent_path() / "x.jpg").string());
    EXPECT_EQ(pathIdentity("some/where/../x.png").lexical,
              (std::filesystem::current_path() / "some/x.png").string());
}

}  // namespace
}  // namespace varnholt
