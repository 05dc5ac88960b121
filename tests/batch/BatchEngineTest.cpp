// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "BatchTestSupport.h"
#include "SizeSettings.h"
#include "batch/BatchJob.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

using D = OverwriteDecision;
using namespace std::string_literals;

struct ImagingEnvironment : ::testing::Environment {
    void SetUp() override { runtime = std::make_unique<ImageTools::Runtime>("batch_engine"); }
    void TearDown() override { runtime.reset(); }
    std::unique_ptr<ImageTools::Runtime> runtime;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ImagingEnvironment);

const std::string kData = VARNHOLT_TESTDATA;
const std::string kPortrait = kData + "/recurser-exif-orientation-examples/Portrait_1.jpg";
const std::string kNokia = kData + "/ianare-exif-samples/HMD_Nokia_8.3_5G.jpg";  // 4608 x 1976
const std::string kGps = kData + "/ianare-exif-samples/DSCN0010.jpg";            // has a Make

struct Collector : BatchObserver {
    void reportProgress(std::size_t, std::size_t) override {}
    void finishBatch(const BatchResult& r) override { result = r; }
    BatchResult result;
};

// The failure's kind and text when the one image fails, nothing when it is written.
std::optional<std::pair<FailureKind, std::string>> failureOf(const std::string& source,
                                                             const ResizeSettings& settings,
                                                             OverwriteDecision decision) {
    Collector collector;
    BatchJob job(planWith({source}, settings, {decision}), collector);
    job.start();
    job.wait();
    const auto& outcomes = collector.result.outcomes;
    EXPECT_EQ(collector.result.allSucceeded, outcomes.at(0).status != ImageStatus::Failed);
    if (outcomes.at(0).status == ImageStatus::Written) return std::nullopt;
    const auto& failure = outcomes[0].failure.value();
    return std::pair{failure.kind, failure.describe()};
}

ResizeSettings widthSettings(const std::string& folder, const std::string& width,
                             const std::string& pattern = "[FileName]") {
    ResizeSettings s = sizeSettings("w", width, "");
    s.outputFolder = folder;
    s.namePattern = pattern;
    return s;
}

// Each cause has its kind, decided where it happened, and its text; a failed image touches
// no file, and the next one is written with its metadata kept and its source's creation date
// as its modification time.
TEST(BatchEngine, FailuresTouchNothingAndAWrittenImageKeepsItsDate) {
    TempFolder in, out;
    const std::string dated = in.copy(kGps, "a.jpg");
    const struct timespec march[2] = {{1551435630, 0}, {1551435630, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dated.c_str(), march, 0), 0);
    using K = FailureKind;
    struct Row {
        std::string source, width;
        std::optional<std::pair<FailureKind, std::string>> failure;  // none: written
    };
    const Row rows[] = {
        {kNokia, "1", {{K::SizeNotUsable, "size not above 0"}}},  // the height rounds to 0
        {kPortrait, "100000", {{K::SizeNotUsable, "size too large (at most 65535 pixels a side)"}}},
        {dated, "50", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.source + " " + row.width);
        ResizeSettings s = widthSettings(out.path(), row.width, "[FileIndex]");
        s.keepExifInfoAndCreationDate = true;
        const std::string existing = out.write("1.jpg", "keep me");
        EXPECT_EQ(failureOf(row.source, s, D::Overwrite), row.failure);
        EXPECT_EQ(readFile(existing) == "keep me", row.failure.has_value());
    }
    EXPECT_EQ(ImageTools::readPixelSize(out / "1.jpg")->width, 50);
    EXPECT_EQ(out.entries().size(), 1u);
    struct stat written {};
    ASSERT_EQ(stat((out / "1.jpg").c_str(), &written), 0);
    EXPECT_EQ(written.st_mtim.tv_sec, 1551435630);
    TempFolder missing;
    EXPECT_EQ(failureOf(kPortrait, widthSettings(missing / "no", "50"), D::Write),
              std::pair(K::OutputFolderMissing, "cannot write: no such file or directory"s));
}

// Images encoded side by side write the bytes they write one after the other.
TEST(BatchEngine, TwoAtOnceWriteWhatOneAtATimeWrites) {
    const std::vector<std::string> sources{kPortrait, kGps, kData + "/libvips/indexed.png",
                                           kData + "/libheif/rainbow-451x461.heic"};
    TempFolder alone, together;
    for (const auto& [out, atOnce] : {std::pair{&alone, 1}, std::pair{&together, 2}}) {
        ResizeSettings s = widthSettings(out->path(), "64");
        s.outputFormat.title = "Original";
        Collector collector;
        BatchJob job(planBatch(sources, s), collector, BatchOptions{std::size_t(atOnce)});
        job.start();
        job.wait();
        EXPECT_TRUE(collector.result.allSucceeded);
    }
    ASSERT_EQ(alone.entries().size(), sources.size());
    ASSERT_EQ(alone.entries(), together.entries());
    for (const auto& name : alone.entries())
        EXPECT_EQ(readFile(alone / name), readFile(together / name)) << name;
}

}  // namespace
}  // namespace varnholt
