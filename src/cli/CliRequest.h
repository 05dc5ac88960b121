// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch/BatchPlan.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

enum class OverwriteMode { Ask, Yes, No };

// Everything the command line asked for.
struct CliRequest {
    ResizeSettings settings;
    std::vector<std::string> files;  // as given, in order
    OverwriteMode overwrite = OverwriteMode::Ask;
    std::int64_t firstIndex = 1;  // [FileIndex] of the first image
    std::optional<Shard> shard;   // this process writes only these images
    bool dryRun = false;
    bool quiet = false;
};

// How every usage error starts.
inline constexpr const char* kUsagePrefix = "varnholt-cli: ";

// The parsed request, or the exit status when parsing ended the program: 0 after --help or
// --version, 2 for invalid usage (CLI11 has printed why). The size, DPI and quality options
// take the texts the window's fields take; a refused one gets the window's message.
struct CliParse {
    std::optional<CliRequest> request;
    int exitStatus = 0;
};

// Every format name is taken here; whether HEIF can be written is the caller's question, asked
// only when a HEIF format is chosen.
CliParse parseCommandLine(int argc, char** argv);

// A message of prepareBatch as a usage error, naming the option it is about:
// "varnholt-cli: --width: The dimensions you entered are not valid."
std::string inputProblem(const ResizeSettings& settings, const std::string& problem);

}  // namespace varnholt
