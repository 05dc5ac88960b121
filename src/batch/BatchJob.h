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

#include "batch/BatchReport.h"
#include "batch/ImageTask.h"
#include "batch/OverwriteConfirmation.h"
#include "batch/PathIdentity.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

struct BatchOptions {
    // Images processed at the same time; 0 chooses from the machine's cores.
    std::size_t imagesAtOnce = 0;
};

// One run of Resize Images over its own copy of the list, its settings snapshot and its
// overwrite decisions; none of them changes after construction, whatever happens to the
// window's list meanwhile.
//
// Threads: start() launches the run on a thread of its own, which may process a few images
// at once. The observer is called from those threads, one call at a time and in list order
// (see BatchObserver). Everything an image writes, and every observer call, is the same as
// when the images run one after the other: images that share a file (one's output is
// another's output or source) never run at the same time, the earlier one first. Neither do
// two HEIF encodes, which would only add memory.
// requestStop(), wait(), finished() and the destructor may be called from any other thread.
class BatchJob {
public:
    using ImageStep = std::function<ImageOutcome(const ImageTask&, const ResizeSettings&)>;

    BatchJob(std::vector<std::string> sourcePaths, ResizeSettings settings,
             std::vector<OverwriteDecision> decisions, BatchObserver& observer,
             BatchOptions options = {});
    // The same with another step per image (processImage by default).
    BatchJob(std::vector<std::string> sourcePaths, ResizeSettings settings,
             std::vector<OverwriteDecision> decisions, BatchObserver& observer,
             BatchOptions options, ImageStep step);
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

    std::size_t count() const { return sourcePaths_.size(); }
    // True until an image fails (or the run stops early); read it after finishBatch.
    bool allSucceeded() const { return allSucceeded_.load(); }

private:
    void run();
    ImageOutcome runStep(const ImageTask& task) const;
    void work();
    bool mustWaitFor(std::size_t index) const;
    void reportOne(const ImageOutcome& outcome);

    const std::vector<std::string> sourcePaths_;
    const ResizeSettings settings_;
    const std::vector<OverwriteDecision> decisions_;
    BatchObserver& observer_;
    const BatchOptions options_;
    const ImageStep step_;

    // What an image occupies: it reads its source and, unless skipped, writes its output;
    // a HEIF or AVIF encode also takes much memory and every core by itself.
    struct Footprint {
        PathIdentity source;
        std::optional<PathIdentity> output;
        bool heif = false;
    };
    static bool clash(const Footprint& a, const Footprint& b);

    std::vector<ImageTask> tasks_;
    std::vector<Footprint> footprints_;
    std::atomic<bool> allSucceeded_{true};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
    std::mutex lifecycleMutex_;

    // Shared by the workers.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t nextToClaim_ = 0;
    std::vector<std::size_t> inFlight_;  // claimed, not finished
    std::vector<std::optional<ImageOutcome>> done_;
    std::size_t nextToReport_ = 0;
    std::size_t reported_ = 0;
};

}  // namespace varnholt
