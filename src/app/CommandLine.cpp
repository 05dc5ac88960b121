// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <string_view>

#include "settings/Translation.h"
#include "window/FileUrls.h"

namespace varnholt {
namespace {

// Laid out as the command line's help is, so that the same tool makes the manual page.
std::string help() {
    std::string text =
        _("Resize, convert and rename many images at once, in a window.\n"
          "Each FILE is an image, or a folder whose images are all added to the list.\n"
          "When Varnholt already runs in this session, its window takes the files and comes to\n"
          "the front, and this launch ends.\n"
          "The command line without a window is varnholt-cli.\n");
    text += "\n";
    // TRANSLATORS: keep the option names and the column where their descriptions start.
    text +=
        _("Usage: varnholt [OPTIONS] [FILE...]\n"
          "\n"
          "Options:\n"
          "  -h,--help                   Print this help and exit.\n"
          "  --version                   Print the version and exit.\n");
    text += "\n";
    // TRANSLATORS: keep the number and its column.
    text +=
        _("Exit status:\n"
          "  0  The window was closed, or the running Varnholt took the files.\n");
    return text;
}

}  // namespace

std::optional<EarlyAnswer> earlyAnswer(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") break;
        if (argument == "--help" || argument == "-h") return EarlyAnswer{help(), 0};
        if (argument == "--version") {
            return EarlyAnswer{std::string("varnholt ") + VARNHOLT_VERSION + "\n", 0};
        }
    }
    return std::nullopt;
}

std::vector<std::string> commandLineFiles(int argc, char** argv, const std::string& folder) {
    std::vector<std::string> files;
    bool afterOptions = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!afterOptions && argument == "--") {
            afterOptions = true;
            continue;
        }
        if (!argument.empty()) files.push_back(absolutePath(argument, folder));
    }
    return files;
}

}  // namespace varnholt
