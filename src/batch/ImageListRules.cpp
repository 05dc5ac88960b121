#include "batch/ImageListRules.h"

#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <unordered_set>

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

std::size_t appendAcceptedPaths(std::vector<std::string>& list,
                                const std::vector<std::string>& candidates, HeifCodecs codecs) {
    // A set keeps open-with of thousands of files linear rather than quadratic.
    std::unordered_set<std::string_view> listed(list.begin(), list.end());
    std::vector<std::string> accepted;
    for (const auto& path : candidates) {
        if (!hasAcceptedExtension(path, codecs) || isUnlistablePath(path)) continue;
        if (!listed.insert(path).second) continue;
        accepted.push_back(path);
    }
    list.insert(list.end(), accepted.begin(), accepted.end());
    return accepted.size();
}

}  // namespace varnholt
