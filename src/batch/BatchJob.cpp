#include "batch/BatchJob.h"

#include <algorithm>
#include <new>

#include "batch/EncodingChoice.h"
#include "batch/ImageProcessor.h"
#include "batch/OutputNaming.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

std::size_t chooseImagesAtOnce(const BatchOptions& options, std::size_t count) {
    std::size_t wanted = options.imagesAtOnce;
    if (wanted == 0) {
        // Two images at once with one resampling thread each beats one image with two
        // threads; more at once only adds memory.
        wanted = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 2);
    }
    return std::clamp<std::size_t>(wanted, 1, std::max<std::size_t>(count, 1));
}

}  // namespace

BatchJob::BatchJob(std::vector<std::string> sourcePaths, ResizeSettings settings,
                   std::vector<OverwriteDecision> decisions, BatchObserver& observer,
                   BatchOptions options)
    : BatchJob(std::move(sourcePaths), std::move(settings), std::move(decisions), observer, options,
               &processImage) {}

BatchJob::BatchJob(std::vector<std::string> sourcePaths, ResizeSettings settings,
                   std::vector<OverwriteDecision> decisions, BatchObserver& observer,
                   BatchOptions options, ImageStep step)
    : sourcePaths_(std::move(sourcePaths)),
      settings_(std::move(settings)),
      decisions_(std::move(decisions)),
      observer_(observer),
      options_(options),
      step_(std::move(step)),
      done_(sourcePaths_.size()) {}

BatchJob::~BatchJob() { wait(); }

ImageOutcome BatchJob::runStep(const ImageTask& task) const {
    // One odd file fails its own image, never the batch or the process.
    ImageOutcome outcome;
    outcome.status = ImageStatus::Failed;
    try {
        return step_(task, settings_);
    } catch (const std::bad_alloc&) {
        outcome.reason = "not enough memory";
    } catch (const std::exception& error) {
        outcome.reason = std::string("unexpected error: ") + error.what();
    }
    return outcome;
}

void BatchJob::start() {
    std::lock_guard lock(lifecycleMutex_);
    if (thread_.joinable() || finished_.load()) return;
    thread_ = std::thread(&BatchJob::run, this);
}

void BatchJob::requestStop() {
    // No lock: the observer may call this from inside a report. A worker that misses this
    // wake-up waits only for an image in flight, whose end wakes it again.
    stopRequested_.store(true);
    changed_.notify_all();
}

void BatchJob::wait() {
    std::lock_guard lock(lifecycleMutex_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool BatchJob::clash(const Footprint& a, const Footprint& b) {
    if (a.heif && b.heif) return true;
    // Two reads of one file do not conflict; anything involving a write does.
    if (a.output && b.output && sameEntry(*a.output, *b.output)) return true;
    if (a.output && sameEntry(*a.output, b.source)) return true;
    if (b.output && sameEntry(*b.output, a.source)) return true;
    return false;
}

void BatchJob::run() {
    const std::size_t count = sourcePaths_.size();
    ImageTools::removeLeftoverFiles(settings_.outputFolder);
    tasks_.reserve(count);
    footprints_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        ImageTask task;
        task.index = i;
        task.sourcePath = sourcePaths_[i];
        task.outputPath = buildOutputPath(task.sourcePath, static_cast<std::int64_t>(i), settings_);
        task.decision = i < decisions_.size() ? decisions_[i] : OverwriteDecision::Skip;
        Footprint footprint{pathIdentity(task.sourcePath), std::nullopt};
        if (task.decision != OverwriteDecision::Skip) {
            footprint.output = pathIdentity(task.outputPath);
            const FormatRow* row = formatRow(encodingFormat(task.sourcePath, settings_));
            footprint.heif = row && row->encodesAlone;
        }
        tasks_.push_back(std::move(task));
        footprints_.push_back(std::move(footprint));
    }

    const std::size_t atOnce = chooseImagesAtOnce(options_, count);
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // The cores are shared out between the images in flight.
    ImageTools::setThreadsPerImage(std::max(1, cores / static_cast<int>(atOnce)));
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < atOnce; ++i) helpers.emplace_back(&BatchJob::work, this);
    work();
    for (auto& helper : helpers) helper.join();
    ImageTools::setThreadsPerImage(cores);

    // After a stop, images that finished behind one never started are still reported.
    for (std::size_t i = nextToReport_; i < count; ++i) {
        if (done_[i]) reportOne(*done_[i]);
    }
    BatchResult result;
    result.count = count;
    for (auto& outcome : done_) {
        if (outcome) result.outcomes.push_back(std::move(*outcome));
    }
    result.stopped = result.outcomes.size() < count;
    if (result.stopped) allSucceeded_.store(false);
    result.allSucceeded = allSucceeded_.load();
    observer_.finishBatch(result);
    finished_.store(true);
}

bool BatchJob::mustWaitFor(std::size_t index) const {
    // Every image before index is finished or in flight, so only those in flight can clash.
    return std::any_of(inFlight_.begin(), inFlight_.end(), [&](std::size_t other) {
        return other < index && clash(footprints_[other], footprints_[index]);
    });
}

void BatchJob::reportOne(const ImageOutcome& outcome) {
    observer_.imageFinished(outcome.index, outcome);
    observer_.reportProgress(++reported_, done_.size());
}

void BatchJob::work() {
    std::unique_lock lock(mutex_);
    while (!stopRequested_.load() && nextToClaim_ < tasks_.size()) {
        const std::size_t index = nextToClaim_++;
        inFlight_.push_back(index);
        changed_.wait(lock, [&] { return stopRequested_.load() || !mustWaitFor(index); });
        if (stopRequested_.load()) {
            inFlight_.erase(std::find(inFlight_.begin(), inFlight_.end(), index));
            changed_.notify_all();
            break;
        }

        lock.unlock();
        ImageOutcome outcome;
        if (index < decisions_.size()) {
            outcome = runStep(tasks_[index]);
        } else {
            outcome.status = ImageStatus::Failed;
            outcome.reason = "no overwrite decision";
        }
        outcome.index = index;
        outcome.sourcePath = tasks_[index].sourcePath;
        outcome.outputPath = tasks_[index].outputPath;
        if (outcome.status == ImageStatus::Failed) allSucceeded_.store(false);
        lock.lock();

        inFlight_.erase(std::find(inFlight_.begin(), inFlight_.end(), index));
        done_[index] = std::move(outcome);
        // Report in list order: an image that finished early waits for those before it.
        while (nextToReport_ < done_.size() && done_[nextToReport_]) {
            reportOne(*done_[nextToReport_++]);
        }
        changed_.notify_all();
    }
}

}  // namespace varnholt
