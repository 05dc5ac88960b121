// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

#include "batch/BatchJob.h"
#include "batch/BatchReport.h"

namespace varnholt {

// Runs one batch for the window and brings its reports to the window's thread.
//
// The window shows the progress and the closing result, which lists every image's outcome, so
// the per-image report is not taken.
//
// Threads: the job calls the BatchObserver functions on its own threads; each is posted to
// this object's thread as a queued call (which keeps their order) and arrives there as a
// signal. Nothing here waits for the window. Destroying the runner stops the batch: images
// not started are not started, the running ones get the job's grace time to finish their
// atomic writes and are given up after it, and the destructor returns once the job has
// ended; reports still queued then are dropped.
class BatchRunner : public QObject, private BatchObserver {
    Q_OBJECT

public:
    explicit BatchRunner(BatchPlan plan, QObject* parent = nullptr);
    ~BatchRunner() override;

    void start();
    // No further image starts; finished() still arrives, after the grace time at the latest,
    // unless the runner is destroyed.
    void requestStop();

signals:
    void progressed(qsizetype done, qsizetype count);
    void finished(const varnholt::BatchResult& result);

private:
    BatchObserver& observer() { return *this; }
    void reportProgress(std::size_t done, std::size_t count) override;
    void finishBatch(const BatchResult& result) override;

    std::unique_ptr<BatchJob> job_;
};

}  // namespace varnholt
