// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchReport.h"

#include <algorithm>

namespace varnholt {

ImageOutcome ImageOutcome::failed(ImageFailure failure) {
    ImageOutcome outcome;
    outcome.status = ImageStatus::Failed;
    outcome.failure = std::move(failure);
    return outcome;
}

ImageOutcome ImageOutcome::written(std::optional<ImageNote> note) {
    ImageOutcome outcome;
    outcome.status = ImageStatus::Written;
    outcome.note = std::move(note);
    return outcome;
}

ImageOutcome ImageOutcome::skipped() {
    ImageOutcome outcome;
    outcome.status = ImageStatus::Skipped;
    return outcome;
}

std::string ImageOutcome::message() const {
    if (failure) return failure->describe();
    if (note) return note->describe();
    return {};
}

std::size_t BatchResult::countOf(ImageStatus status) const {
    return static_cast<std::size_t>(
        std::count_if(outcomes.begin(), outcomes.end(),
                      [status](const ImageOutcome& outcome) { return outcome.status == status; }));
}

std::string_view finalMessage(bool allSucceeded) {
    return allSucceeded ? kAllResizedMessage : kSomeFailedMessage;
}

std::string stoppedMessage(std::size_t written, std::size_t count) {
    std::string message = "The resizing was stopped. ";
    message += std::to_string(written);
    message += " of ";
    message += std::to_string(count);
    message += " images were resized.";
    return message;
}

std::string closingMessage(const BatchResult& result) {
    if (result.stopped) return stoppedMessage(result.countOf(ImageStatus::Written), result.count);
    return std::string(finalMessage(result.allSucceeded));
}

}  // namespace varnholt
