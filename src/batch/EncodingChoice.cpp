// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/EncodingChoice.h"

#include <string>

#include "batch/OutputNaming.h"

namespace varnholt {

OutputFormat encodingFormat(std::string_view sourcePath, const ResizeSettings& settings) {
    const auto chosen = chosenFormat(settings);
    if (!chosen) return OutputFormat::JPG;
    if (*chosen != OutputFormat::Original) return *chosen;
    const auto own = formatFromTitle(asciiUppercase(fileExtension(sourcePath)));
    if (!own || *own == OutputFormat::Original) return OutputFormat::JPG;
    return *own;
}

double encodingQuality(const ResizeSettings& settings) {
    return static_cast<double>(settings.quality / 100.0f);
}

}  // namespace varnholt
