// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FolderExpansion.h"

#include <glib.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>

#include "batch/ImageListRules.h"
#include "settings/AsciiCase.h"

namespace varnholt {

namespace {

namespace fs = std::filesystem;

bool isHidden(const fs::path& path) {
    const std::string name = path.filename().string();
    return !name.empty() && name.front() == '.';
}

// The desktop's order for one name: the user's collation, runs of digits by their value. A
// name that is not UTF-8 is keyed by its readable part; the bytes break ties.
std::string displayOrderKey(const std::string& name) {
    std::unique_ptr<gchar, decltype(&g_free)> valid(
        g_utf8_make_valid(name.data(), static_cast<gssize>(name.size())), &g_free);
    std::unique_ptr<gchar, decltype(&g_free)> key(g_utf8_collate_key_for_filename(valid.get(), -1),
                                                  &g_free);
    return key ? std::string(key.get()) : std::string();
}

bool abandoned(const std::atomic<bool>* abandon) {
    return abandon && abandon->load(std::memory_order_relaxed);
}

struct Entry {
    fs::path path;
    bool folder = false;
    std::string relative;  // a folder's own path from the top, a file's folder's
};

// The visible images and folders of folder, in the desktop's order, each key computed once.
std::vector<Entry> sortedEntries(const fs::path& folder, HeifCodecs heifAvailable,
                                 const std::atomic<bool>* abandon, std::error_code& error) {
    std::vector<std::pair<std::string, Entry>> keyed;
    fs::directory_iterator entries(folder, error);
    for (const fs::directory_iterator end; !error && entries != end; entries.increment(error)) {
        if (abandoned(abandon)) return {};
        const auto& entry = *entries;
        if (isHidden(entry.path())) continue;
        std::error_code ignored;
        // A link to a folder is not followed, so a link loop cannot trap the walk.
        const bool isFolder = entry.is_directory(ignored) && !entry.is_symlink(ignored);
        if (isFolder || (entry.is_regular_file(ignored) &&
                         hasAcceptedExtension(entry.path().string(), heifAvailable))) {
            const std::string name = entry.path().filename().string();
            keyed.push_back({displayOrderKey(name), {entry.path(), isFolder, {}}});
        }
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return a.second.path.filename() < b.second.path.filename();
    });
    std::vector<Entry> sorted;
    sorted.reserve(keyed.size());
    for (auto& [key, entry] : keyed) sorted.push_back(std::move(entry));
    return sorted;
}

// Depth first, a sub-folder's images where the folder's name sorts among the files. Folder by
// folder rather than with a recursive iterator, which would skip a folder it cannot read
// without a word.
void collectImages(const fs::path& top, HeifCodecs heifAvailable, const std::atomic<bool>* abandon,
                   FolderWalk& walk) {
    std::vector<Entry> pending{{top, true, {}}};  // the next entry at the back
    while (!pending.empty() && !abandoned(abandon)) {
        Entry next = std::move(pending.back());
        pending.pop_back();
        if (!next.folder) {
            walk.paths.push_back(next.path.string());
            walk.subFolders.push_back(std::move(next.relative));
            continue;
        }
        std::error_code error;
        std::vector<Entry> inside = sortedEntries(next.path, heifAvailable, abandon, error);
        if (error) walk.unreadable.push_back({next.path.string(), asciiLowercase(error.message())});
        for (Entry& entry : inside) {
            entry.relative = entry.folder
                                 ? (fs::path(next.relative) / entry.path.filename()).string()
                                 : next.relative;
        }
        std::move(inside.rbegin(), inside.rend(), std::back_inserter(pending));
    }
}

}  // namespace

FolderWalk walkFolders(const std::vector<std::string>& candidates, HeifCodecs heifAvailable,
                       const std::atomic<bool>* abandon) {
    FolderWalk walk;
    walk.paths.reserve(candidates.size());
    walk.subFolders.reserve(candidates.size());
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (candidate.empty() || !fs::is_directory(candidate, error)) {
            walk.paths.push_back(candidate);
            walk.subFolders.emplace_back();
            continue;
        }
        collectImages(candidate, heifAvailable, abandon, walk);
    }
    return walk;
}

std::vector<std::string> expandFolders(const std::vector<std::string>& candidates,
                                       HeifCodecs heifAvailable, const std::atomic<bool>* abandon) {
    return walkFolders(candidates, heifAvailable, abandon).paths;
}

}  // namespace varnholt
