// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PathList.h"

namespace varnholt {

std::vector<std::string> readPathList(std::istream& in, bool nulSeparated) {
    std::vector<std::string> paths;
    for (std::string entry; std::getline(in, entry, nulSeparated ? '\0' : '\n');) {
        if (!nulSeparated && !entry.empty() && entry.back() == '\r') entry.pop_back();
        if (!entry.empty()) paths.push_back(std::move(entry));
    }
    return paths;
}

}  // namespace varnholt
