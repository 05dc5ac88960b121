#include "batch/BatchJob.h"

#include <gtest/gtest.h>

#include <chrono>

#include "BatchTestSupport.h"

namespace varnholt {
namespace {

using namespace std::chrono_literals;
using D = OverwriteDecision;

// Records the observer's calls as one sequence; the flag catches two calls at once.
struct Recorder : BatchObserver {
    void reportProgress(std::size_t done, std::size_t count) override {
        add("progress " + std::to_string(done) + "/" + std::to_string(count));
    }
    void imageFinished(std::size_t index, const ImageOutcome& outcome) override {
        EXPECT_EQ(outcome.index, index);
        add("image " + std::to_string(index) +
            (outcome.status == ImageStatus::Failed ? " failed" : " written"));
    }
    void finishBatch(const BatchResult& r) override {
        result = r;
        add("finish");
    }
    void add(std::string event) {
        EXPECT_FALSE(inCall.exchange(true));
        std::lock_guard lock(mutex);
        events.push_back(std::move(event));
        inCall = false;
    }
    std::vector<std::string> events;
    BatchResult result;
    std::atomic<bool> inCall{false};
    std::mutex mutex;
};

ImageOutcome written() {
    ImageOutcome outcome;
    outcome.status = ImageStatus::Written;
    return outcome;
}

TEST(BatchJob, OwnListReportedInOrderWhateverFinishesFirst) {
    std::vector<std::string> sources{"/in/a.png", "/in/b.png", "/in/c.png", "/in/d.png"};
    Recorder recorder;
    {
        // Image 0 is the slowest, so image 1 finishes first; image 2 fails.
        BatchJob job(sources, namedBySource("/out"), std::vector(4, D::Write), recorder, {2},
                     [](const ImageTask& task, const ResizeSettings&) {
                         if (task.index == 0) std::this_thread::sleep_for(60ms);
                         ImageOutcome outcome = written();
                         if (task.index == 2) outcome.status = ImageStatus::Failed;
                         return outcome;
                     });
        sources.clear();  // the window's list changing under a running batch
        job.start();
    }  // the destructor waits for the run
    std::vector<std::string> expected;
    for (const char* status : {" written", " written", " failed", " written"}) {
        expected.push_back("image " + std::to_string(expected.size() / 2) + status);
        expected.push_back("progress " + std::to_string(expected.size() / 2 + 1) + "/4");
    }
    expected.push_back("finish");
    EXPECT_EQ(recorder.events, expected);
    EXPECT_FALSE(recorder.result.allSucceeded);
    EXPECT_FALSE(recorder.result.stopped);
    ASSERT_EQ(recorder.result.outcomes.size(), 4u);
    EXPECT_EQ(recorder.result.outcomes[3].sourcePath, "/in/d.png");
    EXPECT_EQ(recorder.result.outcomes[3].outputPath, "/out/d.jpg");
}

TEST(BatchJob, ImagesSharingAFileNeverRunTogether) {
    struct Row {
        std::vector<std::string> sources;
        std::vector<OverwriteDecision> decisions;
        std::string format = "JPG", pattern = "[FileName]";
    };
    // Output folder /in.
    const Row rows[] = {
        {{"/x/p.png", "/y/p.png"}, {D::Write, D::Overwrite}},   // same output
        {{"/x/p.png", "/y//p.png"}, {D::Write, D::Overwrite}},  // spelled differently
        {{"/x/a.png", "/in/1.jpg"}, {D::Write, D::Write}, "JPG", "[FileIndex]"},  // a later source
        {{"/in/2.jpg", "/x/b.png"},
         {D::Skip, D::Write},
         "JPG",
         "[FileIndex]"},                                             // an earlier source
        {{"/in/a.png", "/in/b.png"}, {D::Write, D::Write}, "HEIC"},  // two HEIF encodes
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sources[1]);
        std::atomic<int> running{0}, started{0};
        std::atomic<bool> overlapped{false};
        Recorder recorder;
        ResizeSettings settings = namedBySource("/in", row.format);
        settings.namePattern = row.pattern;
        BatchJob job(row.sources, settings, row.decisions, recorder, {2},
                     [&](const ImageTask& task, const ResizeSettings&) {
                         if (started++ == 0) {
                             EXPECT_EQ(task.index, 0u);  // the earlier one first
                         }
                         if (++running > 1) overlapped = true;
                         std::this_thread::sleep_for(50ms);  // room for the other to start
                         --running;
                         return written();
                     });
        job.start();
        job.wait();
        EXPECT_FALSE(overlapped);
    }
}

TEST(BatchJob, StopLeavesLaterImagesUnstarted) {
    Recorder recorder;
    BatchJob* running = nullptr;
    BatchJob job({"/in/a.png", "/in/b.png", "/in/c.png"}, namedBySource("/out"),
                 std::vector(3, D::Write), recorder, {1},
                 [&](const ImageTask&, const ResizeSettings&) {
                     running->requestStop();
                     return written();
                 });
    running = &job;
    job.start();
    job.wait();
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"image 0 written", "progress 1/3", "finish"}));
    EXPECT_TRUE(recorder.result.stopped);
    EXPECT_FALSE(recorder.result.allSucceeded);
    EXPECT_EQ(recorder.result.count, 3u);
}

}  // namespace
}  // namespace varnholt
