// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchReport.h"

#include <algorithm>

#include "settings/Translation.h"

namespace varnholt {
namespace {

// A count's sentence, its plural form chosen by the batch's images (%2): "1 of 1 image",
// "0 of 2 images".
enum class Count { Written, Exists, Clash, Failed };

std::string countSentence(Count count, std::size_t n, std::size_t total) {
    const char* text = nullptr;
    switch (count) {
        case Count::Written:
            text = P_("%1 of %2 image written.", "%1 of %2 images written.", total);
            break;
        case Count::Exists:
            text = P_("%1 of %2 image skipped (file exists).",
                      "%1 of %2 images skipped (file exists).", total);
            break;
        case Count::Clash:
            text = P_("%1 of %2 image skipped (name clash).",
                      "%1 of %2 images skipped (name clash).", total);
            break;
        case Count::Failed:
            text = P_("%1 of %2 image failed.", "%1 of %2 images failed.", total);
            break;
    }
    return fillIn(text, {std::to_string(n), std::to_string(total)});
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
    const auto add = [&](std::size_t n, Count count) {
        if (n == 0) return;
        if (!text.empty()) text += ' ';
        text += countSentence(count, n, result.count);
    };
    add(result.countOf(ImageStatus::Written), Count::Written);
    add(exists, Count::Exists);
    add(clashes, Count::Clash);
    add(result.countOf(ImageStatus::Failed), Count::Failed);
    // A batch stopped before its first image ended.
    return text.empty() ? countSentence(Count::Written, 0, result.count) : text;
}

std::string_view finalMessage(bool allSucceeded) {
    return _(allSucceeded ? kAllResizedMessage : kSomeFailedMessage);
}

std::string stoppedMessage(std::size_t written, std::size_t count) {
    // TRANSLATORS: the form follows %2, the batch's images; English uses one form for all.
    return fillIn(P_("The resizing was stopped. %1 of %2 images were resized.",
                     "The resizing was stopped. %1 of %2 images were resized.", count),
                  {std::to_string(written), std::to_string(count)});
}

std::string closingMessage(const BatchResult& result) {
    if (result.stopped) return stoppedMessage(result.countOf(ImageStatus::Written), result.count);
    return std::string(finalMessage(result.allSucceeded));
}

}  // namespace varnholt
