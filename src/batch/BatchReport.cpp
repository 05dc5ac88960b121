// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchReport.h"

#include <algorithm>

namespace varnholt {
namespace {

// A count's sentence for a batch of one image and for a larger one: %1 the count, %2 the
// batch's images.
struct CountSentence {
    std::string_view one;
    std::string_view many;
};
constexpr CountSentence kWrittenCount{"%1 of %2 image written.", "%1 of %2 images written."};
constexpr CountSentence kExistsCount{"%1 of %2 image skipped (file exists).",
                                     "%1 of %2 images skipped (file exists)."};
constexpr CountSentence kClashCount{"%1 of %2 image skipped (name clash).",
                                    "%1 of %2 images skipped (name clash)."};
constexpr CountSentence kFailedCount{"%1 of %2 image failed.", "%1 of %2 images failed."};

std::string filledIn(const CountSentence& sentence, std::size_t n, std::size_t total) {
    std::string text(total == 1 ? sentence.one : sentence.many);
    text.replace(text.find("%1"), 2, std::to_string(n));
    text.replace(text.find("%2"), 2, std::to_string(total));
    return text;
}

}  // namespace

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

ImageOutcome ImageOutcome::skipped(bool clash) {
    ImageOutcome outcome;
    outcome.status = ImageStatus::Skipped;
    outcome.clash = clash;
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

std::string outcomeCounts(const BatchResult& result) {
    std::size_t exists = 0, clashes = 0;
    for (const ImageOutcome& outcome : result.outcomes) {
        if (outcome.status == ImageStatus::Skipped) ++(outcome.clash ? clashes : exists);
    }
    std::string text;
    const auto add = [&](std::size_t n, const CountSentence& sentence) {
        if (n == 0) return;
        if (!text.empty()) text += ' ';
        text += filledIn(sentence, n, result.count);
    };
    add(result.countOf(ImageStatus::Written), kWrittenCount);
    add(exists, kExistsCount);
    add(clashes, kClashCount);
    add(result.countOf(ImageStatus::Failed), kFailedCount);
    // A batch stopped before its first image ended.
    return text.empty() ? filledIn(kWrittenCount, 0, result.count) : text;
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
