// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace varnholt {

// Runs preview renderings off the main thread and hands back only the newest one.
//
// Thread rules: start(), clear() and every signal belong to the main thread; a job runs on
// this renderer's own pool and must not touch widgets. Requests are numbered: a job whose
// request has been overtaken by a later start() or clear() is skipped if it has not begun,
// and its result is dropped if it has. The destructor waits for running jobs.
class PreviewRenderer : public QObject {
    Q_OBJECT

public:
    using Job = std::function<QImage()>;  // a null QImage means the rendering failed

    explicit PreviewRenderer(QObject* parent = nullptr);
    ~PreviewRenderer() override;

    // draft, when given, runs first and is shown until job ends: a quick stand-in for a slow
    // rendering. A null draft is not shown; the renderer stays busy until job ends.
    void start(Job job, Job draft = {});
    // Drops whatever is in flight; the preview shows nothing.
    void clear();

    bool isBusy() const { return busy_; }
    // Blocks until no job runs; for benchmarks and tests.
    bool waitForJobs(int msecs);

signals:
    void busyChanged(bool busy);
    // The newest request's result; a null image when its rendering failed.
    void rendered(const QImage& image);

private:
    void run(std::uint64_t generation, Job job, Job next);
    void finish(std::uint64_t generation, const QImage& image, bool draft);
    void setBusy(bool busy);

    std::shared_ptr<std::atomic<std::uint64_t>> latest_;
    std::uint64_t finished_ = 0;  // the newest request whose rendering has been shown
    bool busy_ = false;
    QThreadPool pool_;  // last: destroyed (and waited for) first
};

}  // namespace varnholt
