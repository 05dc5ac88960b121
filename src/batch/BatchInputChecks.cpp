// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchInputChecks.h"

namespace varnholt {

std::optional<std::string> checkBatchInputs(std::size_t imageCount,
                                            const ResizeSettings& settings) {
    if (imageCount == 0) return std::string(kNoImagesMessage);
    if (!sizeFieldsValid(settings)) return std::string(kInvalidDimensionsMessage);
    if (!dpiFieldValid(settings)) return std::string(kInvalidDpiMessage);
    // Only emptiness: a folder that does not exist passes, and every write into it fails.
    if (settings.outputFolder.empty()) return std::string(kNoOutputFolderMessage);
    return std::nullopt;
}

}  // namespace varnholt
