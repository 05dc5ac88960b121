// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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
    std::string path(const std::string& name) const { return path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return path(name); }
    // A file of the given bytes (one byte by default), its folder made first.
    std::string write(const std::string& name, const std::string& bytes = "x") const {
        std::filesystem::create_directories(std::filesystem::path(path(name)).parent_path());
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    std::string copy(const std::string& from, const std::string& name) const {
        std::filesystem::copy_file(from, path(name));
        return path(name);
    }
    // Sorted names in the folder or one of its sub-folders, hidden ones included.
    std::vector<std::string> entries(const std::string& folder = ".") const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path(folder)))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

}  // namespace varnholt
