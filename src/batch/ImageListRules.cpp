// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ImageListRules.h"

#include <glib.h>
#include <sys/stat.h>

#include <algorithm>

#include "batch/OutputNaming.h"

namespace varnholt {

std::vector<std::string> acceptedExtensions(HeifCodecs codecs) {
    std::vector<std::string> extensions;
    for (const auto& row : formatRows()) {
        if (formatAvailable(row, codecs)) extensions.push_back(asciiLowercase(row.title));
    }
    return extensions;
}

std::vector<std::string> openDialogExtensions(HeifCodecs codecs) {
    return acceptedExtensions(codecs);
}

bool hasAcceptedExtension(std::string_view path, HeifCodecs codecs) {
    const std::string extension = asciiLowercase(fileExtension(path));
    const auto accepted = acceptedExtensions(codecs);
    return std::find(accepted.begin(), accepted.end(), extension) != accepted.end();
}

bool isUnlistablePath(const std::string& path) {
    if (path.empty()) return true;
    if (!g_utf8_validate(path.data(), static_cast<gssize>(path.size()), nullptr)) return true;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return false;
    return !S_ISREG(info.st_mode);
}

ImageListBuilder::ImageListBuilder(HeifCodecs heifAvailable, std::vector<std::string> listed)
    : heifAvailable_(heifAvailable),
      paths_(std::move(listed)),
      listed_(paths_.begin(), paths_.end()) {}

std::optional<ImageListBuilder::Refusal> ImageListBuilder::add(const std::string& path) {
    if (!hasAcceptedExtension(path, heifAvailable_)) return Refusal::NotAccepted;
    if (isUnlistablePath(path)) return Refusal::Unlistable;
    if (!listed_.insert(path).second) return Refusal::Listed;
    paths_.push_back(path);
    return std::nullopt;
}

std::size_t appendAcceptedPaths(std::vector<std::string>& list,
                                const std::vector<std::string>& candidates,
                                HeifCodecs heifAvailable) {
    const std::size_t before = list.size();
    ImageListBuilder builder(heifAvailable, std::move(list));
    for (const auto& path : candidates) builder.add(path);
    list = builder.take();
    return list.size() - before;
}

}  // namespace varnholt
