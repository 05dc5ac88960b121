// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "batch/BatchReport.h"

namespace varnholt {

// Prints a batch's course: a progress line on standard error when it is a terminal, one line
// per failed or skipped image and per image written with a note on standard error, and nothing
// else; the closing message is the caller's.
class ConsoleReport : public BatchObserver {
public:
    // conflicts: outputConflict of each planned image, which says why an image was skipped.
    ConsoleReport(bool showProgress, std::vector<std::string> conflicts)
        : showProgress_(showProgress), conflicts_(std::move(conflicts)) {}

    void reportProgress(std::size_t done, std::size_t count) override;
    void imageFinished(std::size_t index, const ImageOutcome& outcome) override;
    void finishBatch(const BatchResult& result) override;

    // Waits up to the timeout for finishBatch; the result once it came.
    std::optional<BatchResult> waitForResult(std::chrono::milliseconds timeout);

private:
    void clearProgressLine();

    const bool showProgress_;
    const std::vector<std::string> conflicts_;
    bool progressShown_ = false;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::optional<BatchResult> result_;
};

}  // namespace varnholt
