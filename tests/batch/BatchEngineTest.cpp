#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <filesystem>

#include "TempFolder.h"
#include "batch/BatchJob.h"
#include "batch/OverwriteConfirmation.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

namespace fs = std::filesystem;
using D = OverwriteDecision;
using A = OverwriteAnswer;

class ImagingEnvironment : public ::testing::Environment {
public:
    void SetUp() override { runtime_ = std::make_unique<ImageTools::Runtime>("batch_engine"); }
    void TearDown() override { runtime_.reset(); }

private:
    std::unique_ptr<ImageTools::Runtime> runtime_;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ImagingEnvironment);

std::string data(const std::string& relative) {
    return std::string(VARNHOLT_TESTDATA) + "/" + relative;
}

const std::string kPortrait1 = data("recurser-exif-orientation-examples/Portrait_1.jpg");
const std::string kLandscape1 = data("recurser-exif-orientation-examples/Landscape_1.jpg");
const std::string kIndexedPng = data("libvips/indexed.png");
const std::string kNokia = data("ianare-exif-samples/HMD_Nokia_8.3_5G.jpg");
const std::string kGps = data("ianare-exif-samples/DSCN0010.jpg");
const std::string kTiff = data("libvips/sample.tif");
const std::string kCorrupted = data("ianare-exif-samples/corrupted.jpg");
const std::string kTruncated = data("sharp/truncated.jpg");

class Collector : public BatchObserver {
public:
    void reportProgress(std::size_t done, std::size_t count) override {
        progress.push_back(static_cast<double>(done) / static_cast<double>(count));
    }
    void imageFinished(std::size_t, const ImageOutcome&) override {}
    void finishBatch(const BatchResult& r) override { result = r; }
    std::vector<double> progress;
    BatchResult result;
};

BatchResult runBatch(const std::vector<std::string>& sources, const ResizeSettings& settings,
                     const std::vector<OverwriteDecision>& decisions, std::size_t atOnce = 0) {
    Collector collector;
    BatchJob job(sources, settings, decisions, collector, BatchOptions{atOnce});
    job.start();
    job.wait();
    EXPECT_EQ(collector.progress.size(), sources.size());
    if (!collector.progress.empty()) {
        EXPECT_EQ(collector.progress.back(), 1.0);
    }
    return collector.result;
}

ResizeSettings widthSettings(const std::string& folder, const std::string& width) {
    ResizeSettings s;
    s.freeResize = false;
    s.fixedWidth = true;
    s.fixedWidthText = width;
    s.outputFolder = folder;
    return s;
}

std::string copyInto(const TempFolder& folder, const std::string& source, const std::string& name) {
    fs::copy_file(source, folder / name);
    return folder / name;
}

std::vector<std::string> statuses(const BatchResult& result) {
    std::vector<std::string> names;
    for (const auto& outcome : result.outcomes) {
        switch (outcome.status) {
            case ImageStatus::Written:
                names.push_back("written");
                break;
            case ImageStatus::Skipped:
                names.push_back("skipped");
                break;
            case ImageStatus::Failed:
                names.push_back("failed: " + outcome.reason);
                break;
        }
    }
    return names;
}

std::optional<PixelSize> sizeOf(const std::string& path) { return ImageTools::readPixelSize(path); }

timespec modified(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mtim;
}

class ScriptedQuestion : public OverwriteQuestion {
public:
    explicit ScriptedQuestion(std::deque<A> answers) : answers_(std::move(answers)) {}
    A ask(const std::string&) override {
        if (answers_.empty()) return A::NoToAll;
        const A answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

private:
    std::deque<A> answers_;
};

TEST(BatchEngine, AnswersDecideWhatIsReplaced) {
    struct Row {
        const char* name;
        std::deque<A> answers;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"yes no yes", {A::Yes, A::No, A::Yes}, {"written", "skipped", "written"}},
        {"yes to all", {A::YesToAll}, {"written", "written", "written"}},
        {"no to all", {A::NoToAll}, {"skipped", "skipped", "skipped"}},
        {"no then yes to all", {A::No, A::YesToAll}, {"skipped", "written", "written"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder in;
        TempFolder out;
        const std::vector<std::string> sources{copyInto(in, kPortrait1, "a.jpg"),
                                               copyInto(in, kLandscape1, "b.jpg"),
                                               copyInto(in, kGps, "c.jpg")};
        ResizeSettings s = widthSettings(out.path(), "60");
        s.namePattern = "[FileName]";
        // Skipped files must keep their bytes and dates even with DPI and metadata on.
        s.changeDPI = true;
        s.dpiText = "300";
        s.keepExifInfoAndCreationDate = true;
        std::vector<std::string> outputs;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            outputs.push_back(out.write(name, name));
        std::vector<timespec> dates;
        for (const auto& output : outputs) dates.push_back(modified(output));

        ScriptedQuestion question(row.answers);
        const auto result = runBatch(sources, s, confirmOverwrites(sources, s, question));
        EXPECT_EQ(statuses(result), row.expected);
        EXPECT_TRUE(result.allSucceeded);
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            SCOPED_TRACE(outputs[i]);
            if (row.expected[i] == "skipped") {
                EXPECT_EQ(readFile(outputs[i]), fs::path(outputs[i]).filename().string());
                EXPECT_EQ(modified(outputs[i]).tv_nsec, dates[i].tv_nsec);
                EXPECT_EQ(modified(outputs[i]).tv_sec, dates[i].tv_sec);
            } else {
                ASSERT_TRUE(sizeOf(outputs[i]));
                EXPECT_EQ(sizeOf(outputs[i])->width, 60);
                EXPECT_EQ(ImageTools::readDPI(outputs[i]), 300);
            }
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 3);
    }
}

TEST(BatchEngine, UnusableSizeWritesNothing) {
    TempFolder out;
    // 4608 x 1976 at width 1: the height rounds to 0.
    const std::string existing = out.write("HMD_Nokia_8.3_5G_res (1).jpg", "keep me");
    const auto result =
        runBatch({kNokia, kPortrait1}, widthSettings(out.path(), "1"), {D::Overwrite, D::Write});
    EXPECT_EQ(statuses(result), (std::vector<std::string>{"failed: size not above 0", "written"}));
    EXPECT_FALSE(result.allSucceeded);
    EXPECT_EQ(readFile(existing), "keep me");

    TempFolder big;
    const auto tooLarge = runBatch({kPortrait1}, widthSettings(big.path(), "100000"), {D::Write});
    EXPECT_EQ(statuses(tooLarge), (std::vector<std::string>{"failed: size too large"}));
    EXPECT_TRUE(fs::is_empty(big.path()));
}

TEST(BatchEngine, BrokenSourceFailsOnlyItself) {
    TempFolder in;
    TempFolder out;
    const std::vector<std::string> sources{
        copyInto(in, kPortrait1, "a.jpg"), in.write("b.jpg", "text, not an image"),
        copyInto(in, kCorrupted, "c.jpg"), copyInto(in, kTruncated, "d.jpg"),
        copyInto(in, kGps, "e.jpg")};
    ResizeSettings s = widthSettings(out.path(), "50");
    s.namePattern = "[FileName]";
    s.keepExifInfoAndCreationDate = true;
    const auto result = runBatch(sources, s, std::vector(5, D::Write));
    const auto names = statuses(result);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], "written");
    EXPECT_EQ(names[1], "failed: cannot read image");
    EXPECT_EQ(names[2].rfind("failed: ", 0), 0u) << names[2];
    EXPECT_EQ(names[3].rfind("failed: ", 0), 0u) << names[3];  // never a grey half
    EXPECT_EQ(names[4], "written");
    EXPECT_FALSE(result.allSucceeded);
    // After a failure the next image still gets its metadata.
    const auto properties = ImageTools::readImageProperties(out / "e.jpg");
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->count("Exif.Image.Make"), 1u);
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 2);
}

TEST(BatchEngine, MissingFolderFailsEveryImage) {
    TempFolder out;
    const auto result = runBatch({kPortrait1, kLandscape1}, widthSettings(out / "nope", "50"),
                                 {D::Write, D::Write});
    ASSERT_EQ(result.outcomes.size(), 2u);
    for (const auto& outcome : result.outcomes) {
        EXPECT_EQ(outcome.status, ImageStatus::Failed);
        EXPECT_EQ(outcome.reason.rfind("write failed", 0), 0u) << outcome.reason;
    }
    EXPECT_FALSE(fs::exists(out / "nope"));
}

TEST(BatchEngine, OriginalEncodesEachInItsOwnFormat) {
    TempFolder in;
    TempFolder out;
    const std::vector<std::string> sources{copyInto(in, kIndexedPng, "a.png"),
                                           copyInto(in, kPortrait1, "b.jpg"),
                                           copyInto(in, kTiff, "c.TIF")};
    ResizeSettings s = widthSettings(out.path(), "40");
    s.outputFormat = {12, "Original"};
    const auto result = runBatch(sources, s, std::vector(3, D::Write));
    EXPECT_TRUE(result.allSucceeded);
    EXPECT_EQ(ImageTools::readTypeIdentifier(out / "a_res (1).png"), "public.png");
    EXPECT_EQ(ImageTools::readTypeIdentifier(out / "b_res (2).jpg"), "public.jpeg");
    EXPECT_EQ(ImageTools::readTypeIdentifier(out / "c_res (3).TIF"), "public.tiff");
}

TEST(BatchEngine, LaterImageWithTheSameOutputFollowsTheAnswer) {
    struct Row {
        A answer;
        double expectedHeight;  // 60 px wide: portrait 90, landscape 40
        std::string second;
    };
    for (const auto& row : {Row{A::Yes, 40, "written"}, Row{A::No, 90, "skipped"}}) {
        SCOPED_TRACE(row.second);
        TempFolder one;
        TempFolder two;
        TempFolder out;
        const std::vector<std::string> sources{copyInto(one, kPortrait1, "p.jpg"),
                                               copyInto(two, kLandscape1, "p.jpg")};
        ResizeSettings s = widthSettings(out.path(), "60");
        s.namePattern = "[FileName]";
        ScriptedQuestion question({row.answer});
        const auto decisions = confirmOverwrites(sources, s, question);
        const auto result = runBatch(sources, s, decisions, 2);
        EXPECT_EQ(statuses(result), (std::vector<std::string>{"written", row.second}));
        ASSERT_TRUE(sizeOf(out / "p.jpg"));
        EXPECT_EQ(sizeOf(out / "p.jpg")->height, row.expectedHeight);
    }
}

TEST(BatchEngine, OutputOverTheSourceKeepsItsDateAndMetadata) {
    TempFolder in;
    const std::string source = copyInto(in, kGps, "photo.jpg");
    const timespec past[2] = {{978307200, 0}, {978307200, 0}};  // 2001-01-01
    ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), past, 0), 0);
    ResizeSettings s = widthSettings(in.path(), "320");
    s.namePattern = "[FileName]";
    s.outputFormat = {12, "Original"};
    s.keepExifInfoAndCreationDate = true;
    ScriptedQuestion question({A::Yes});
    const auto decisions = confirmOverwrites({source}, s, question);
    ASSERT_EQ(decisions, std::vector<D>{D::Overwrite});
    const auto result = runBatch({source}, s, decisions);
    EXPECT_EQ(statuses(result), std::vector<std::string>{"written"});
    ASSERT_TRUE(sizeOf(source));
    EXPECT_EQ(sizeOf(source)->width, 320);
    EXPECT_EQ(modified(source).tv_sec, 978307200);
    const auto properties = ImageTools::readImageProperties(source);
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->count("Exif.Image.Make"), 1u);
    EXPECT_EQ(std::distance(fs::directory_iterator(in.path()), fs::directory_iterator()), 1);
}

TEST(BatchEngine, TwoAtOnceWritesWhatOneAtATimeWrites) {
    TempFolder in;
    const std::vector<std::pair<std::string, std::string>> files{
        {kPortrait1, "a.jpg"},  {kLandscape1, "b.jpg"}, {kGps, "c.jpg"},
        {kIndexedPng, "d.png"}, {kTiff, "e.tif"},       {kNokia, "f.jpg"}};
    std::vector<std::string> sources;
    for (const auto& [from, name] : files) sources.push_back(copyInto(in, from, name));
    TempFolder sequential;
    TempFolder parallel;
    ResizeSettings s = widthSettings(sequential.path(), "150");
    s.keepExifInfoAndCreationDate = true;
    runBatch(sources, s, std::vector(sources.size(), D::Write), 1);
    s.outputFolder = parallel.path();
    runBatch(sources, s, std::vector(sources.size(), D::Write), 2);
    for (const auto& entry : fs::directory_iterator(sequential.path())) {
        SCOPED_TRACE(entry.path().string());
        const std::string twin = parallel / entry.path().filename().string();
        EXPECT_EQ(readFile(entry.path()), readFile(twin));
        EXPECT_EQ(modified(entry.path()).tv_sec, modified(twin).tv_sec);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(parallel.path()), fs::directory_iterator()), 6);
}

}  // namespace
}  // namespace varnholt
