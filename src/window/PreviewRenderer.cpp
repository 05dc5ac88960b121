// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/PreviewRenderer.h"

namespace varnholt {

PreviewRenderer::PreviewRenderer(QObject* parent)
    : QObject(parent), latest_(std::make_shared<std::atomic<std::uint64_t>>(0)) {
    // An overtaken job is skipped before it starts, so a quick run through the list renders
    // little more than its last selection; a second thread keeps the newest request from
    // waiting behind one slow overtaken rendering.
    pool_.setMaxThreadCount(2);
}

PreviewRenderer::~PreviewRenderer() {
    latest_->fetch_add(1);
    pool_.waitForDone();
}

void PreviewRenderer::start(Job job, Job draft) {
    const std::uint64_t generation = latest_->fetch_add(1) + 1;
    setBusy(true);
    if (!draft) {
        run(generation, std::move(job), {});
    } else {
        // One after the other: the rendering's decoders use every core already.
        run(generation, std::move(draft), std::move(job));
    }
}

// Runs job, then next (the rendering after its draft) unless overtaken.
void PreviewRenderer::run(std::uint64_t generation, Job job, Job next) {
    pool_.start([this, generation, latest = latest_, job = std::move(job),
                 next = std::move(next)]() mutable {
        if (latest->load() != generation) return;
        const QImage image = job();
        if (latest->load() != generation) return;
        const bool draft = static_cast<bool>(next);
        if (draft) run(generation, std::move(next), {});
        if (draft && image.isNull()) return;
        QMetaObject::invokeMethod(
            this, [this, generation, image, draft] { finish(generation, image, draft); },
            Qt::QueuedConnection);
    });
}

void PreviewRenderer::clear() {
    latest_->fetch_add(1);
    setBusy(false);
}

bool PreviewRenderer::waitForJobs(int msecs) { return pool_.waitForDone(msecs); }

void PreviewRenderer::finish(std::uint64_t generation, const QImage& image, bool draft) {
    // A draft that ends after its rendering is never shown.
    if (latest_->load() != generation || finished_ == generation) return;
    if (!draft) {
        finished_ = generation;
        setBusy(false);
    }
    emit rendered(image);
}

void PreviewRenderer::setBusy(bool busy) {
    if (busy_ == busy) return;
    busy_ = busy;
    emit busyChanged(busy);
}

}  // namespace varnholt
