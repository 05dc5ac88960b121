#include "batch/OverwriteConfirmation.h"

#include <sys/stat.h>

#include <unordered_map>
#include <unordered_set>

#include "batch/OutputNaming.h"
#include "batch/PathIdentity.h"

namespace varnholt {
namespace {

enum class OverwritePolicy { Ask, YesToAll, NoToAll };

// Any entry counts, a dangling symbolic link included: a write would replace it.
bool entryExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

}  // namespace

std::string overwriteQuestionText(const std::string& path) {
    return "The file " + path + " already exists. Do you want to overwrite it?";
}

std::vector<OverwriteDecision> confirmOverwrites(const std::vector<std::string>& sourcePaths,
                                                 const ResizeSettings& settings,
                                                 OverwriteQuestion& question) {
    std::vector<OverwriteDecision> decisions;
    decisions.reserve(sourcePaths.size());
    // Outputs that earlier images of this batch will write: a later image at the same entry
    // would replace that output, so it is asked about as if the file were already there.
    std::unordered_set<std::string> planned;
    OverwritePolicy policy = OverwritePolicy::Ask;

    for (std::size_t i = 0; i < sourcePaths.size(); ++i) {
        const std::string output =
            buildOutputPath(sourcePaths[i], static_cast<std::int64_t>(i), settings);
        const PathIdentity identity = pathIdentity(output);
        const bool exists = entryExists(output) || planned.contains(identity.lexical) ||
                            planned.contains(identity.resolved);

        OverwriteDecision decision = OverwriteDecision::Write;
        if (exists) {
            if (policy == OverwritePolicy::YesToAll) {
                decision = OverwriteDecision::Overwrite;
            } else if (policy == OverwritePolicy::NoToAll) {
                decision = OverwriteDecision::Skip;
            } else {
                switch (question.ask(output)) {
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
            planned.insert(identity.lexical);
            planned.insert(identity.resolved);
        }
        decisions.push_back(decision);
    }
    return decisions;
}

std::vector<std::string> outputConflicts(const std::vector<std::string>& sourcePaths,
                                         const ResizeSettings& settings) {
    std::vector<std::string> conflicts;
    conflicts.reserve(sourcePaths.size());
    std::unordered_map<std::string, std::size_t> firstWriter;  // either spelling, 0-based
    for (std::size_t i = 0; i < sourcePaths.size(); ++i) {
        const std::string output =
            buildOutputPath(sourcePaths[i], static_cast<std::int64_t>(i), settings);
        const PathIdentity identity = pathIdentity(output);
        auto earlier = firstWriter.find(identity.lexical);
        if (earlier == firstWriter.end()) earlier = firstWriter.find(identity.resolved);
        if (earlier != firstWriter.end()) {
            conflicts.push_back("clash with image " + std::to_string(earlier->second + 1));
            continue;
        }
        conflicts.push_back(entryExists(output) ? "exists" : "");
        firstWriter.emplace(identity.lexical, i);
        firstWriter.emplace(identity.resolved, i);
    }
    return conflicts;
}

}  // namespace varnholt
