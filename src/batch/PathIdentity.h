// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace varnholt {

// Two spellings of the directory entry a path names: lexically normal and absolute, and
// with the folder's symbolic links resolved. Different strings such as "/out//a.jpg",
// "/out/./a.jpg" and a path through a linked folder still name one entry.
struct PathIdentity {
    std::string lexical;
    std::string resolved;
};

PathIdentity pathIdentity(const std::string& path);

// The two name one directory entry.
bool sameEntry(const PathIdentity& a, const PathIdentity& b);

}  // namespace varnholt
