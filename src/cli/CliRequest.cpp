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
#include "settings/AsciiCase.h"
#include "settings/TextReadings.h"
#include "settings/Translation.h"

namespace varnholt {
namespace {

// Sets the radios of the panel as choosing this mode there would.
void chooseMode(ResizeSettings& s, ResizeMode mode) {
    s.freeResize = mode == ResizeMode::FreePixels || mode == ResizeMode::FreePercents;
    s.freePixels = mode == ResizeMode::FreePixels;
    s.freePercents = mode == ResizeMode::FreePercents;
    s.fixedWidth = mode == ResizeMode::FixedWidth;
    s.fixedHeight = mode == ResizeMode::FixedHeight;
    s.fixedWidthAndHeight = mode == ResizeMode::FixedWidthAndHeight;
}

// The width and height entries of the mode get the texts as typed.
void setSizeTexts(ResizeSettings& s, ResizeMode mode, const std::string* width,
                  const std::string* height) {
    std::string* widthField = &s.pixelWidthText;
    std::string* heightField = &s.pixelHeightText;
    if (mode == ResizeMode::FreePercents) {
        widthField = &s.percentWidthText;
        heightField = &s.percentHeightText;
    } else if (mode == ResizeMode::FixedWidth || mode == ResizeMode::FixedHeight) {
        widthField = &s.fixedWidthText;
        heightField = &s.fixedHeightText;
    } else if (mode == ResizeMode::FixedWidthAndHeight) {
        widthField = &s.boxWidthText;
        heightField = &s.boxHeightText;
    }
    if (width) *widthField = *width;
    if (height) *heightField = *height;
}

// "{a,b,c}", as the help lists the names an option takes.
std::string nameSet(const std::vector<std::string>& names) {
    std::string set = "{";
    for (const auto& name : names) set += (set.size() > 1 ? "," : "") + name;
    return set + "}";
}

// Takes one of names, refusing any other text with the list of them.
CLI::Validator oneOf(std::vector<std::string> names) {
    const std::string set = nameSet(names);
    return CLI::Validator(
        [names = std::move(names), set](std::string& text) {
            if (std::find(names.begin(), names.end(), text) != names.end()) return std::string();
            // TRANSLATORS: %1 is what was typed, %2 the names the option takes: {a,b,c}.
            return fillIn(_("%1 not in %2"), {text, set});
        },
        set);
}

// Turns one of the choices' names into its value; only the names are taken.
template <typename Enum>
CLI::Validator choiceOf(const std::vector<std::pair<std::string, Enum>>& choices) {
    std::vector<std::string> names;
    for (const auto& choice : choices) names.push_back(choice.first);
    const CLI::Validator known = oneOf(names);
    // The transformer alone would also take the values' numbers.
    const CLI::Validator toValue = CLI::CheckedTransformer(choices);
    return CLI::Validator(
        [known, toValue](std::string& text) {
            std::string refused = known(text);
            return refused.empty() ? toValue(text) : refused;
        },
        known.get_description());
}

std::vector<std::string> formatNames() {
    std::vector<std::string> names;
    for (const OutputFormat format : formatPopupItems(true)) {
        names.push_back(asciiLowercase(formatTitle(format)));
    }
    return names;
}

// The formats the quality applies to, as --format names them.
std::string qualityFormatNames() {
    std::string names;
    for (const auto& row : formatRows()) {
        if (!row.usesQuality) continue;
        if (!names.empty()) names += ", ";
        names += asciiLowercase(row.title);
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
    return dpiOverride(s) && dpiFieldValid(s) ? std::string() : std::string(_(kInvalidDpiMessage));
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
    return qualityValue(text) ? std::string() : std::string(_("must be a number from 0 to 100"));
}

constexpr std::int64_t kLastIndexStart = 1'000'000'000'000'000;

// The spellings CLI11 reads a number in, as the option's value will be read.
std::string checkIndexStart(const std::string& text) {
    std::int64_t value = 0;
    if (CLI::detail::lexical_cast(text, value) && value >= 0 && value <= kLastIndexStart) return {};
    return fillIn(_("Value %1 not in range %2 to %3"),
                  {text, "0", std::to_string(kLastIndexStart)});
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
    return shardValue(text) ? std::string() : std::string(_("must be K/N with 1 <= K <= N"));
}

// CLI11's own message for an argument that no option takes, in the user's language.
std::string errorText(const CLI::Error& error) {
    const std::string text = error.what();
    const auto colon = text.find(": ");
    if (!dynamic_cast<const CLI::ExtrasError*>(&error) || colon == std::string::npos) return text;
    const bool several = text.starts_with("The following arguments");
    return fillIn(P_("The following argument was not expected: %1",
                     "The following arguments were not expected: %1", several ? 2 : 1),
                  {std::string_view(text).substr(colon + 2)});
}

// The help's headings and words, which CLI11 writes in English.
void translateHelp(CLI::App& app) {
    auto formatter = app.get_formatter();
    formatter->label("Usage", _("Usage"));
    // TRANSLATORS: in the help's usage line: varnholt-cli [OPTIONS] [FILE...].
    formatter->label("OPTIONS", _("OPTIONS"));
    formatter->label("Positionals", _("Positionals"));
    app.option_defaults()->group(_("Options"));
    app.set_help_flag("-h,--help", _("Print this help message and exit"));
}

// The options' texts as given, read into the settings once the whole line is parsed.
struct GivenOptions {
    // The type names stay as they are in every language: the help pads its option column by
    // bytes, so a translated name would push that line's description out of line.
    const std::string text = "TEXT";
    ResizeMode mode = ResizeMode::FreePixels;
    std::string width;
    std::string height;
    std::string dpi;
    std::string quality;
    std::string format = "jpg";
    NameCase nameCase = NameCase::Unchanged;
    bool noAspect = false;
    std::string filesFrom;
    bool nulSeparated = false;
    std::string shard;
    CLI::Option* widthOption = nullptr;
    CLI::Option* heightOption = nullptr;
    CLI::Option* dpiOption = nullptr;
    CLI::Option* qualityOption = nullptr;
    CLI::Option* shardOption = nullptr;
};

void addInputOptions(CLI::App& app, CliRequest& request, GivenOptions& given) {
    app.add_option("FILE", request.files,
                   _("Image files and folders, in order (a folder gives the images inside it,\n"
                     "recursively, skipping hidden ones, sorted as the desktop does: by the\n"
                     "locale, numbers by value)"))
        ->type_name("");
    app.add_option("--files-from", given.filesFrom,
                   _("Read more paths from FILE (- for standard input), one per line, after FILE "
                     "arguments"))
        ->type_name("FILE");
    app.add_flag("--null", given.nulSeparated,
                 _("Paths in --files-from are separated by NUL bytes"));
}

void addSizeOptions(CLI::App& app, ResizeSettings& s, GivenOptions& given) {
    app.add_option("--mode", given.mode, _("How the size is given (default free: pixels)"))
        ->type_name(given.text)
        ->transform(choiceOf<ResizeMode>({{"free", ResizeMode::FreePixels},
                                          {"percent", ResizeMode::FreePercents},
                                          {"width", ResizeMode::FixedWidth},
                                          {"height", ResizeMode::FixedHeight},
                                          {"box", ResizeMode::FixedWidthAndHeight}}));
    given.widthOption = app.add_option("--width", given.width, _("The width entry of the mode"))
                            ->type_name(given.text);
    given.heightOption = app.add_option("--height", given.height, _("The height entry of the mode"))
                             ->type_name(given.text);
    app.add_flag("--no-aspect", given.noAspect, _("Free resize without keeping the aspect ratio"));
    app.add_flag("--larger-side", s.widthIsLargestDimension,
                 _("The width entry stands for the larger side"));
    app.add_flag("--no-enlarge", s.doNotEnlarge, _("Never make a side larger than the image's"));
    given.dpiOption = app.add_option("--dpi", given.dpi,
                                     _("Resolution to write (a whole number from 1 to 1000000)"))
                          ->type_name(given.text)
                          ->check(CLI::Validator(checkDpi, "DPI"));
}

void addOutputOptions(CLI::App& app, CliRequest& request, GivenOptions& given) {
    ResizeSettings& s = request.settings;
    app.add_option("--format", given.format, _("Output format (default jpg)"))
        ->check(oneOf(formatNames()))
        ->type_name("FORMAT");
    given.qualityOption =
        app.add_option("--quality", given.quality,
                       fillIn(_("Quality in percent for %1 (default 80)"), {qualityFormatNames()}))
            ->type_name(given.text)
            ->check(CLI::Validator(checkQuality, "0-100"));
    app.add_option("--name", s.namePattern,
                   fillIn(_("File name pattern with [FileName] and [FileIndex] (default \"%1\")"),
                          {kDefaultNamePattern}))
        ->type_name(given.text);
    app.add_option("--case", given.nameCase, _("Case of the file name (default unchanged)"))
        ->type_name(given.text)
        ->transform(choiceOf<NameCase>({{"unchanged", NameCase::Unchanged},
                                        {"upper", NameCase::Upper},
                                        {"lower", NameCase::Lower}}));
    app.add_option("--output", s.outputFolder, _("Output folder"))->type_name(given.text);
    app.add_flag("--keep-folders", s.keepSubFolders,
                 _("An image found in a sub-folder of a folder given is written to the same\n"
                   "sub-folder of the output folder, made when missing"));
    app.add_flag("--keep-metadata", s.keepExifInfoAndCreationDate,
                 _("Keep the metadata and the creation date of each source"));
    // TRANSLATORS: ask, yes and no are typed as they are.
    app.add_option(
           "--overwrite", request.overwrite,
           _("Existing output files: ask (default on a terminal; without one, no), yes, no"))
        ->type_name(given.text)
        ->transform(choiceOf<OverwriteMode>(
            {{"ask", OverwriteMode::Ask}, {"yes", OverwriteMode::Yes}, {"no", OverwriteMode::No}}));
}

void addRunOptions(CLI::App& app, CliRequest& request, GivenOptions& given) {
    // TRANSLATORS: [FileIndex] is typed as it is.
    app.add_option("--index-start", request.firstIndex,
                   _("[FileIndex] of the first image (default 1), to go on numbering where an\n"
                     "earlier run over the start of a list stopped"))
        ->type_name("N")
        ->check(CLI::Validator(checkIndexStart, ""));
    given.shardOption =
        app.add_option(
               "--shard", given.shard,
               _("Write only the images K, K+N, K+2N, ... of the list (1 <= K <= N), named\n"
                 "and judged as in one run over the whole list: N processes with the same\n"
                 "arguments and K from 1 to N write what one run writes. The counts are of\n"
                 "this shard's images; --dry-run lists them. Needs --overwrite yes or no"))
            ->type_name("K/N")
            ->check(CLI::Validator(checkShard, ""));
    app.add_flag("--dry-run", request.dryRun,
                 _("Write nothing; print a line per image: source, output path, size (or fail:\n"
                   "why) and whether the output is taken, separated by tabs. A field with a\n"
                   "control character, bytes that are not UTF-8 or a single quote is printed in\n"
                   "shell quoting (ESC as $'\\033'), which bash reads back as the exact name;\n"
                   "messages show names the same way"));
    app.add_flag("--quiet", request.quiet, _("No progress line and no closing message"));
}

// The paths of --files-from after those given as arguments; false when it cannot be read.
bool readFilesFrom(const GivenOptions& given, CliRequest& request) {
    if (given.filesFrom.empty()) return true;
    std::ifstream file;
    if (given.filesFrom != "-") file.open(given.filesFrom, std::ios::binary);
    std::istream& in = given.filesFrom == "-" ? std::cin : file;
    if (!in) {
        std::fprintf(
            stderr, "%s%s\n", kUsagePrefix,
            fillIn(_("--files-from: cannot read %1"), {terminalText(given.filesFrom)}).c_str());
        return false;
    }
    for (auto& path : readPathList(in, given.nulSeparated))
        request.files.push_back(std::move(path));
    return true;
}

// The settings from the parsed options; false on a usage error, already reported.
bool applyOptions(const GivenOptions& given, CliRequest& request) {
    ResizeSettings& s = request.settings;
    chooseMode(s, given.mode);
    s.keepAspect = !given.noAspect;
    setSizeTexts(s, given.mode, given.widthOption->count() ? &given.width : nullptr,
                 given.heightOption->count() ? &given.height : nullptr);
    if (given.dpiOption->count()) {
        s.changeDPI = true;
        s.dpiText = given.dpi;
    }
    if (given.qualityOption->count()) s.quality = *qualityValue(given.quality);
    s.outputFormat = formatChoice(given.format);
    s.nameCase = static_cast<int>(given.nameCase);  // the popup's index
    if (given.shardOption->count()) {
        // No process of many can ask, and they must all answer alike.
        if (request.overwrite == OverwriteMode::Ask) {
            std::fprintf(stderr, "%s%s\n", kUsagePrefix, _("--shard: needs --overwrite yes or no"));
            return false;
        }
        request.shard = shardValue(given.shard);
    }
    return true;
}

}  // namespace

CliParse parseCommandLine(int argc, char** argv) {
    CLI::App app{_("Resizes image files into an output folder."), "varnholt-cli"};
    translateHelp(app);
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return kUsagePrefix + errorText(error) + "\n" + _("Run with --help for more information.") +
               "\n";
    });
    // The manual page is made from this help, so the exit statuses are listed here.
    // TRANSLATORS: keep the numbers and their column; the manual page is made from this text.
    app.footer(
        _("Exit status:\n"
          "  0    every image was written or skipped\n"
          "  1    an image failed, an argument was ignored or a folder could not be read\n"
          "  2    invalid usage or settings\n"
          "  130  interrupted"));
    app.set_version_flag("--version", std::string("varnholt-cli ") + VARNHOLT_VERSION,
                         _("Display program version information and exit"));

    CliRequest request;
    GivenOptions given;
    addInputOptions(app, request, given);
    addSizeOptions(app, request.settings, given);
    addOutputOptions(app, request, given);
    addRunOptions(app, request, given);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return {std::nullopt, status == 0 ? 0 : 2};
    }
    if (!readFilesFrom(given, request) || !applyOptions(given, request)) return {std::nullopt, 2};
    return {std::move(request), 0};
}

std::string inputProblem(const ResizeSettings& s, const std::string& problem) {
    std::string option;
    if (problem == _(kInvalidDimensionsMessage)) {
        const bool widthRead = resizeMode(s) == ResizeMode::FixedHeight ||
                               leadingFloatValue(sizeEntries(s).width) > 0.0f;
        option = widthRead ? "--height: " : "--width: ";
    } else if (problem == _(kInvalidDpiMessage)) {
        option = "--dpi: ";
    } else if (problem == _(kNoOutputFolderMessage)) {
        option = "--output: ";
    }
    return kUsagePrefix + option + terminalText(problem);
}

}  // namespace varnholt
