// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ImageList.h"

#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <optional>

#include "batch/ImageListRules.h"
#include "batch/PathIdentity.h"

namespace varnholt {
namespace {

// The rules that need no knowledge of the list, cheapest first.
std::optional<ListRefusal> fileRefusal(const std::string& path, HeifCodecs heifAvailable) {
    if (!hasAcceptedExtension(path, heifAvailable)) return ListRefusal::NotAccepted;
    if (path.empty() || !g_utf8_validate(path.data(), static_cast<gssize>(path.size()), nullptr))
        return ListRefusal::InvalidName;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        // Any other reason (a folder on the way that may not be read) the batch will name.
        if (errno == ENOENT || errno == ENOTDIR) return ListRefusal::Missing;
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) return ListRefusal::NotRegularFile;
    return std::nullopt;
}

}  // namespace

ImageList::ImageList(HeifCodecs heifAvailable) : heifAvailable_(heifAvailable) {}

ImageList::Admission ImageList::screen(FolderWalk walk) const {
    Admission admission;
    std::unordered_set<std::string> admitted;
    ResolvedFolders folders;  // for this admission only: links may change meanwhile
    for (std::size_t i = 0; i < walk.paths.size(); ++i) {
        std::string& path = walk.paths[i];
        if (const auto refusal = fileRefusal(path, heifAvailable_)) {
            admission.refused_.push_back({i, *refusal});
            continue;
        }
        std::string identity = resolvedPath(path, folders);
        if (identities_.contains(identity) || !admitted.insert(identity).second) {
            admission.refused_.push_back({i, ListRefusal::Listed});
            continue;
        }
        std::string subFolder = i < walk.subFolders.size() ? std::move(walk.subFolders[i]) : "";
        admission.entries_.push_back({std::move(path), std::move(subFolder), std::move(identity)});
    }
    return admission;
}

void ImageList::insert(Admission admission, std::size_t row) {
    for (const Entry& entry : admission.entries_) identities_.insert(entry.identity);
    const auto at = entries_.begin() + static_cast<std::ptrdiff_t>(std::min(row, entries_.size()));
    entries_.insert(at, std::make_move_iterator(admission.entries_.begin()),
                    std::make_move_iterator(admission.entries_.end()));
}

std::vector<ImageList::Refused> ImageList::append(FolderWalk walk) {
    Admission admission = screen(std::move(walk));
    std::vector<Refused> refused = std::move(admission.refused_);
    insert(std::move(admission), entries_.size());
    return refused;
}

void ImageList::removeRows(const std::vector<std::size_t>& rows) {
    auto removed = rows.begin();
    std::size_t kept = 0;
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        if (removed != rows.end() && *removed == row) {
            identities_.erase(entries_[row].identity);
            ++removed;
        } else if (kept++ != row) {
            entries_[kept - 1] = std::move(entries_[row]);
        }
    }
    entries_.resize(kept);
}

void ImageList::clear() {
    entries_.clear();
    identities_.clear();
}

std::vector<std::string> ImageList::paths() const {
    std::vector<std::string> paths;
    paths.reserve(entries_.size());
    for (const Entry& entry : entries_) paths.push_back(entry.path);
    return paths;
}

std::vector<std::string> ImageList::subFolders() const {
    std::vector<std::string> folders;
    folders.reserve(entries_.size());
    for (const Entry& entry : entries_) folders.push_back(entry.subFolder);
    return folders;
}

}  // namespace varnholt
