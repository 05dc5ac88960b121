// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "settings/FormatTable.h"

namespace varnholt {

// A folder the walk could not read, and the system's reason in lower case ("permission
// denied").
struct UnreadableFolder {
    std::string path;
    std::string reason;
};

struct FolderWalk {
    std::vector<std::string> paths;
    // Beside each path, the folder it was found in relative to the candidate folder walked
    // ("2024/june"); empty for a candidate that is not a folder and for the top level.
    std::vector<std::string> subFolders;
    std::vector<UnreadableFolder> unreadable;  // in the order of the walk
};

// Replaces every candidate that is a folder by the images inside it: recursively, each
// folder's entries (images and sub-folders together) in the desktop's order, by the locale's
// collation with numbers by value ("img2" before "img10"), a sub-folder's images where its name
// sorts; skipping hidden files and folders and never entering a symbolic link to a
// folder (so a link loop cannot trap the walk). A candidate folder given by its own link is
// entered: the user named it. Other candidates pass through unchanged and in place; the list
// rules (accepted types, no duplicates) still apply afterwards. Every folder that cannot be
// read, a candidate or one met inside, is listed; the rest of the walk goes on. Setting
// `abandon` stops the walk early; what was found so far is returned.
FolderWalk walkFolders(const std::vector<std::string>& candidates, HeifCodecs heifAvailable,
                       const std::atomic<bool>* abandon = nullptr);

// The paths of walkFolders, for a caller that does not name unreadable folders.
std::vector<std::string> expandFolders(const std::vector<std::string>& candidates,
                                       HeifCodecs heifAvailable,
                                       const std::atomic<bool>* abandon = nullptr);

}  // namespace varnholt
