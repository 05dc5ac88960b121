// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchJob.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <new>
#include <optional>
#include <set>
#include <vector>

#include "batch/ImageProcessor.h"
#include "imaging/AtomicFile.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

std::atomic<bool> workAbandonedInProcess{false};

}  // namespace

bool BatchJob::anyWorkAbandoned() { return workAbandonedInProcess.load(); }

struct BatchJob::Shared {
    Shared(BatchPlan p, ImageStep s)
        : plan(std::move(p)), step(std::move(s)), done(plan.images.size()) {}

    const BatchPlan plan;
    const ImageStep step;
    const std::shared_ptr<WriteGate> gate = std::make_shared<WriteGate>();

    std::mutex mutex;
    std::condition_variable changed;
    bool stopRequested = false;
    // The run has ended without the images still in flight; their workers only leave.
    bool abandoned = false;
    std::size_t workersRunning = 0;
    std::size_t nextToClaim = 0;
    std::vector<std::size_t> inFlight;              // claimed, not finished
    std::vector<std::optional<ImageOutcome>> done;  // an entry is not changed once set
    std::size_t nextToReport = 0;
    // One worker at a time reports, outside the lock; it alone touches reported.
    bool reporting = false;
    std::size_t reported = 0;
    std::atomic<bool> allSucceeded{true};
};

namespace {

using Shared = BatchJob::Shared;

std::size_t chooseImagesAtOnce(const BatchOptions& options, std::size_t count) {
    std::size_t wanted = options.imagesAtOnce;
    if (wanted == 0) {
        // One image per core, each on the single libvips thread the runtime sets up: two at
        // once beat one with two threads; more at once only adds memory.
        wanted = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 2);
    }
    return std::clamp<std::size_t>(wanted, 1, std::max<std::size_t>(count, 1));
}

// Every folder the batch writes into: the name pattern may lead into sub-folders.
void removeLeftovers(const BatchPlan& plan) {
    std::set<std::string> folders{plan.outputFolder};
    for (const PlannedImage& image : plan.images) {
        if (image.decision == OverwriteDecision::Write)
            folders.insert(std::filesystem::path(image.outputPath).parent_path().string());
    }
    for (const auto& folder : folders) ImageTools::removeLeftoverFiles(folder);
}

ImageOutcome runStep(const BatchJob::ImageStep& step, const PlannedImage& image) {
    // One odd file fails its own image, never the batch or the process.
    try {
        return step(image);
    } catch (const std::bad_alloc&) {
        return ImageOutcome::failed({FailureKind::NotEnoughMemory, {}});
    } catch (const std::exception& error) {
        return ImageOutcome::failed({FailureKind::Unexpected, error.what()});
    }
}

bool mustWaitFor(const Shared& s, std::size_t index) {
    // Every image before index is finished or in flight, so only those in flight can clash.
    return std::any_of(s.inFlight.begin(), s.inFlight.end(), [&](std::size_t other) {
        return other < index && sharesFile(s.plan.images[other], s.plan.images[index]);
    });
}

void reportOne(Shared& s, BatchObserver& observer, const ImageOutcome& outcome) {
    observer.imageFinished(outcome.index, outcome);
    observer.reportProgress(++s.reported, s.done.size());
}

void reportFinished(Shared& s, BatchObserver& observer, std::unique_lock<std::mutex>& lock) {
    // The worker already reporting takes this outcome too before it lets go: it looks for
    // the next one under the lock.
    if (s.reporting) return;
    s.reporting = true;
    while (s.nextToReport < s.done.size() && s.done[s.nextToReport]) {
        const ImageOutcome& outcome = *s.done[s.nextToReport++];
        lock.unlock();
        reportOne(s, observer, outcome);
        lock.lock();
    }
    s.reporting = false;
    s.changed.notify_all();
}

void forgetInFlight(Shared& s, std::size_t index) {
    s.inFlight.erase(std::find(s.inFlight.begin(), s.inFlight.end(), index));
    s.changed.notify_all();
}

}  // namespace

BatchJob::BatchJob(BatchPlan plan, BatchObserver& observer, BatchOptions options)
    : BatchJob(std::move(plan), observer, options, &processImage) {}

BatchJob::BatchJob(BatchPlan plan, BatchObserver& observer, BatchOptions options, ImageStep step)
    : shared_(std::make_shared<Shared>(std::move(plan), std::move(step))),
      observer_(observer),
      options_(options) {}

BatchJob::~BatchJob() { wait(); }

std::size_t BatchJob::count() const { return shared_->plan.images.size(); }

bool BatchJob::allSucceeded() const { return shared_->allSucceeded.load(); }

void BatchJob::start() {
    std::lock_guard lock(lifecycleMutex_);
    if (thread_.joinable() || finished_.load()) return;
    thread_ = std::thread(&BatchJob::run, this);
}

void BatchJob::requestStop() {
    // The observer may call this from inside a report: reports run outside the lock.
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopRequested = true;
    }
    shared_->changed.notify_all();
}

void BatchJob::wait() {
    std::lock_guard lock(lifecycleMutex_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void BatchJob::run() {
    Shared& s = *shared_;
    const std::size_t count = s.plan.images.size();
    removeLeftovers(s.plan);

    const std::size_t atOnce = chooseImagesAtOnce(options_, count);
    s.workersRunning = atOnce;
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < atOnce; ++i)
        workers.emplace_back(&BatchJob::work, shared_, std::ref(observer_));

    std::unique_lock lock(s.mutex);
    s.changed.wait(lock, [&] { return s.workersRunning == 0 || s.stopRequested; });
    s.changed.wait_for(lock, options_.stopGrace, [&] { return s.workersRunning == 0; });
    // A report under way ends first: reports never overlap.
    s.changed.wait(lock, [&] { return !s.reporting; });
    s.abandoned = s.workersRunning > 0;
    // The workers are gone or given up, so nobody else reports. After a stop, images that
    // finished behind one never started are still reported.
    std::vector<ImageOutcome> unreported;
    for (std::size_t i = s.nextToReport; i < count; ++i) {
        if (s.done[i]) unreported.push_back(*s.done[i]);
    }
    lock.unlock();

    if (s.abandoned) {
        s.gate->close();
        for (auto& worker : workers) worker.detach();
    } else {
        for (auto& worker : workers) worker.join();
    }

    for (const ImageOutcome& outcome : unreported) reportOne(s, observer_, outcome);
    BatchResult result;
    result.count = count;
    for (auto& outcome : s.done) {
        if (outcome) result.outcomes.push_back(*outcome);
    }
    result.stopped = result.outcomes.size() < count;
    if (result.stopped) s.allSucceeded.store(false);
    result.allSucceeded = s.allSucceeded.load();
    abandonedWork_.store(s.abandoned);
    if (s.abandoned) workAbandonedInProcess.store(true);
    observer_.finishBatch(result);
    finished_.store(true);
}

void BatchJob::work(const std::shared_ptr<Shared>& shared, BatchObserver& observer) {
    Shared& s = *shared;
    const WriteGateScope gate(s.gate);
    std::unique_lock lock(s.mutex);
    while (!s.stopRequested && s.nextToClaim < s.plan.images.size()) {
        const std::size_t index = s.nextToClaim++;
        s.inFlight.push_back(index);
        s.changed.wait(lock, [&] { return s.stopRequested || !mustWaitFor(s, index); });
        if (s.stopRequested) {
            forgetInFlight(s, index);
            break;
        }

        lock.unlock();
        const PlannedImage& image = s.plan.images[index];
        ImageOutcome outcome = runStep(s.step, image);
        outcome.index = index;
        outcome.sourcePath = image.sourcePath;
        lock.lock();
        // Given up: the run has reported without this image.
        if (s.abandoned) return;

        if (outcome.status == ImageStatus::Failed) s.allSucceeded.store(false);
        forgetInFlight(s, index);
        s.done[index] = std::move(outcome);
        // Report in list order: an image that finished early waits for those before it.
        reportFinished(s, observer, lock);
    }
    --s.workersRunning;
    s.changed.notify_all();
}

}  // namespace varnholt
