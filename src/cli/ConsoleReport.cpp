// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ConsoleReport.h"

#include "cli/TerminalText.h"
#include "settings/Translation.h"

namespace varnholt {

void ConsoleReport::clearProgressLine() {
    if (!progressShown_) return;
    std::fputs("\r\033[K", stderr);
    progressShown_ = false;
}

void ConsoleReport::reportProgress(std::size_t done, std::size_t count) {
    if (!showProgress_) return;
    const std::string line = fillIn(P_("Resizing: %1 of %2", "Resizing: %1 of %2", count),
                                    {std::to_string(done), std::to_string(count)});
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    progressShown_ = true;
}

void ConsoleReport::imageFinished(std::size_t index, const ImageOutcome& outcome) {
    if (outcome.status == ImageStatus::Written && !outcome.note) return;
    clearProgressLine();
    const std::string source = terminalText(outcome.sourcePath);
    if (outcome.status != ImageStatus::Skipped) {
        std::fprintf(stderr, "%s: %s\n", source.c_str(), terminalText(outcome.message()).c_str());
        return;
    }
    const std::string why = index < conflicts_.size() ? conflicts_[index] : std::string();
    // TRANSLATORS: %1 is an image, %2 why it was skipped: "exists", "clash with image 2".
    const std::string line =
        fillIn(_("%1: skipped (%2)"), {source, why.empty() ? _("not to be overwritten") : why});
    std::fprintf(stderr, "%s\n", line.c_str());
}

void ConsoleReport::finishBatch(const BatchResult& result) {
    clearProgressLine();
    std::fflush(stderr);
    std::lock_guard lock(mutex_);
    result_ = result;
    finished_.notify_all();
}

std::optional<BatchResult> ConsoleReport::waitForResult(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    finished_.wait_for(lock, timeout, [&] { return result_.has_value(); });
    return result_;
}

}  // namespace varnholt
