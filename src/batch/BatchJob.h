// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "batch/BatchPlan.h"
#include "batch/BatchReport.h"

namespace varnholt {

struct BatchOptions {
    // Images processed at the same time; 0 chooses from the machine's cores.
    std::size_t imagesAtOnce = 0;
};

// One run of Resize Images over its own plan, which does not change after construction,
// whatever happens to the window's list meanwhile.
//
// Threads: start() launches the run on a thread of its own, which may process a few images
// at once. The observer is called from those threads, one call at a time and in list order
// (see BatchObserver), and never while the job holds its lock, so a slow observer does not
// hold up the images. Everything an image writes, and every observer call, is the same as
// when the images run one after the other: images that share a file (sharesFile) never run
// at the same time, the earlier one first.
// requestStop(), wait(), finished() and the destructor may be called from any other thread.
class BatchJob {
public:
    using ImageStep = std::function<ImageOutcome(const PlannedImage&)>;

    BatchJob(BatchPlan plan, BatchObserver& observer, BatchOptions options = {});
    // The same with another step per image (processImage by default).
    BatchJob(BatchPlan plan, BatchObserver& observer, BatchOptions options, ImageStep step);
    // Joins the run (like wait()); it does not stop it.
    ~BatchJob();

    BatchJob(const BatchJob&) = delete;
    BatchJob& operator=(const BatchJob&) = delete;

    // Starts the run once; later calls do nothing.
    void start();
    // Images not started yet are not started; a running image finishes (its write is atomic),
    // then finishBatch reports a stopped result.
    void requestStop();
    // Blocks until the run, finishBatch included, is over. Returns at once when not started.
    // Never call it from the observer's calls.
    void wait();
    // finishBatch has returned.
    bool finished() const { return finished_.load(); }

    std::size_t count() const { return plan_.images.size(); }
    // True until an image fails (or the run stops early); read it after finishBatch.
    bool allSucceeded() const { return allSucceeded_.load(); }

private:
    void run();
    ImageOutcome runStep(const PlannedImage& image) const;
    void work();
    bool mustWaitFor(std::size_t index) const;
    void reportFinished(std::unique_lock<std::mutex>& lock);
    void reportOne(const ImageOutcome& outcome);

    const BatchPlan plan_;
    BatchObserver& observer_;
    const BatchOptions options_;
    const ImageStep step_;

    std::atomic<bool> allSucceeded_{true};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
    std::mutex lifecycleMutex_;

    // Shared by the workers.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t nextToClaim_ = 0;
    std::vector<std::size_t> inFlight_;              // claimed, not finished
    std::vector<std::optional<ImageOutcome>> done_;  // an entry is not changed once set
    std::size_t nextToReport_ = 0;
    // One worker at a time reports, outside the lock; it alone touches reported_.
    bool reporting_ = false;
    std::size_t reported_ = 0;
};

}  // namespace varnholt
