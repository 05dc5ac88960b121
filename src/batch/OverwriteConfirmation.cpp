// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/OverwriteConfirmation.h"

#include <algorithm>
#include <unordered_set>

namespace varnholt {
namespace {

enum class OverwritePolicy { Ask, YesToAll, NoToAll };

// The entry is one of the batch's sources: replacing it loses that original.
bool isSource(const BatchPlan& plan, const PathIdentity& entry) {
    return std::any_of(plan.images.begin(), plan.images.end(),
                       [&](const PlannedImage& image) { return sameEntry(image.source, entry); });
}

}  // namespace

std::string overwriteQuestionText(const std::string& path, bool replacesSource) {
    std::string text =
        fillIn(_("The file %1 already exists. Do you want to overwrite it?"), {path});
    if (replacesSource) {
        text += '\n';
        text += _("This file is one of the images being resized; its original would be lost.");
    }
    return text;
}

void confirmOverwrites(BatchPlan& plan, OverwriteQuestion& question) {
    // Outputs that earlier images of this batch will write: a later image at the same entry
    // would replace that output, so it is asked about as if the file were already there.
    std::unordered_set<std::string> planned;
    OverwritePolicy policy = OverwritePolicy::Ask;

    for (PlannedImage& image : plan.images) {
        const bool exists = image.outputExists || planned.contains(image.output.lexical) ||
                            planned.contains(image.output.resolved);

        OverwriteDecision decision = OverwriteDecision::Write;
        if (exists) {
            if (policy == OverwritePolicy::YesToAll) {
                decision = OverwriteDecision::Overwrite;
            } else if (policy == OverwritePolicy::NoToAll) {
                decision = OverwriteDecision::Skip;
            } else {
                switch (question.ask(image.outputPath, isSource(plan, image.output))) {
                    case OverwriteAnswer::Yes:
                        decision = OverwriteDecision::Overwrite;
                        break;
                    case OverwriteAnswer::YesToAll:
                        decision = OverwriteDecision::Overwrite;
                        policy = OverwritePolicy::YesToAll;
                        break;
                    case OverwriteAnswer::No:
                        decision = OverwriteDecision::Skip;
                        break;
                    default:
                        decision = OverwriteDecision::Skip;
                        policy = OverwritePolicy::NoToAll;
                        break;
                }
            }
        }
        if (decision != OverwriteDecision::Skip) {
            planned.insert(image.output.lexical);
            planned.insert(image.output.resolved);
        }
        image.decision = decision;
    }
}

}  // namespace varnholt
