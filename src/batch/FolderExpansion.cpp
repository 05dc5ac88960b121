// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FolderExpansion.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "batch/ImageListRules.h"

namespace varnholt {

namespace {

namespace fs = std::filesystem;

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// -1, 0 or 1 for one path component.
int compareNatural(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::size_t startA = i;
            const std::size_t startB = j;
            while (i < a.size() && isDigit(a[i])) ++i;
            while (j < b.size() && isDigit(b[j])) ++j;
            // Leading zeros do not change the value; a longer run of significant digits is larger.
            std::string_view runA = a.substr(startA, i - startA);
            std::string_view runB = b.substr(startB, j - startB);
            runA.remove_prefix(std::min(runA.find_first_not_of('0'), runA.size()));
            runB.remove_prefix(std::min(runB.find_first_not_of('0'), runB.size()));
            if (runA.size() != runB.size()) return runA.size() < runB.size() ? -1 : 1;
            if (const int order = runA.compare(runB); order != 0) return order < 0 ? -1 : 1;
            continue;
        }
        if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool isHidden(const fs::path& path) {
    const std::string name = path.filename().string();
    return !name.empty() && name.front() == '.';
}

void collectImages(const fs::path& folder, HeifCodecs heifAvailable,
                   const std::atomic<bool>* abandon, std::vector<std::string>& found) {
    std::error_code error;
    // The default options do not follow links to folders; unreadable folders are skipped.
    fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied,
                                          error);
    for (const fs::recursive_directory_iterator end; !error && walk != end; walk.increment(error)) {
        if (abandon && abandon->load(std::memory_order_relaxed)) return;
        const auto& entry = *walk;
        if (isHidden(entry.path())) {
            walk.disable_recursion_pending();  // harmless for a file
            continue;
        }
        const std::string path = entry.path().string();
        if (entry.is_regular_file(error) && hasAcceptedExtension(path, heifAvailable)) {
            found.push_back(path);
        }
    }
}

}  // namespace

bool naturalPathLess(std::string_view a, std::string_view b) {
    const fs::path left(a);
    const fs::path right(b);
    auto i = left.begin();
    auto j = right.begin();
    for (; i != left.end() && j != right.end(); ++i, ++j) {
        if (const int order = compareNatural(i->native(), j->native()); order != 0)
            return order < 0;
    }
    if (i != left.end() || j != right.end()) return j != right.end();
    return a < b;  // equal by value ("a01" and "a1"): a stable, total order all the same
}

std::vector<std::string> expandFolders(const std::vector<std::string>& candidates,
                                       HeifCodecs heifAvailable, const std::atomic<bool>* abandon) {
    std::vector<std::string> result;
    result.reserve(candidates.size());
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (candidate.empty() || !fs::is_directory(candidate, error)) {
            result.push_back(candidate);
            continue;
        }
        std::vector<std::string> images;
        collectImages(candidate, heifAvailable, abandon, images);
        std::sort(images.begin(), images.end(),
                  [](const std::string& a, const std::string& b) { return naturalPathLess(a, b); });
        result.insert(result.end(), images.begin(), images.end());
    }
    return result;
}

}  // namespace varnholt
