#include <gtest/gtest.h>
#include <sys/stat.h>

#include "BatchTestSupport.h"
#include "batch/BatchJob.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

using D = OverwriteDecision;

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

std::vector<ImageOutcome> runBatch(const std::vector<std::string>& sources,
                                   const ResizeSettings& settings,
                                   const std::vector<OverwriteDecision>& decisions,
                                   std::size_t atOnce = 0) {
    Collector collector;
    BatchJob job(planWith(sources, settings, decisions), collector, BatchOptions{atOnce});
    job.start();
    job.wait();
    EXPECT_EQ(collector.result.allSucceeded, collector.result.countOf(ImageStatus::Failed) == 0);
    return collector.result.outcomes;
}

// The failure's kind and text of the only image, or nothing when it was written.
std::optional<std::pair<FailureKind, std::string>> failureOf(
    const std::vector<ImageOutcome>& outcomes) {
    EXPECT_EQ(outcomes.size(), 1u);
    if (outcomes.empty() || outcomes[0].status == ImageStatus::Written) return std::nullopt;
    const auto& failure = outcomes[0].failure;
    if (!failure) return std::pair{FailureKind::Unexpected, std::string("no failure")};
    return std::pair{failure->kind, failure->describe()};
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

// Each cause has its kind, decided where it happened, and its text; a failed image touches
// no file and the next one is written.
TEST(BatchEngine, FailuresHaveTheirOwnKindAndTouchNothing) {
    TempFolder in, out;
    const std::string heic = in.copy(kData + "/libheif/rainbow-451x461.heic", "in place.heic");
    const auto heicBytes = readFile(heic);
    std::filesystem::create_directory(in / "folder.jpg");
    using K = FailureKind;
    struct Row {
        std::string source, width;
        std::optional<std::pair<FailureKind, std::string>> failure;  // none: written
    };
    const Row rows[] = {
        {kNokia, "1", {{K::SizeNotUsable, "size not above 0"}}},  // the height rounds to 0
        {kPortrait, "100000", {{K::SizeNotUsable, "size too large (at most 65535 pixels a side)"}}},
        {in.write("b.jpg", "text"), "50", {{K::NotAnImage, "not an image of an accepted format"}}},
        {in / "gone.jpg", "50", {{K::FileNotFound, "file not found"}}},
        {in / "folder.jpg", "50", {{K::NotRegularFile, "not a regular file"}}},
        {kGps, "50", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.source + " " + row.width);
        const ResizeSettings s = widthSettings(out.path(), row.width, "[FileIndex]");
        const std::string existing = out.write("1.jpg", "keep me");
        EXPECT_EQ(failureOf(runBatch({row.source}, s, {D::Overwrite})), row.failure);
        EXPECT_EQ(readFile(existing) == "keep me", row.failure.has_value());
    }
    // In place: the source was the output.
    ResizeSettings inPlace = widthSettings(in.path(), "16385");
    inPlace.outputFormat.title = "Original";
    EXPECT_EQ(failureOf(runBatch({heic}, inPlace, {D::Overwrite})),
              std::pair(K::SizeTooLarge, std::string("size too large for HEIC (at most 16384 "
                                                     "pixels a side)")));
    EXPECT_EQ(readFile(heic), heicBytes);
    EXPECT_EQ(width(out / "1.jpg"), 50);
    EXPECT_EQ(out.entries(), 1);
    TempFolder missing;
    EXPECT_EQ(
        failureOf(runBatch({kPortrait}, widthSettings(missing / "no", "50"), {D::Write})),
        std::pair(K::OutputFolderMissing, std::string("cannot write: no such file or directory")));
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
    const auto outcomes = runBatch(sources, s, std::vector(sources.size(), D::Write), 1);
    EXPECT_EQ(std::count_if(outcomes.begin(), outcomes.end(),
                            [](const auto& o) { return o.status == ImageStatus::Written; }),
              6);
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
