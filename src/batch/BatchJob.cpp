// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchJob.h"

#include <algorithm>
#include <new>

#include "batch/ImageProcessor.h"
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

BatchJob::BatchJob(BatchPlan plan, BatchObserver& observer, BatchOptions options)
    : BatchJob(std::move(plan), observer, options, &processImage) {}

BatchJob::BatchJob(BatchPlan plan, BatchObserver& observer, BatchOptions options, ImageStep step)
    : plan_(std::move(plan)),
      observer_(observer),
      options_(options),
      step_(std::move(step)),
      done_(plan_.images.size()) {}

BatchJob::~BatchJob() { wait(); }

ImageOutcome BatchJob::runStep(const PlannedImage& image) const {
    // One odd file fails its own image, never the batch or the process.
    try {
        return step_(image);
    } catch (const std::bad_alloc&) {
        return ImageOutcome::failed({FailureKind::NotEnoughMemory, {}});
    } catch (const std::exception& error) {
        return ImageOutcome::failed({FailureKind::Unexpected, error.what()});
    }
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

void BatchJob::run() {
    const std::size_t count = plan_.images.size();
    ImageTools::removeLeftoverFiles(plan_.outputFolder);

    const std::size_t atOnce = chooseImagesAtOnce(options_, count);
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // The cores are shared out between the images in flight.
    ImageTools::setThreadsPerImage(std::max(1, cores / static_cast<int>(atOnce)));
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < atOnce; ++i) helpers.emplace_back(&BatchJob::work, this);
    work();
    for (auto& helper : helpers) helper.join();
    ImageTools::setThreadsPerImage(cores);

    // The workers are gone, so nobody else reports. After a stop, images that finished
    // behind one never started are still reported.
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
        return other < index && sharesFile(plan_.images[other], plan_.images[index]);
    });
}

void BatchJob::reportOne(const ImageOutcome& outcome) {
    observer_.imageFinished(outcome.index, outcome);
    observer_.reportProgress(++reported_, done_.size());
}

void BatchJob::reportFinished(std::unique_lock<std::mutex>& lock) {
    // The worker already reporting takes this outcome too before it lets go: it looks for
    // the next one under the lock.
    if (reporting_) return;
    reporting_ = true;
    while (nextToReport_ < done_.size() && done_[nextToReport_]) {
        const ImageOutcome& outcome = *done_[nextToReport_++];
        lock.unlock();
        reportOne(outcome);
        lock.lock();
    }
    reporting_ = false;
}

void BatchJob::work() {
    std::unique_lock lock(mutex_);
    while (!stopRequested_.load() && nextToClaim_ < plan_.images.size()) {
        const std::size_t index = nextToClaim_++;
        inFlight_.push_back(index);
        changed_.wait(lock, [&] { return stopRequested_.load() || !mustWaitFor(index); });
        if (stopRequested_.load()) {
            inFlight_.erase(std::find(inFlight_.begin(), inFlight_.end(), index));
            changed_.notify_all();
            break;
        }

        lock.unlock();
        const PlannedImage& image = plan_.images[index];
        ImageOutcome outcome = runStep(image);
        outcome.index = index;
        outcome.sourcePath = image.sourcePath;
        if (outcome.status == ImageStatus::Failed) allSucceeded_.store(false);
        lock.lock();

        inFlight_.erase(std::find(inFlight_.begin(), inFlight_.end(), index));
        done_[index] = std::move(outcome);
        changed_.notify_all();
        // Report in list order: an image that finished early waits for those before it.
        reportFinished(lock);
    }
}

}  // namespace varnholt
