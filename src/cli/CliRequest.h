// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/ResizeSettings.h"

namespace varnholt {

enum class OverwriteMode { Ask, Yes, No };

// Everything the command line asked for.
struct CliRequest {
    ResizeSettings settings;
    std::vector<std::string> files;  // as given, in order
    OverwriteMode overwrite = OverwriteMode::Ask;
    bool dryRun = false;
    bool quiet = false;
};

// The parsed request, or the exit status when parsing ended the program: 0 after --help or
// --version, 2 for invalid usage (CLI11 has printed why).
struct CliParse {
    std::optional<CliRequest> request;
    int exitStatus = 0;
};

// Every format name is taken here; whether HEIF can be written is the caller's question, asked
// only when a HEIF format is chosen.
CliParse parseCommandLine(int argc, char** argv);

}  // namespace varnholt
