#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "BatchTestSupport.h"
#include "batch/BatchJob.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

using D = OverwriteDecision;
using A = OverwriteAnswer;
using Statuses = std::vector<std::string>;

struct ImagingEnvironment : ::testing::Environment {
    void SetUp() override { runtime = std::make_unique<ImageTools::Runtime>("batch_engine"); }
    void TearDown() override { runtime.reset(); }
    std::unique_ptr<ImageTools::Runtime> runtime;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ImagingEnvironment);

const std::string kData = VARNHOLT_TESTDATA;
const std::string kPortrait = kData + "/recurser-exif-orientation-examples/Portrait_1.jpg";
const std::string kLandscape = kData + "/recurser-exif-orientation-examples/Landscape_1.jpg";
const std::string kIndexedPng = kData + "/libvips/indexed.png";
const std::string kNokia = kData + "/ianare-exif-samples/HMD_Nokia_8.3_5G.jpg";  // 4608 x 1976
const std::string kGps = kData + "/ianare-exif-samples/DSCN0010.jpg";            // has a Make
const std::string kTiff = kData + "/libvips/sample.tif";

struct Collector : BatchObserver {
    void reportProgress(std::size_t, std::size_t) override {}
    void imageFinished(std::size_t, const ImageOutcome&) override {}
    void finishBatch(const BatchResult& r) override { result = r; }
    BatchResult result;
};

// "written", "skipped" or "failed: <reason>" per image.
Statuses runBatch(const std::vector<std::string>& sources, const ResizeSettings& settings,
                  const std::vector<OverwriteDecision>& decisions, std::size_t atOnce = 0) {
    Collector collector;
    BatchJob job(sources, settings, decisions, collector, BatchOptions{atOnce});
    job.start();
    job.wait();
    Statuses statuses;
    for (const auto& o : collector.result.outcomes) {
        statuses.push_back(o.status == ImageStatus::Written   ? "written"
                           : o.status == ImageStatus::Skipped ? "skipped"
                                                              : "failed: " + o.reason);
    }
    EXPECT_EQ(collector.result.allSucceeded, collector.result.countOf(ImageStatus::Failed) == 0);
    return statuses;
}

ResizeSettings widthSettings(const std::string& folder, const std::string& width,
                             const std::string& pattern = "[FileName]") {
    ResizeSettings s;
    s.freeResize = false;
    s.fixedWidth = true;
    s.fixedWidthText = width;
    s.outputFolder = folder;
    s.namePattern = pattern;
    return s;
}

double width(const std::string& path) {
    return ImageTools::readPixelSize(path).value_or(PixelSize{}).width;
}

std::int64_t modified(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec;
}

bool hasMake(const std::string& path) {
    const auto properties = ImageTools::readImageProperties(path);
    return properties && properties->count("Exif.Image.Make") == 1;
}

TEST(BatchEngine, AnswersDecideWhatIsReplaced) {
    TempFolder in, out;
    const std::vector<std::string> sources{in.copy(kPortrait, "a.jpg"),
                                           in.copy(kLandscape, "b.jpg"), in.copy(kGps, "c.jpg")};
    ResizeSettings s = widthSettings(out.path(), "60");
    // A skipped file keeps its bytes and date even with DPI and metadata on.
    s.changeDPI = true;
    s.dpiText = "300";
    s.keepExifInfoAndCreationDate = true;
    const std::string skipped = out.write("a.jpg", "old a");
    out.write("b.jpg", "old b");
    const std::int64_t date = modified(skipped);
    ScriptedQuestion question({A::No, A::YesToAll});
    EXPECT_EQ(runBatch(sources, s, confirmOverwrites(sources, s, question)),
              (Statuses{"skipped", "written", "written"}));
    EXPECT_EQ(readFile(skipped), "old a");
    EXPECT_EQ(modified(skipped), date);
    for (const char* name : {"b.jpg", "c.jpg"}) {
        EXPECT_EQ(width(out / name), 60);
        EXPECT_EQ(ImageTools::readDPI(out / name), 300);
    }
    EXPECT_EQ(out.entries(), 3);
}

TEST(BatchEngine, UnusableSizeWritesNothing) {
    TempFolder out;
    const std::string existing = out.write("HMD_Nokia_8.3_5G.jpg", "keep me");
    // At width 1 the height rounds to 0.
    EXPECT_EQ(
        runBatch({kNokia, kPortrait}, widthSettings(out.path(), "1"), {D::Overwrite, D::Write}),
        (Statuses{"failed: size not above 0", "written"}));
    EXPECT_EQ(readFile(existing), "keep me");
    TempFolder big;
    EXPECT_EQ(runBatch({kPortrait}, widthSettings(big.path(), "100000"), {D::Write}),
              Statuses{"failed: size too large"});
    EXPECT_EQ(big.entries(), 0);
}

TEST(BatchEngine, BrokenSourcesFailOnlyThemselves) {
    TempFolder in, out;
    ResizeSettings s = widthSettings(out.path(), "50");
    s.keepExifInfoAndCreationDate = true;
    const auto statuses = runBatch(
        {kPortrait, in.write("b.jpg", "text, not an image"),
         kData + "/ianare-exif-samples/corrupted.jpg", kData + "/sharp/truncated.jpg", kGps},
        s, std::vector(5, D::Write));
    ASSERT_EQ(statuses.size(), 5u);
    EXPECT_EQ(statuses[1], "failed: cannot read image");
    EXPECT_EQ(statuses[2].rfind("failed: ", 0), 0u) << statuses[2];
    EXPECT_EQ(statuses[3].rfind("failed: ", 0), 0u) << statuses[3];  // never a grey half
    EXPECT_EQ(statuses[0] + statuses[4], "writtenwritten");
    EXPECT_TRUE(hasMake(out / "DSCN0010.jpg"));  // a failure does not spoil the next image
    EXPECT_EQ(out.entries(), 2);

    TempFolder missing;  // a folder that does not exist fails every image
    for (const auto& status : runBatch({kPortrait, kLandscape}, widthSettings(missing / "no", "50"),
                                       {D::Write, D::Write})) {
        EXPECT_EQ(status.rfind("failed: write failed", 0), 0u) << status;
    }
}

TEST(BatchEngine, OutputOverTheSourceKeepsItsDateAndMetadata) {
    TempFolder in;
    const std::string source = in.copy(kGps, "photo.jpg");
    const timespec past[2] = {{978307200, 0}, {978307200, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), past, 0), 0);
    ResizeSettings s = widthSettings(in.path(), "320");
    s.outputFormat = {12, "Original"};
    s.keepExifInfoAndCreationDate = true;
    ScriptedQuestion question({A::Yes});
    const auto decisions = confirmOverwrites({source}, s, question);
    ASSERT_EQ(decisions, std::vector<D>{D::Overwrite});
    EXPECT_EQ(runBatch({source}, s, decisions), Statuses{"written"});
    EXPECT_EQ(width(source), 320);
    EXPECT_EQ(modified(source), 978307200'000'000'000LL);
    EXPECT_TRUE(hasMake(source));
    EXPECT_EQ(in.entries(), 1);
}

// Also "Original" with mixed formats: each image keeps its own.
TEST(BatchEngine, TwoAtOnceWritesWhatOneAtATimeWrites) {
    TempFolder in, sequential, parallel;
    const std::vector<std::string> sources{
        kPortrait, kLandscape, kGps, in.copy(kIndexedPng, "d.png"), in.copy(kTiff, "e.TIF"),
        kNokia};
    ResizeSettings s = widthSettings(sequential.path(), "150", std::string(kDefaultNamePattern));
    s.outputFormat = {12, "Original"};
    s.keepExifInfoAndCreationDate = true;
    EXPECT_EQ(runBatch(sources, s, std::vector(sources.size(), D::Write), 1),
              Statuses(6, "written"));
    s.outputFolder = parallel.path();
    runBatch(sources, s, std::vector(sources.size(), D::Write), 2);
    for (const auto& entry : std::filesystem::directory_iterator(sequential.path())) {
        SCOPED_TRACE(entry.path().string());
        const std::string twin = parallel / entry.path().filename().string();
        EXPECT_EQ(readFile(entry.path()), readFile(twin));
        EXPECT_EQ(modified(entry.path()), modified(twin));
    }
    EXPECT_EQ(parallel.entries(), 6);
    EXPECT_EQ(ImageTools::readTypeIdentifier(parallel / "d_res (4).png"), "public.png");
    EXPECT_EQ(ImageTools::readTypeIdentifier(parallel / "e_res (5).TIF"), "public.tiff");
    EXPECT_EQ(ImageTools::readTypeIdentifier(parallel / "DSCN0010_res (3).jpg"), "public.jpeg");
}

}  // namespace
}  // namespace varnholt
