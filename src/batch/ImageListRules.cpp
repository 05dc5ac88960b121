// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ImageListRules.h"

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

}  // namespace varnholt
