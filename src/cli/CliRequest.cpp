// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliRequest.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>

#include "batch/BatchInputChecks.h"
#include "cli/PathList.h"
#include "cli/TerminalText.h"
#include "settings/TextReadings.h"

namespace varnholt {
namespace {

// Sets the radios of the panel as choosing this mode there would.
void chooseMode(ResizeSettings& s, const std::string& mode) {
    s.freeResize = mode == "free" || mode == "percent";
    s.freePixels = mode == "free";
    s.freePercents = mode == "percent";
    s.fixedWidth = mode == "width";
    s.fixedHeight = mode == "height";
    s.fixedWidthAndHeight = mode == "box";
}

// The width and height entries of the mode get the texts as typed.
void setSizeTexts(ResizeSettings& s, const std::string& mode, const std::string* width,
                  const std::string* height) {
    std::string* widthField = &s.pixelWidthText;
    std::string* heightField = &s.pixelHeightText;
    if (mode == "percent") {
        widthField = &s.percentWidthText;
        heightField = &s.percentHeightText;
    } else if (mode == "width" || mode == "height") {
        widthField = &s.fixedWidthText;
        heightField = &s.fixedHeightText;
    } else if (mode == "box") {
        widthField = &s.boxWidthText;
        heightField = &s.boxHeightText;
    }
    if (width) *widthField = *width;
    if (height) *heightField = *height;
}

std::vector<std::string> formatNames() {
    std::vector<std::string> names;
    for (const OutputFormat format : formatPopupItems(true)) {
        std::string name(formatTitle(format));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        names.push_back(name);
    }
    return names;
}

// The formats the quality applies to, as --format names them.
std::string qualityFormatNames() {
    std::string names;
    for (const auto& row : formatRows()) {
        if (!row.usesQuality) continue;
        if (!names.empty()) names += ", ";
        for (const char c : row.title) names += static_cast<char>(std::tolower(c));
    }
    return names;
}

FormatChoice formatChoice(const std::string& name) {
    const std::vector<OutputFormat> items = formatPopupItems(true);
    const std::vector<std::string> names = formatNames();
    const auto at = std::find(names.begin(), names.end(), name);
    const auto index = static_cast<std::size_t>(at - names.begin());
    return {std::string(formatTitle(items[index]))};
}

// The DPI entries the window reads as an override, refused with the window's message.
std::string checkDpi(const std::string& text) {
    ResizeSettings s;
    s.changeDPI = true;
    s.dpiText = text;
    return dpiOverride(s) && dpiFieldValid(s) ? std::string() : std::string(kInvalidDpiMessage);
}

// The slider's range, typed as the window's number fields are: surrounding spaces, a sign.
std::optional<float> qualityValue(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    const auto value = parseFloat(text);
    if (!value || !(*value >= 0.0f && *value <= 100.0f)) return std::nullopt;
    return value;
}

std::string checkQuality(const std::string& text) {
    return qualityValue(text) ? std::string() : std::string("must be a number from 0 to 100");
}

// "K/N" in digits, 1 <= K <= N.
std::optional<Shard> shardValue(std::string_view text) {
    const auto number = [](std::string_view digits) -> std::optional<std::size_t> {
        std::size_t value = 0;
        const auto [end, error] = std::from_chars(digits.begin(), digits.end(), value);
        if (digits.empty() || error != std::errc() || end != digits.end()) return std::nullopt;
        return value;
    };
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const auto part = number(text.substr(0, slash));
    const auto count = number(text.substr(slash + 1));
    if (!part || !count || *part < 1 || *part > *count) return std::nullopt;
    return Shard{*part, *count};
}

std::string checkShard(const std::string& text) {
    return shardValue(text) ? std::string() : std::string("must be K/N with 1 <= K <= N");
}

}  // namespace

CliParse parseCommandLine(int argc, char** argv) {
    CLI::App app{"Resizes image files into an output folder.", "varnholt-cli"};
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        return kUsagePrefix + CLI::FailureMessage::simple(failed, error);
    });
    // The manual page is made from this help, so the exit statuses are listed here.
    app.footer(
        "Exit status:\n"
        "  0    every image was written or skipped\n"
        "  1    an image failed, an argument was ignored or a folder could not be read\n"
        "  2    invalid usage or settings\n"
        "  130  interrupted");
    app.set_version_flag("--version", std::string("varnholt-cli ") + VARNHOLT_VERSION);

    CliRequest request;
    ResizeSettings& s = request.settings;
    std::string mode = "free";
    std::string width;
    std::string height;
    std::string dpi;
    std::string quality;
    std::string format = "jpg";
    std::string nameCase = "unchanged";
    std::string overwrite;
    bool noAspect = false;

    app.add_option("FILE", request.files,
                   "Image files and folders, in order (a folder gives the images inside it,\n"
                   "recursively, skipping hidden ones, sorted as the desktop does: by the\n"
                   "locale, numbers by value)")
        ->type_name("");
    std::string filesFrom;
    bool nulSeparated = false;
    app.add_option("--files-from", filesFrom,
                   "Read more paths from FILE (- for standard input), one per line, after FILE "
                   "arguments");
    app.add_flag("--null", nulSeparated, "Paths in --files-from are separated by NUL bytes");
    app.add_option("--mode", mode, "How the size is given (default free: pixels)")
        ->check(CLI::IsMember({"free", "percent", "width", "height", "box"}));
    auto* widthOption = app.add_option("--width", width, "The width entry of the mode");
    auto* heightOption = app.add_option("--height", height, "The height entry of the mode");
    app.add_flag("--no-aspect", noAspect, "Free resize without keeping the aspect ratio");
    app.add_flag("--larger-side", s.widthIsLargestDimension,
                 "The width entry stands for the larger side");
    app.add_flag("--no-enlarge", s.doNotEnlarge, "Never make a side larger than the image's");
    auto* dpiOption =
        app.add_option("--dpi", dpi, "Resolution to write (a whole number from 1 to 1000000)")
            ->check(CLI::Validator(checkDpi, "DPI"));
    app.add_option("--format", format, "Output format (default jpg)")
        ->check(CLI::IsMember(formatNames()))
        ->type_name("FORMAT");
    auto* qualityOption =
        app.add_option("--quality", quality,
                       "Quality in percent for " + qualityFormatNames() + " (default 80)")
            ->check(CLI::Validator(checkQuality, "0-100"));
    app.add_option("--name", s.namePattern,
                   "File name pattern with [FileName] and [FileIndex] (default \"" +
                       std::string(kDefaultNamePattern) + "\")");
    app.add_option("--case", nameCase, "Case of the file name (default unchanged)")
        ->check(CLI::IsMember({"unchanged", "upper", "lower"}));
    app.add_option("--output", s.outputFolder, "Output folder");
    app.add_flag("--keep-folders", s.keepSubFolders,
                 "An image found in a sub-folder of a folder given is written to the same\n"
                 "sub-folder of the output folder, made when missing");
    app.add_flag("--keep-metadata", s.keepExifInfoAndCreationDate,
                 "Keep the metadata and the creation date of each source");
    app.add_option("--overwrite", overwrite,
                   "Existing output files: ask (default on a terminal; without one, no), yes, no")
        ->check(CLI::IsMember({"ask", "yes", "no"}));
    app.add_option("--index-start", request.firstIndex,
                   "[FileIndex] of the first image (default 1), to go on numbering where an\n"
                   "earlier run over the start of a list stopped")
        ->type_name("N")
        ->check(CLI::Range(std::int64_t{0}, std::int64_t{1'000'000'000'000'000}).description(""));
    std::string shard;
    auto* shardOption =
        app.add_option("--shard", shard,
                       "Write only the images K, K+N, K+2N, ... of the list (1 <= K <= N), named\n"
                       "and judged as in one run over the whole list: N processes with the same\n"
                       "arguments and K from 1 to N write what one run writes. The counts are of\n"
                       "this shard's images; --dry-run lists them. Needs --overwrite yes or no")
            ->type_name("K/N")
            ->check(CLI::Validator(checkShard, ""));
    app.add_flag("--dry-run", request.dryRun,
                 "Write nothing; print a line per image: source, output path, size (or fail:\n"
                 "why) and whether the output is taken, separated by tabs. A field with a\n"
                 "control character, bytes that are not UTF-8 or a single quote is printed in\n"
                 "shell quoting (ESC as $'\\033'), which bash reads back as the exact name;\n"
                 "messages show names the same way");
    app.add_flag("--quiet", request.quiet, "No progress line and no closing message");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return {std::nullopt, status == 0 ? 0 : 2};
    }

    if (!filesFrom.empty()) {
        std::ifstream file;
        if (filesFrom != "-") file.open(filesFrom, std::ios::binary);
        std::istream& in = filesFrom == "-" ? std::cin : file;
        if (!in) {
            std::fprintf(stderr, "%s--files-from: cannot read %s\n", kUsagePrefix,
                         terminalText(filesFrom).c_str());
            return {std::nullopt, 2};
        }
        for (auto& path : readPathList(in, nulSeparated)) request.files.push_back(std::move(path));
    }
    chooseMode(s, mode);
    s.keepAspect = !noAspect;
    setSizeTexts(s, mode, widthOption->count() ? &width : nullptr,
                 heightOption->count() ? &height : nullptr);
    if (dpiOption->count()) {
        s.changeDPI = true;
        s.dpiText = dpi;
    }
    if (qualityOption->count()) s.quality = *qualityValue(quality);
    s.outputFormat = formatChoice(format);
    s.nameCase = nameCase == "upper" ? 1 : nameCase == "lower" ? 2 : 0;
    request.overwrite = overwrite == "yes"  ? OverwriteMode::Yes
                        : overwrite == "no" ? OverwriteMode::No
                                            : OverwriteMode::Ask;
    if (shardOption->count()) {
        // No process of many can ask, and they must all answer alike.
        if (request.overwrite == OverwriteMode::Ask) {
            std::fprintf(stderr, "%s--shard: needs --overwrite yes or no\n", kUsagePrefix);
            return {std::nullopt, 2};
        }
        request.shard = shardValue(shard);
    }
    return {std::move(request), 0};
}

std::string inputProblem(const ResizeSettings& s, const std::string& problem) {
    std::string option;
    if (problem == kInvalidDimensionsMessage) {
        const bool widthRead = resizeMode(s) == ResizeMode::FixedHeight ||
                               leadingFloatValue(sizeEntries(s).width) > 0.0f;
        option = widthRead ? "--height: " : "--width: ";
    } else if (problem == kInvalidDpiMessage) {
        option = "--dpi: ";
    } else if (problem == kNoOutputFolderMessage) {
        option = "--output: ";
    }
    return kUsagePrefix + option + terminalText(problem);
}

}  // namespace varnholt
