// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "settings/FormatTable.h"

namespace varnholt {

// Extensions accepted by drag and drop, open-with and the command line, in lower case: the
// format table's titles, the HEIF formats only where the condition holds.
std::vector<std::string> acceptedExtensions(HeifCodecs codecs);

// The open dialog's type list: the same, in the popup's order.
std::vector<std::string> openDialogExtensions(HeifCodecs codecs);

// The path's extension, lower-cased, is one of the accepted ones.
bool hasAcceptedExtension(std::string_view path, HeifCodecs codecs);

// Something the list must never take: an empty path, one that is not valid UTF-8 (it
// could not be shown or named faithfully), or one that exists but is not a regular file
// (a FIFO named x.jpg would block every reader). A path that does not exist passes.
bool isUnlistablePath(const std::string& path);

// A list grown one path at a time by the list rules, in time linear in its length: the
// listed paths are held in a hash set, so a duplicate check does not scan the list.
class ImageListBuilder {
public:
    enum class Refusal { NotAccepted, Unlistable, Listed };

    explicit ImageListBuilder(HeifCodecs heifAvailable, std::vector<std::string> listed = {});
    // Appends path unless a rule refuses it: the extension first, then isUnlistablePath,
    // then an equal path listed already.
    std::optional<Refusal> add(const std::string& path);
    const std::vector<std::string>& paths() const { return paths_; }
    std::vector<std::string> take() { return std::move(paths_); }

private:
    HeifCodecs heifAvailable_;
    std::vector<std::string> paths_;
    std::unordered_set<std::string> listed_;
};

// Appends the candidates that have an accepted extension, are listable and are not
// listed yet, in order. Returns how many were added.
std::size_t appendAcceptedPaths(std::vector<std::string>& list,
                                const std::vector<std::string>& candidates, HeifCodecs codecs);

}  // namespace varnholt
