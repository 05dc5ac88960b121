// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "batch/BatchPlan.h"
#include "settings/Translation.h"

namespace varnholt {

// The buttons of the overwrite question, by their result codes.
enum class OverwriteAnswer : int {
    Yes = 1000,
    YesToAll = 1001,
    No = 1002,
    NoToAll = 1003,  // any code other than the four counts as this one
};

// Asks the user whether an existing output file may be replaced: a dialog in the window, a
// prompt on the terminal, a script in tests. Called on the thread that runs
// confirmOverwrites, before the batch starts. replacesSource: the file at path is one of the
// batch's own sources, whose original the answer "Yes" would lose.
class OverwriteQuestion {
public:
    virtual ~OverwriteQuestion() = default;
    virtual OverwriteAnswer ask(const std::string& path, bool replacesSource) = 0;
};

// "The file <path> already exists. Do you want to overwrite it?", and when replacesSource, on
// a line of its own, that the original would be lost.
std::string overwriteQuestionText(const std::string& path, bool replacesSource = false);

// The button titles in their order, marked for translation: shown as _(title).
inline constexpr const char* kOverwriteButtons[] = {N_("Yes"), N_("Yes to All"), N_("No"),
                                                    N_("No to All")};

// Decides for every image of the plan, in order: an output path where an entry exists, or
// that an earlier image of the same batch will write, is asked about (until a "... to All"
// answer settles the rest); any other path gets Write.
void confirmOverwrites(BatchPlan& plan, OverwriteQuestion& question);

}  // namespace varnholt
