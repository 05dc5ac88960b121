// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "batch/OverwriteConfirmation.h"

namespace varnholt {

// A fresh temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "varnholt-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(*this / name, std::ios::binary) << text;
        return *this / name;
    }
    std::string copy(const std::string& from, const std::string& name) const {
        std::filesystem::copy_file(from, *this / name);
        return *this / name;
    }
    long entries() const { return std::distance(std::filesystem::directory_iterator(path_), {}); }

private:
    std::string path_;
};

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
