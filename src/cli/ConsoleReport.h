#pragma once

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>

#include "batch/BatchReport.h"

namespace varnholt {

// Prints a batch's course: a progress line on standard error when it is a terminal, one line
// per failed image and per image written with a note on standard error, and nothing else; the
// closing message is the caller's.
class ConsoleReport : public BatchObserver {
public:
    explicit ConsoleReport(bool showProgress) : showProgress_(showProgress) {}

    void reportProgress(std::size_t done, std::size_t count) override;
    void imageFinished(std::size_t index, const ImageOutcome& outcome) override;
    void finishBatch(const BatchResult& result) override;

    // Waits up to the timeout for finishBatch; the result once it came.
    std::optional<BatchResult> waitForResult(std::chrono::milliseconds timeout);

private:
    void clearProgressLine();

    const bool showProgress_;
    bool progressShown_ = false;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::optional<BatchResult> result_;
};

}  // namespace varnholt
