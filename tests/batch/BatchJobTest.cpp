// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchJob.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "BatchTestSupport.h"
#include "imaging/AtomicFile.h"

namespace varnholt {
namespace {

using namespace std::chrono_literals;
using D = OverwriteDecision;

// A one-shot signal between threads. Waiting gives up after ten seconds, so that a fault
// fails the test instead of hanging it.
struct Signal {
    std::promise<void> promise;
    std::shared_future<void> future = promise.get_future().share();
    std::once_flag once;
    void set() { std::call_once(once, &std::promise<void>::set_value, &promise); }
    bool wait() const { return future.wait_for(10s) == std::future_status::ready; }
    bool isSet() const { return future.wait_for(0s) == std::future_status::ready; }
};

// Records the observer's calls as one sequence; the flag catches two calls at once.
struct Recorder : BatchObserver {
    void reportProgress(std::size_t done, std::size_t count) override {
        add("progress " + std::to_string(done) + "/" + std::to_string(count));
    }
    void imageFinished(std::size_t index, const ImageOutcome& outcome) override {
        add("image " + std::to_string(index) +
                (outcome.status == ImageStatus::Failed ? " failed" : " written"),
            index);
    }
    void finishBatch(const BatchResult& r) override {
        result = r;
        add("finish");
        finished.set();
    }
    void add(std::string event, std::optional<std::size_t> image = {}) {
        EXPECT_FALSE(inCall.exchange(true));
        if (image && onImage) onImage(*image);
        events.push_back(std::move(event));
        inCall = false;
    }
    std::function<void(std::size_t)> onImage;
    std::vector<std::string> events;
    BatchResult result;
    std::atomic<bool> inCall{false};
    Signal finished;
};

const BatchPlan kFour = planWith({"/in/a.png", "/in/b.png", "/in/c.png", "/in/d.png"},
                                 namedBySource("/out"), std::vector(4, D::Write));

// Image 1 finishes before image 0, and while the observer is busy with image 0 the other
// worker finishes image 2 and takes image 3: the job holds no lock during the call.
TEST(BatchJob, ReportsInListOrderOutsideTheLock) {
    Recorder recorder;
    Signal secondDone, reporting, fourthStarted;
    recorder.onImage = [&](std::size_t index) {
        if (index != 0) return;
        reporting.set();
        EXPECT_TRUE(fourthStarted.wait());
    };
    BatchJob job(kFour, recorder, {2}, [&](const PlannedImage& i) {
        if (i.index == 0) {
            EXPECT_TRUE(secondDone.wait());
        } else if (i.index == 2) {
            secondDone.set();
            EXPECT_TRUE(reporting.wait());
        } else if (i.index == 3) {
            fourthStarted.set();
        }
        return i.index == 2 ? ImageOutcome::failed({FailureKind::DamagedData, {}})
                            : ImageOutcome::written();
    });
    job.start();
    job.wait();
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"image 0 written", "progress 1/4", "image 1 written",
                                        "progress 2/4", "image 2 failed", "progress 3/4",
                                        "image 3 written", "progress 4/4", "finish"}));
    EXPECT_FALSE(recorder.result.allSucceeded);
}

// Images that share a file (one writes what the other reads or writes, or both encode HEIF)
// never run at the same time, the earlier one first; others run side by side. A third image
// that shares nothing runs beside the first in either case.
TEST(BatchJob, ImagesSharingAFileWaitForTheEarlierOne) {
    constexpr D W = D::Write, S = D::Skip;
    const std::tuple<std::vector<std::string>, std::vector<D>, std::string, std::string, bool>
        rows[] = {
            {{"/x/p.png", "/y/p.png"}, {W, W}, "JPG", "[FileName]", true},
            {{"/x/a.png", "/in/1.jpg"}, {W, W}, "JPG", "[FileIndex]", true},
            {{"/in/2.jpg", "/x/b.png"}, {S, W}, "JPG", "[FileIndex]", true},
            {{"/in/a.png", "/in/b.png"}, {W, W}, "HEIC", "[FileName]", true},
            {{"/x/a.png", "/x/a.png"}, {W, W}, "JPG", "[FileIndex]", false},  // two reads
            {{"/x/p.png", "/y/p.png"}, {S, S}, "HEIC", "[FileName]", false},
        };
    for (auto [sources, decisions, format, pattern, shared] : rows) {
        SCOPED_TRACE(sources[1] + " " + format);
        ResizeSettings settings = namedBySource("/in", format);
        settings.namePattern = pattern;
        sources.push_back("/z/c.png");
        decisions.push_back(S);
        Recorder recorder;
        Signal secondStarted, thirdStarted;
        BatchJob job(planWith(sources, settings, decisions), recorder, {3},
                     [&](const PlannedImage& image) {
                         if (image.index == 0) {
                             // Image 2 was taken after image 1, so image 1 is waiting by now.
                             EXPECT_TRUE((shared ? thirdStarted : secondStarted).wait());
                             EXPECT_EQ(secondStarted.isSet(), !shared);
                         }
                         (image.index == 1 ? secondStarted : thirdStarted).set();
                         return ImageOutcome::written();
                     });
        job.start();
        job.wait();
        EXPECT_EQ(recorder.events.size(), 7u);
    }
}

TEST(BatchJob, StopLeavesLaterImagesUnstarted) {
    Recorder recorder;
    BatchJob* running = nullptr;
    BatchJob job(kFour, recorder, {1}, [&](const PlannedImage&) {
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
}

// A stop ends the run after the grace time while an image is stuck; released afterwards, that
// image can neither report nor put its file in place.
TEST(BatchJob, StopGivesUpAStuckImageAfterTheGraceTime) {
    TempFolder folder;
    struct Stuck {
        Signal started, release, returned;
        std::atomic<bool> committed{false};
    };
    // The step outlives the test when it is given up, so it owns what it uses.
    const auto stuck = std::make_shared<Stuck>();
    Recorder recorder;
    BatchJob job(kFour, recorder, {1, 20ms}, [stuck, path = folder / "late.jpg"](const auto&) {
        ImageFailure failure;
        auto file = AtomicFile::create(path, failure);
        stuck->started.set();
        stuck->release.wait();
        stuck->committed = file && file->commit().ok;
        stuck->returned.set();
        return ImageOutcome::written();
    });
    job.start();
    ASSERT_TRUE(stuck->started.wait());
    job.requestStop();
    EXPECT_TRUE(recorder.finished.wait());
    stuck->release.set();
    job.wait();
    EXPECT_TRUE(stuck->returned.wait());
    EXPECT_EQ(recorder.events, std::vector<std::string>{"finish"});
    EXPECT_TRUE(recorder.result.stopped);
    EXPECT_TRUE(job.abandonedWork());
    EXPECT_FALSE(stuck->committed);
    EXPECT_EQ(folder.entries().size(), 0u);
}

}  // namespace
}  // namespace varnholt
