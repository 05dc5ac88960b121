// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "batch/BatchPlan.h"
#include "batch/BatchReport.h"

namespace varnholt {

struct BatchOptions {
    // Images processed at the same time; 0 chooses from the machine's cores.
    std::size_t imagesAtOnce = 0;
    // How long a stop waits for the images in flight before it gives them up.
    std::chrono::milliseconds stopGrace{3000};
};

// One run of Resize Images over its own plan, which does not change after construction,
// whatever happens to the window's list meanwhile.
//
// Threads: start() launches the run on a thread of its own, which processes the images on a
// few worker threads. The observer is called from those threads, one call at a time and in
// list order (see BatchObserver), and never while the job holds its lock, so a slow observer
// does not hold up the images. Everything an image writes, and every observer call, is the
// same as when the images run one after the other: images that share a file (sharesFile)
// never run at the same time, the earlier one first.
// A stop gives the images in flight a grace time; an image still running after it (a decoder
// that never returns) is given up: its worker is left to end on its own, it never calls the
// observer, and nothing it writes is committed (its WriteGate is closed before finishBatch).
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
    // Images not started yet are not started; the images in flight get the grace time to
    // finish, then finishBatch reports a stopped result.
    void requestStop();
    // Blocks until the run, finishBatch included, is over. Returns at once when not started.
    // Never call it from the observer's calls.
    void wait();
    // finishBatch has returned.
    bool finished() const { return finished_.load(); }
    // After finishBatch: images in flight were given up after a stop, and their threads may
    // still run. A process should then end without tearing down the libraries they use.
    bool abandonedWork() const { return abandonedWork_.load(); }
    // The same for any batch of this process.
    static bool anyWorkAbandoned();

    std::size_t count() const;
    // True until an image fails (or the run stops early); read it after finishBatch.
    bool allSucceeded() const;

    // What the workers use; a worker that was given up keeps it alive.
    struct Shared;

private:
    void run();
    static void work(const std::shared_ptr<Shared>& shared, BatchObserver& observer);

    const std::shared_ptr<Shared> shared_;
    BatchObserver& observer_;
    const BatchOptions options_;

    std::atomic<bool> finished_{false};
    std::atomic<bool> abandonedWork_{false};
    std::thread thread_;
    std::mutex lifecycleMutex_;
};

}  // namespace varnholt
