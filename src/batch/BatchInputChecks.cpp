// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchInputChecks.h"

#include <filesystem>

#include "settings/AsciiCase.h"

namespace varnholt {

std::optional<std::string> checkBatchInputs(std::size_t imageCount,
                                            const ResizeSettings& settings) {
    if (imageCount == 0) return std::string(_(kNoImagesMessage));
    if (!sizeFieldsValid(settings)) return std::string(_(kInvalidDimensionsMessage));
    if (!dpiFieldValid(settings)) return std::string(_(kInvalidDpiMessage));
    // Only emptiness: prepareBatch makes a missing folder.
    if (settings.outputFolder.empty()) return std::string(_(kNoOutputFolderMessage));
    return std::nullopt;
}

std::optional<std::string> prepareBatch(std::size_t imageCount, const ResizeSettings& settings) {
    if (auto problem = checkBatchInputs(imageCount, settings)) return problem;
    const std::string& folder = settings.outputFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error) return std::nullopt;
    // TRANSLATORS: %1 is a folder, %2 the system's reason.
    return fillIn(_("Cannot create the output folder %1: %2."),
                  {folder, asciiLowercase(error.message())});
}

}  // namespace varnholt
