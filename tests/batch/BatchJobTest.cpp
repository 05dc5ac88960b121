#include "batch/BatchJob.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>

namespace varnholt {
namespace {

using namespace std::chrono_literals;

// Records the observer's calls as one sequence of events.
class RecordingObserver : public BatchObserver {
public:
    void reportProgress(std::size_t done, std::size_t count) override {
        std::lock_guard lock(mutex_);
        checkNotConcurrent();
        events.push_back("progress " + std::to_string(done) + "/" + std::to_string(count));
        inCall_ = false;
    }
    void imageFinished(std::size_t index, const ImageOutcome& outcome) override {
        std::lock_guard lock(mutex_);
        checkNotConcurrent();
        events.push_back("image " + std::to_string(index) + " " + statusName(outcome.status));
        EXPECT_EQ(outcome.index, index);
        inCall_ = false;
    }
    void finishBatch(const BatchResult& r) override {
        std::lock_guard lock(mutex_);
        checkNotConcurrent();
        events.push_back("finish");
        result = r;
        inCall_ = false;
    }

    std::vector<std::string> events;
    BatchResult result;

private:
    static std::string statusName(ImageStatus status) {
        switch (status) {
            case ImageStatus::Written:
                return "written";
            case ImageStatus::Skipped:
                return "skipped";
            case ImageStatus::Failed:
                return "failed";
        }
        return "?";
    }
    // The mutex would hide overlapping calls; the flag shows them.
    void checkNotConcurrent() {
        EXPECT_FALSE(inCall_);
        inCall_ = true;
    }
    std::mutex mutex_;
    bool inCall_ = false;
};

ResizeSettings namedBySource(const std::string& folder) {
    ResizeSettings s;
    s.outputFolder = folder;
    s.namePattern = "[FileName]";
    return s;
}

std::vector<std::string> sequentialEvents(std::size_t count,
                                          const std::vector<std::string>& statuses) {
    std::vector<std::string> events;
    for (std::size_t i = 0; i < count; ++i) {
        events.push_back("image " + std::to_string(i) + " " + statuses[i]);
        events.push_back("progress " + std::to_string(i + 1) + "/" + std::to_string(count));
    }
    events.push_back("finish");
    return events;
}

TEST(BatchJob, ReportsInListOrderWhateverFinishesFirst) {
    // Image 0 is the slowest, so image 1 finishes first when both run at once.
    const std::vector<std::string> sources{"/in/a.png", "/in/b.png", "/in/c.png", "/in/d.png"};
    RecordingObserver observer;
    {
        BatchJob job(sources, namedBySource("/out"), std::vector(4, OverwriteDecision::Write),
                     observer, BatchOptions{2}, [](const ImageTask& task, const ResizeSettings&) {
                         std::this_thread::sleep_for(task.index == 0 ? 60ms : 1ms);
                         ImageOutcome outcome;
                         outcome.status =
                             task.index == 2 ? ImageStatus::Failed : ImageStatus::Written;
                         outcome.reason = "test";
                         return outcome;
                     });
        job.start();
        job.wait();
        EXPECT_FALSE(job.allSucceeded());
        EXPECT_TRUE(job.finished());
    }
    EXPECT_EQ(observer.events, sequentialEvents(4, {"written", "written", "failed", "written"}));
    EXPECT_FALSE(observer.result.allSucceeded);
    EXPECT_FALSE(observer.result.stopped);
    ASSERT_EQ(observer.result.outcomes.size(), 4u);
    EXPECT_EQ(observer.result.outcomes[3].sourcePath, "/in/d.png");
    EXPECT_EQ(observer.result.outcomes[3].outputPath, "/out/d.jpg");
    EXPECT_EQ(observer.result.countOf(ImageStatus::Written), 3u);
}

// Which pairs of images ran at the same time.
class OverlapProbe {
public:
    ImageOutcome run(const ImageTask& task) {
        std::unique_lock lock(mutex_);
        for (std::size_t other : active_) overlapped_.insert({other, task.index});
        active_.insert(task.index);
        started_.push_back(task.index);
        changed_.notify_all();
        // Give a second image the chance to start beside this one; two images that may
        // run together meet here, so the wait is short for them.
        changed_.wait_for(lock, 150ms, [&] { return active_.size() > 1; });
        active_.erase(task.index);
        changed_.notify_all();
        ImageOutcome outcome;
        outcome.status = ImageStatus::Written;
        return outcome;
    }
    bool overlapped(std::size_t a, std::size_t b) const {
        return overlapped_.count({a, b}) || overlapped_.count({b, a});
    }
    std::vector<std::size_t> started_;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<std::size_t> active_;
    std::set<std::pair<std::size_t, std::size_t>> overlapped_;
};

TEST(BatchJob, ImagesSharingAFileNeverRunTogether) {
    struct Row {
        const char* name;
        std::vector<std::string> sources;
        std::vector<OverwriteDecision> decisions;
        std::vector<std::pair<std::size_t, std::size_t>> apart;
        std::vector<std::pair<std::size_t, std::size_t>> together;
        std::string format = "JPG";
    };
    using D = OverwriteDecision;
    // Output folder /in, pattern "[FileName]", format JPG.
    const Row rows[] = {
        {"independent images run two at once",
         {"/in/a.png", "/in/b.png"},
         {D::Write, D::Write},
         {},
         {{0, 1}}},
        {"same output path", {"/x/p.png", "/y/p.png"}, {D::Write, D::Overwrite}, {{0, 1}}, {}},
        {"output is a later source",
         {"/in/a.png", "/in/a.jpg"},
         {D::Overwrite, D::Overwrite},
         {{0, 1}},
         {}},
        {"output is an earlier source",
         {"/in/a.jpg", "/in/a.png"},
         {D::Skip, D::Overwrite},
         {{0, 1}},
         {}},
        {"skipped images write nothing",
         {"/x/p.png", "/y/p.png"},
         {D::Skip, D::Skip},
         {},
         {{0, 1}}},
        {"same output spelled differently",
         {"/x/p.png", "/y//p.png"},
         {D::Write, D::Overwrite},
         {{0, 1}},
         {}},
        {"two heif encodes",
         {"/in/a.png", "/in/b.png"},
         {D::Write, D::Write},
         {{0, 1}},
         {},
         "HEIC"},
        {"heif beside another format",
         {"/in/a.heic", "/in/b.png"},
         {D::Write, D::Write},
         {},
         {{0, 1}},
         "Original"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OverlapProbe probe;
        RecordingObserver observer;
        ResizeSettings settings = namedBySource("/in");
        settings.outputFormat.title = row.format;
        BatchJob job(row.sources, settings, row.decisions, observer, BatchOptions{2},
                     [&](const ImageTask& task, const ResizeSettings&) { return probe.run(task); });
        job.start();
        job.wait();
        for (const auto& [a, b] : row.apart) EXPECT_FALSE(probe.overlapped(a, b));
        for (const auto& [a, b] : row.together) EXPECT_TRUE(probe.overlapped(a, b));
        // The earlier of two clashing images always starts first.
        EXPECT_EQ(probe.started_.front(), 0u);
        EXPECT_EQ(observer.events.back(), "finish");
    }
}

TEST(BatchJob, StopLeavesLaterImagesUnstarted) {
    std::mutex mutex;
    std::condition_variable changed;
    bool firstRunning = false;
    bool released = false;
    RecordingObserver observer;
    BatchJob job({"/in/a.png", "/in/b.png", "/in/c.png"}, namedBySource("/out"),
                 std::vector(3, OverwriteDecision::Write), observer, BatchOptions{1},
                 [&](const ImageTask&, const ResizeSettings&) {
                     std::unique_lock lock(mutex);
                     firstRunning = true;
                     changed.notify_all();
                     changed.wait_for(lock, 10s, [&] { return released; });
                     ImageOutcome outcome;
                     outcome.status = ImageStatus::Written;
                     return outcome;
                 });
    job.start();
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, 10s, [&] { return firstRunning; }));
        job.requestStop();
        released = true;
        changed.notify_all();
    }
    job.wait();
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"image 0 written", "progress 1/3", "finish"}));
    EXPECT_TRUE(observer.result.stopped);
    EXPECT_FALSE(observer.result.allSucceeded);
    EXPECT_EQ(observer.result.count, 3u);
}

TEST(BatchJob, MissingDecisionFailsThatImageOnly) {
    RecordingObserver observer;
    BatchJob job({"/in/a.png", "/in/b.png"}, namedBySource("/out"), {OverwriteDecision::Write},
                 observer, BatchOptions{1}, [](const ImageTask&, const ResizeSettings&) {
                     ImageOutcome outcome;
                     outcome.status = ImageStatus::Written;
                     return outcome;
                 });
    job.start();
    job.wait();
    EXPECT_EQ(observer.events, sequentialEvents(2, {"written", "failed"}));
}

TEST(BatchJob, DestructorWaitsForTheRun) {
    RecordingObserver observer;
    std::atomic<int> ran{0};
    {
        BatchJob job({"/in/a.png", "/in/b.png", "/in/c.png"}, namedBySource("/out"),
                     std::vector(3, OverwriteDecision::Write), observer, BatchOptions{2},
                     [&](const ImageTask&, const ResizeSettings&) {
                         std::this_thread::sleep_for(5ms);
                         ++ran;
                         ImageOutcome outcome;
                         outcome.status = ImageStatus::Written;
                         return outcome;
                     });
        job.start();
    }
    EXPECT_EQ(ran.load(), 3);
    EXPECT_EQ(observer.events, sequentialEvents(3, {"written", "written", "written"}));
}

TEST(BatchJob, EmptyBatchStillFinishes) {
    RecordingObserver observer;
    BatchJob job({}, namedBySource("/out"), {}, observer);
    job.start();
    job.wait();
    EXPECT_EQ(observer.events, std::vector<std::string>{"finish"});
    EXPECT_TRUE(observer.result.allSucceeded);
}

}  // namespace
}  // namespace varnholt
