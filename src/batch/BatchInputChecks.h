// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "settings/ResizeSettings.h"
#include "settings/Translation.h"

namespace varnholt {

// The messages, marked for translation; the checks return them translated: _(kNoImagesMessage).
inline constexpr const char* kNoImagesMessage = N_("There are no images to resize.");
inline constexpr const char* kInvalidDimensionsMessage =
    N_("The dimensions you entered are not valid.");
inline constexpr const char* kInvalidDpiMessage = N_("The DPI you entered is not valid.");
inline constexpr const char* kNoOutputFolderMessage = N_("Please select an output folder.");

// The checks a batch must pass before anything is asked or touched, in their order:
// the message of the first one that fails, translated, or nothing when the batch may start.
std::optional<std::string> checkBatchInputs(std::size_t imageCount, const ResizeSettings& settings);

// The checks, then the output folder made with its parents when it is missing: the message
// that stops the batch before anything is asked or written, or nothing. A folder that cannot
// be made gets "Cannot create the output folder FOLDER: REASON.".
std::optional<std::string> prepareBatch(std::size_t imageCount, const ResizeSettings& settings);

}  // namespace varnholt
