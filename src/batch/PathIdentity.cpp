// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/PathIdentity.h"

#include <filesystem>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

fs::path absolutePath(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    return error ? fs::path(path) : absolute;
}

// The last component stays as it is: a write replaces a link there, it does not follow it.
// The folder is resolved as the system resolves it: "link/.." is the folder above the link's
// target, not the one holding the link.
std::string resolved(const fs::path& absolute, ResolvedFolders* folders) {
    const fs::path name = absolute.filename();
    if (name == "." || name == "..") {
        std::error_code error;
        const fs::path whole = fs::weakly_canonical(absolute, error);
        return (error ? absolute.lexically_normal() : whole).string();
    }
    const std::string folder = absolute.parent_path().string();
    if (folders) {
        if (const auto known = folders->find(folder); known != folders->end())
            return (fs::path(known->second) / name).string();
    }
    std::error_code error;
    fs::path real = fs::weakly_canonical(folder, error);
    if (error) real = absolute.lexically_normal().parent_path();
    if (folders) folders->emplace(folder, real.string());
    return (real / name).string();
}

}  // namespace

PathIdentity pathIdentity(const std::string& path) {
    const fs::path absolute = absolutePath(path);
    return {absolute.lexically_normal().string(), resolved(absolute, nullptr)};
}

std::string resolvedPath(const std::string& path, ResolvedFolders& folders) {
    return resolved(absolutePath(path), &folders);
}

bool sameEntry(const PathIdentity& a, const PathIdentity& b) {
    return a.lexical == b.lexical || a.resolved == b.resolved;
}

}  // namespace varnholt
