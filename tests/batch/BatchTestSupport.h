// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "batch/OverwriteConfirmation.h"

namespace varnholt {

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Outputs named by their source, into folder.
inline ResizeSettings namedBySource(const std::string& folder, const std::string& format = "JPG") {
    ResizeSettings s;
    s.outputFolder = folder;
    s.namePattern = "[FileName]";
    s.outputFormat.title = format;
    return s;
}

// The plan of the sources with the decisions given, as confirmOverwrites would leave it.
inline BatchPlan planWith(const std::vector<std::string>& sources, const ResizeSettings& settings,
                          const std::vector<OverwriteDecision>& decisions) {
    BatchPlan plan = planBatch(sources, settings);
    for (std::size_t i = 0; i < decisions.size(); ++i) plan.images.at(i).decision = decisions[i];
    return plan;
}

// Gives the answers in order and records what was asked; a question beyond them fails.
struct ScriptedQuestion : OverwriteQuestion {
    explicit ScriptedQuestion(std::deque<OverwriteAnswer> script) : answers(std::move(script)) {}
    OverwriteAnswer ask(const std::string& path, bool replacesSource) override {
        asked.push_back(path + (replacesSource ? " (a source)" : ""));
        EXPECT_FALSE(answers.empty()) << "unexpected question about " << path;
        if (answers.empty()) return OverwriteAnswer::NoToAll;
        const OverwriteAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<OverwriteAnswer> answers;
    std::vector<std::string> asked;
};

}  // namespace varnholt
