// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/AsciiCase.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

// The full path of the output file for the image at index (0-based) of the list.
// Pure: it neither touches the file system nor fails; formatTitle is the title of the
// chosen popup item ("Original" keeps the source's extension exactly as written).
std::string buildOutputPath(std::string_view sourcePath, std::int64_t index,
                            std::string_view pattern, std::string_view formatTitle,
                            std::string_view outputFolder, NameCase nameCase);

// The same, with the pattern, format, folder and case taken from the settings.
std::string buildOutputPath(std::string_view sourcePath, std::int64_t index,
                            const ResizeSettings& settings);

// The text after the last "." of the path's last component; empty when there is none.
std::string_view fileExtension(std::string_view path);

}  // namespace varnholt
