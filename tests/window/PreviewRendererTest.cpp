#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "window/PreviewRenderer.h"

namespace varnholt::test {
namespace {

constexpr std::chrono::seconds kPatience(10);

// A job that renders a w x 1 image once it is released, so a test decides the order in
// which renderings finish.
class Gate {
public:
    PreviewRenderer::Job job(int width) {
        return [this, width] {
            std::unique_lock lock(mutex_);
            started_ += 1;
            changed_.notify_all();
            changed_.wait_for(lock, kPatience, [&] { return released_.count(width) > 0; });
            finished_ += 1;
            changed_.notify_all();
            return QImage(width, 1, QImage::Format_RGBA8888);
        };
    }
    void release(int width) {
        std::lock_guard lock(mutex_);
        released_.insert(width);
        changed_.notify_all();
    }
    bool waitForFinished(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return finished_ >= count; });
    }
    bool waitForStarted(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return started_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<int> released_;
    int started_ = 0;
    int finished_ = 0;
};

// Lets queued completions arrive.
void settle() {
    const QDeadlineTimer deadline(100);
    while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

std::vector<int> widths(const QSignalSpy& spy) {
    std::vector<int> result;
    for (const auto& arguments : spy) result.push_back(arguments.at(0).value<QImage>().width());
    return result;
}

struct OrderRow {
    const char* name;
    std::vector<int> releaseOrder;  // widths of the two requests 1 (older) and 2 (newer)
};

TEST(PreviewRenderer, OnlyTheNewestRequestIsShownWhateverFinishesFirst) {
    const OrderRow rows[] = {{"older finishes first", {1, 2}}, {"newer finishes first", {2, 1}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Gate gate;
        PreviewRenderer renderer;
        QSignalSpy shown(&renderer, &PreviewRenderer::rendered);
        QSignalSpy busy(&renderer, &PreviewRenderer::busyChanged);
        // Both run: the older one has started and can no longer be skipped.
        renderer.start(gate.job(1));
        ASSERT_TRUE(gate.waitForStarted(1));
        renderer.start(gate.job(2));
        ASSERT_TRUE(gate.waitForStarted(2));
        bool newestDone = false;
        int finished = 0;
        for (const int width : row.releaseOrder) {
            gate.release(width);
            ASSERT_TRUE(gate.waitForFinished(++finished));
            settle();
            newestDone = newestDone || width == 2;
            EXPECT_EQ(renderer.isBusy(), !newestDone);
        }
        EXPECT_EQ(widths(shown), std::vector<int>{2});
        ASSERT_EQ(busy.size(), 2);
        EXPECT_TRUE(busy.at(0).at(0).toBool());
        EXPECT_FALSE(busy.at(1).at(0).toBool());
    }
}

TEST(PreviewRenderer, ClearDropsWhatIsInFlight) {
    Gate gate;
    PreviewRenderer renderer;
    QSignalSpy shown(&renderer, &PreviewRenderer::rendered);
    renderer.start(gate.job(1));
    ASSERT_TRUE(gate.waitForStarted(1));
    renderer.clear();
    EXPECT_FALSE(renderer.isBusy());
    gate.release(1);
    ASSERT_TRUE(gate.waitForFinished(1));
    settle();
    EXPECT_TRUE(shown.isEmpty());
}

TEST(PreviewRenderer, AnOvertakenRequestThatHasNotStartedIsSkipped) {
    Gate gate;
    PreviewRenderer renderer;
    QSignalSpy shown(&renderer, &PreviewRenderer::rendered);
    // Two running jobs fill the pool; the third waits and is overtaken by the fourth.
    renderer.start(gate.job(1));
    ASSERT_TRUE(gate.waitForStarted(1));
    renderer.start(gate.job(2));
    ASSERT_TRUE(gate.waitForStarted(2));
    bool thirdRan = false;
    renderer.start([&thirdRan] {
        thirdRan = true;
        return QImage(3, 1, QImage::Format_RGBA8888);
    });
    renderer.start(gate.job(4));
    gate.release(1);
    gate.release(2);
    gate.release(4);
    ASSERT_TRUE(renderer.waitForJobs(10000));
    settle();
    EXPECT_FALSE(thirdRan);
    EXPECT_EQ(widths(shown), std::vector<int>{4});
}

TEST(PreviewRenderer, AFailedRenderingEndsBusyWithAnEmptyImage) {
    PreviewRenderer renderer;
    QSignalSpy shown(&renderer, &PreviewRenderer::rendered);
    renderer.start([] { return QImage(); });
    ASSERT_TRUE(renderer.waitForJobs(10000));
    settle();
    EXPECT_FALSE(renderer.isBusy());
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.at(0).at(0).value<QImage>().isNull());
}

TEST(PreviewRenderer, DestroyingTheRendererWaitsForItsJobs) {
    Gate gate;
    auto renderer = std::make_unique<PreviewRenderer>();
    renderer->start(gate.job(1));
    ASSERT_TRUE(gate.waitForStarted(1));
    // The job finishes while the renderer is being destroyed; its completion must not reach
    // the destroyed object (a crash, or a report under the sanitizers).
    std::thread releaser([&gate] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        gate.release(1);
    });
    renderer.reset();
    releaser.join();
    QCoreApplication::processEvents();
}

}  // namespace
}  // namespace varnholt::test
