// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <unordered_map>

namespace varnholt {

// Two spellings of the directory entry a path names: lexically normal and absolute, and
// with the folder's symbolic links resolved. Different strings such as "/out//a.jpg",
// "/out/./a.jpg" and a path through a linked folder still name one entry.
struct PathIdentity {
    std::string lexical;
    std::string resolved;
};

PathIdentity pathIdentity(const std::string& path);

// Folders resolved so far, by their absolute spelling: for many files of a few folders.
using ResolvedFolders = std::unordered_map<std::string, std::string>;
// PathIdentity::resolved, each folder resolved once while folders is kept.
std::string resolvedPath(const std::string& path, ResolvedFolders& folders);

// The two name one directory entry.
bool sameEntry(const PathIdentity& a, const PathIdentity& b);

}  // namespace varnholt
