// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// What the command line asks for besides the window.
struct EarlyAnswer {
    std::string text;  // for standard output
    int exitCode = 0;
};

// --help and --version, answered before any display connection or hand-over, so that they
// work without a display and beside a running window. "--" ends the options.
std::optional<EarlyAnswer> earlyAnswer(int argc, char** argv);

// The files named on the command line (after Qt took its own options), as absolute paths
// against folder. They stay bytes: a name that is not UTF-8 reaches the list unchanged.
std::vector<std::string> commandLineFiles(int argc, char** argv, const std::string& folder);

}  // namespace varnholt
