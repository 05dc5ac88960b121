// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/PathIdentity.h"

#include <filesystem>

namespace varnholt {

PathIdentity pathIdentity(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    if (error) absolute = fs::path(path);
    const fs::path lexical = absolute.lexically_normal();
    // The last component stays as it is: a write replaces a link there, it does not follow it.
    fs::path resolved = fs::weakly_canonical(lexical.parent_path(), error);
    if (error) resolved = lexical.parent_path();
    resolved /= lexical.filename();
    return {lexical.string(), resolved.string()};
}

bool sameEntry(const PathIdentity& a, const PathIdentity& b) {
    return a.lexical == b.lexical || a.resolved == b.resolved;
}

}  // namespace varnholt
