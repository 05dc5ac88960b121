// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "settings/FormatTable.h"

namespace varnholt {

// The batch's list from the files as given on the command line.
struct FileList {
    std::vector<std::string> paths;
    // Beside each path, its folder relative to the folder given it was found in; empty for a
    // file given by itself.
    std::vector<std::string> subFolders;
    bool anyIgnored = false;  // a file or a folder given, or a folder inside one, is left out
};

// The absolute, lexically normal path a file is listed and shown by; "link/.." is resolved the
// way the system resolves it.
std::string listPath(const std::string& file);

// The image list's rules over the files as given, in order, a folder standing for the images
// inside it; every refused file, every folder without images and every folder that cannot be
// read is named on standard error.
FileList buildList(const std::vector<std::string>& files, HeifCodecs heif);

}  // namespace varnholt
