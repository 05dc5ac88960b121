#pragma once

#include <cstddef>
#include <string>

#include "batch/BatchReport.h"
#include "batch/OverwriteConfirmation.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

// One image of a batch as the batch fixed it before it started.
struct ImageTask {
    std::size_t index = 0;
    std::string sourcePath;
    std::string outputPath;  // buildOutputPath of the source at index
    OverwriteDecision decision = OverwriteDecision::Write;
};

}  // namespace varnholt
