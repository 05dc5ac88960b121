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

std::string lowerCase(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Folder by folder rather than with a recursive iterator, which would skip a folder it cannot
// read without a word.
void collectImages(const fs::path& top, HeifCodecs heifAvailable, const std::atomic<bool>* abandon,
                   FolderWalk& walk) {
    const auto abandoned = [&] { return abandon && abandon->load(std::memory_order_relaxed); };
    std::vector<fs::path> pending{top};
    while (!pending.empty() && !abandoned()) {
        const fs::path folder = std::move(pending.back());
        pending.pop_back();
        std::error_code error;
        fs::directory_iterator entries(folder, error);
        for (const fs::directory_iterator end; !error && entries != end; entries.increment(error)) {
            if (abandoned()) return;
            const auto& entry = *entries;
            if (isHidden(entry.path())) continue;
            std::error_code ignored;
            // A link to a folder is not followed, so a link loop cannot trap the walk.
            if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) {
                pending.push_back(entry.path());
            } else if (entry.is_regular_file(ignored) &&
                       hasAcceptedExtension(entry.path().string(), heifAvailable)) {
                walk.paths.push_back(entry.path().string());
            }
        }
        if (error) walk.unreadable.push_back({folder.string(), lowerCase(error.message())});
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

FolderWalk walkFolders(const std::vector<std::string>& candidates, HeifCodecs heifAvailable,
                       const std::atomic<bool>* abandon) {
    FolderWalk walk;
    walk.paths.reserve(candidates.size());
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (candidate.empty() || !fs::is_directory(candidate, error)) {
            walk.paths.push_back(candidate);
            continue;
        }
        FolderWalk inside;
        collectImages(candidate, heifAvailable, abandon, inside);
        const auto natural = [](const auto& a, const auto& b) { return naturalPathLess(a, b); };
        std::sort(inside.paths.begin(), inside.paths.end(), natural);
        std::sort(inside.unreadable.begin(), inside.unreadable.end(),
                  [&](const auto& a, const auto& b) { return natural(a.path, b.path); });
        walk.paths.insert(walk.paths.end(), inside.paths.begin(), inside.paths.end());
        walk.unreadable.insert(walk.unreadable.end(), inside.unreadable.begin(),
                               inside.unreadable.end());
    }
    return walk;
}

std::vector<std::string> expandFolders(const std::vector<std::string>& candidates,
                                       HeifCodecs heifAvailable, const std::atomic<bool>* abandon) {
    return walkFolders(candidates, heifAvailable, abandon).paths;
}

}  // namespace varnholt
