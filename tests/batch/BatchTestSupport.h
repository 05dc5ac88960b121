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
    long entries() const {
        using It = std::filesystem::directory_iterator;
        return std::distance(It(path_), It());
    }

private:
    std::string path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Gives the answers in order and records what was asked; a question beyond them fails.
class ScriptedQuestion : public OverwriteQuestion {
public:
    explicit ScriptedQuestion(std::deque<OverwriteAnswer> answers) : answers_(std::move(answers)) {}
    OverwriteAnswer ask(const std::string& path) override {
        asked.push_back(path);
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected question about " << path;
            return OverwriteAnswer::NoToAll;
        }
        const OverwriteAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    std::vector<std::string> asked;

private:
    std::deque<OverwriteAnswer> answers_;
};

}  // namespace varnholt
