#include "batch/BatchJob.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "BatchTestSupport.h"

namespace varnholt {
namespace {

using namespace std::chrono_literals;
using D = OverwriteDecision;

// A one-shot signal between threads. Waiting gives up after ten seconds, so that a fault
// fails the test instead of hanging it.
struct Signal {
    void set() {
        std::call_once(once, [this] { promise.set_value(); });
    }
    bool wait() const { return future.wait_for(10s) == std::future_status::ready; }
    bool isSet() const { return future.wait_for(0s) == std::future_status::ready; }
    std::promise<void> promise;
    std::shared_future<void> future = promise.get_future().share();
    std::once_flag once;
};

// Records the observer's calls as one sequence; the flag catches two calls at once.
struct Recorder : BatchObserver {
    void reportProgress(std::size_t done, std::size_t count) override {
        add("progress " + std::to_string(done) + "/" + std::to_string(count));
    }
    void imageFinished(std::size_t index, const ImageOutcome& outcome) override {
        EXPECT_EQ(outcome.index, index);
        if (onImage) onImage(index);
        add("image " + std::to_string(index) +
            (outcome.status == ImageStatus::Failed ? " failed" : " written"));
    }
    void finishBatch(const BatchResult& r) override {
        result = r;
        add("finish");
    }
    void add(std::string event) {
        EXPECT_FALSE(inCall.exchange(true));
        events.push_back(std::move(event));
        inCall = false;
    }
    std::function<void(std::size_t)> onImage;
    std::vector<std::string> events;
    BatchResult result;
    std::atomic<bool> inCall{false};
};

// "image i written|failed" and "progress i+1/count" per image, then "finish".
std::vector<std::string> inOrder(const std::vector<const char*>& statuses) {
    std::vector<std::string> events;
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        events.push_back("image " + std::to_string(i) + statuses[i]);
        events.push_back("progress " + std::to_string(i + 1) + "/" +
                         std::to_string(statuses.size()));
    }
    events.push_back("finish");
    return events;
}

BatchPlan fourImages() {
    return planWith({"/in/a.png", "/in/b.png", "/in/c.png", "/in/d.png"}, namedBySource("/out"),
                    std::vector(4, D::Write));
}

TEST(BatchJob, ReportsInListOrderWhateverFinishesFirst) {
    Recorder recorder;
    Signal thirdStarted;
    BatchJob job(fourImages(), recorder, {2}, [&](const PlannedImage& image) {
        // Image 0 ends only once the other worker has finished image 1 and taken image 2.
        if (image.index == 0) {
            EXPECT_TRUE(thirdStarted.wait());
        }
        if (image.index == 2) thirdStarted.set();
        return image.index == 2 ? ImageOutcome::failed({FailureKind::DamagedData, {}})
                                : ImageOutcome::written();
    });
    job.start();
    job.wait();
    EXPECT_EQ(recorder.events, inOrder({" written", " written", " failed", " written"}));
    EXPECT_FALSE(recorder.result.allSucceeded);
    EXPECT_FALSE(recorder.result.stopped);
    ASSERT_EQ(recorder.result.outcomes.size(), 4u);
    EXPECT_EQ(recorder.result.outcomes[2].message(), "damaged image data");
    EXPECT_EQ(recorder.result.outcomes[3].sourcePath, "/in/d.png");
    EXPECT_EQ(recorder.result.outcomes[3].outputPath, "/out/d.jpg");
}

// While the observer is busy with one report, the other worker finishes its image and takes
// the next: the job holds no lock during the call.
TEST(BatchJob, ObserverIsCalledOutsideTheLock) {
    Recorder recorder;
    Signal reporting, thirdStarted;
    recorder.onImage = [&](std::size_t index) {
        if (index != 0) return;
        reporting.set();
        EXPECT_TRUE(thirdStarted.wait());
    };
    BatchJob job(fourImages(), recorder, {2}, [&](const PlannedImage& image) {
        if (image.index == 1) {
            EXPECT_TRUE(reporting.wait());
        }
        if (image.index == 2) thirdStarted.set();
        return ImageOutcome::written();
    });
    job.start();
    job.wait();
    EXPECT_EQ(recorder.events, inOrder({" written", " written", " written", " written"}));
}

TEST(BatchJob, ImagesSharingAFileWaitForTheEarlierOne) {
    // Images 0 and 1 write one file; image 2 shares nothing and runs beside image 0.
    Recorder recorder;
    Signal secondStarted, thirdStarted;
    BatchJob job(planWith({"/x/p.png", "/y/p.png", "/in/c.png"}, namedBySource("/out"),
                          {D::Write, D::Overwrite, D::Write}),
                 recorder, {3}, [&](const PlannedImage& image) {
                     if (image.index == 0) {
                         // Image 2 was taken after image 1, so image 1 is waiting by now.
                         EXPECT_TRUE(thirdStarted.wait());
                         EXPECT_FALSE(secondStarted.isSet());
                     }
                     if (image.index == 1) secondStarted.set();
                     if (image.index == 2) thirdStarted.set();
                     return ImageOutcome::written();
                 });
    job.start();
    job.wait();
    EXPECT_EQ(recorder.events, inOrder({" written", " written", " written"}));
}

TEST(BatchJob, WhatImagesShare) {
    struct Row {
        std::vector<std::string> sources;
        std::vector<OverwriteDecision> decisions;
        std::string format, pattern;
        bool shared;
    };
    // Output folder /in.
    const Row rows[] = {
        {{"/x/p.png", "/y/p.png"}, {D::Write, D::Overwrite}, "JPG", "[FileName]", true},
        {{"/x/p.png", "/y//p.png"}, {D::Write, D::Overwrite}, "JPG", "[FileName]", true},
        {{"/x/a.png", "/in/1.jpg"}, {D::Write, D::Write}, "JPG", "[FileIndex]", true},
        {{"/in/2.jpg", "/x/b.png"}, {D::Skip, D::Write}, "JPG", "[FileIndex]", true},
        {{"/in/a.png", "/in/b.png"}, {D::Write, D::Write}, "HEIC", "[FileName]", true},
        // Two reads of one file; skipped images write nothing.
        {{"/x/a.png", "/x/a.png"}, {D::Write, D::Write}, "JPG", "[FileIndex]", false},
        {{"/x/p.png", "/y/p.png"}, {D::Skip, D::Skip}, "HEIC", "[FileName]", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sources[1] + " " + row.format);
        ResizeSettings settings = namedBySource("/in", row.format);
        settings.namePattern = row.pattern;
        const BatchPlan plan = planWith(row.sources, settings, row.decisions);
        EXPECT_EQ(sharesFile(plan.images[0], plan.images[1]), row.shared);
        EXPECT_EQ(sharesFile(plan.images[1], plan.images[0]), row.shared);
    }
}

TEST(BatchJob, StopLeavesLaterImagesUnstarted) {
    Recorder recorder;
    BatchJob* running = nullptr;
    BatchJob job(fourImages(), recorder, {1}, [&](const PlannedImage&) {
        running->requestStop();
        return ImageOutcome::written();
    });
    running = &job;
    job.start();
    job.wait();
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"image 0 written", "progress 1/4", "finish"}));
    EXPECT_TRUE(recorder.result.stopped);
    EXPECT_FALSE(recorder.result.allSucceeded);
    EXPECT_EQ(recorder.result.count, 4u);
}

}  // namespace
}  // namespace varnholt
