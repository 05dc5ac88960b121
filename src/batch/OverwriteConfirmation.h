#pragma once

#include <string>
#include <vector>

#include "settings/ResizeSettings.h"

namespace varnholt {

// What the batch does at one image's output path.
enum class OverwriteDecision {
    Write,      // nothing there: write
    Overwrite,  // something there and the user agreed to replace it
    Skip,       // something there and the user declined: leave it exactly as it is
};

// The buttons of the overwrite question, by their result codes.
enum class OverwriteAnswer : int {
    Yes = 1000,
    YesToAll = 1001,
    No = 1002,
    NoToAll = 1003,  // any code other than the four counts as this one
};

// Asks the user whether an existing output file may be replaced: a dialog in the window, a
// prompt on the terminal, a script in tests. Called on the thread that runs
// confirmOverwrites, before the batch starts.
class OverwriteQuestion {
public:
    virtual ~OverwriteQuestion() = default;
    virtual OverwriteAnswer ask(const std::string& path) = 0;
};

// "The file <path> already exists. Do you want to overwrite it?"
std::string overwriteQuestionText(const std::string& path);

// The button titles in their order.
inline constexpr const char* kOverwriteButtons[] = {"Yes", "Yes to All", "No", "No to All"};

// One decision per source path, in order: an output path that exists on disk, or that an
// earlier image of the same batch will write, is asked about (until a "... to All" answer
// settles the rest); any other path gets Write.
std::vector<OverwriteDecision> confirmOverwrites(const std::vector<std::string>& sourcePaths,
                                                 const ResizeSettings& settings,
                                                 OverwriteQuestion& question);

// Per source path, in order, why its output path would be asked about: "exists" for an entry
// already on disk, "clash with image N" (1-based) when an earlier image of the list has the
// same output path; empty when the path is free.
std::vector<std::string> outputConflicts(const std::vector<std::string>& sourcePaths,
                                         const ResizeSettings& settings);

}  // namespace varnholt
