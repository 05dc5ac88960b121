// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/ImageTools.h"
#include "settings/Translation.h"

namespace varnholt {

enum class ImageStatus { Written, Skipped, Failed };

// What became of one image of a batch.
struct ImageOutcome {
    std::size_t index = 0;  // position in the batch's list
    ImageStatus status = ImageStatus::Failed;
    std::optional<ImageFailure> failure;  // why, for Failed
    // For Written: what of the request the file lacks. The image still counts as written.
    std::optional<ImageNote> note;
    // For Skipped: an earlier image of the batch writes the same entry; else an entry was there.
    bool clash = false;
    std::string sourcePath;

    static ImageOutcome failed(ImageFailure failure);
    static ImageOutcome written(std::optional<ImageNote> note = std::nullopt);
    static ImageOutcome skipped(bool clash = false);
    // The line for the user: the failure's or the note's description, else empty.
    std::string message() const;
};

struct BatchResult {
    // No image failed and every image was processed.
    bool allSucceeded = true;
    // requestStop() left images unprocessed.
    bool stopped = false;
    std::size_t count = 0;
    std::vector<ImageOutcome> outcomes;  // the processed images, in list order

    std::size_t countOf(ImageStatus status) const;
};

inline constexpr const char* kAllResizedMessage = N_("Images resized successfully.");
inline constexpr const char* kSomeFailedMessage = N_("Some images could not be resized.");

// The message that closes a batch that ran to its end, translated.
std::string_view finalMessage(bool allSucceeded);

// The message that closes a batch stopped on request: "The resizing was stopped. N of M
// images were resized.", N the images written, M the images of the batch.
std::string stoppedMessage(std::size_t written, std::size_t count);

// The one message that closes the batch of result, stopped or not.
std::string closingMessage(const BatchResult& result);

// The counts that open the message's details, one sentence each, zero counts left out:
// "3 of 24 images written. 20 of 24 images skipped (file exists). 1 of 24 images failed."
// Nothing finished gives "0 of M images written.".
std::string outcomeCounts(const BatchResult& result);

// How a batch reports back. Every call comes from a thread of the batch, never two at once,
// in this order: for each processed image, in list order, imageFinished then reportProgress;
// after the last image (or after a stop) finishBatch, exactly once. A window forwards them to its
// own thread; they must not wait for that thread.
class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    // done images of count are finished; done grows by one per call.
    virtual void reportProgress(std::size_t done, std::size_t count) = 0;
    // A report that tells only the closing counts (they come with finishBatch) needs nothing
    // here.
    virtual void imageFinished(std::size_t /*index*/, const ImageOutcome& /*outcome*/) {}
    virtual void finishBatch(const BatchResult& result) = 0;
};

}  // namespace varnholt
