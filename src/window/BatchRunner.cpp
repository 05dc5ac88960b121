// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/BatchRunner.h"

#include <QMetaObject>

namespace varnholt {

BatchRunner::BatchRunner(BatchPlan plan, QObject* parent)
    : QObject(parent), job_(std::make_unique<BatchJob>(std::move(plan), observer())) {}

BatchRunner::~BatchRunner() {
    job_->requestStop();
    job_->wait();
}

void BatchRunner::start() { job_->start(); }

void BatchRunner::requestStop() { job_->requestStop(); }

void BatchRunner::reportProgress(std::size_t done, std::size_t count) {
    QMetaObject::invokeMethod(
        this,
        [this, done, count] {
            emit progressed(static_cast<qsizetype>(done), static_cast<qsizetype>(count));
        },
        Qt::QueuedConnection);
}

void BatchRunner::finishBatch(const BatchResult& result) {
    QMetaObject::invokeMethod(
        this, [this, result] { emit finished(result); }, Qt::QueuedConnection);
}

}  // namespace varnholt
