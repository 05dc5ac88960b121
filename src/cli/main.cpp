// varnholt-cli: the batch of the window, driven from the command line.

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "batch/BatchInputChecks.h"
#include "batch/BatchJob.h"
#include "batch/BatchOutputSize.h"
#include "batch/EncodingChoice.h"
#include "batch/FolderExpansion.h"
#include "batch/ImageListRules.h"
#include "batch/OutputNaming.h"
#include "cli/CliRequest.h"
#include "cli/ConsoleReport.h"
#include "cli/TerminalQuestion.h"
#include "imaging/ImageTools.h"

namespace varnholt {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// Until the batch runs, an interrupt ends the program at once (nothing is written yet);
// during the batch the first one stops it after the images in progress, so that no write is
// cut off, and a second one ends the program.
std::atomic<bool> gBatchRunning{false};
std::atomic<bool> gStopWanted{false};

extern "C" void onInterrupt(int signal) {
    if (gBatchRunning.load() && !gStopWanted.exchange(true)) return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void installInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

std::string listPath(const std::string& file) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(file, error);
    if (error) return file;
    // "link/.." is not the folder holding "link" when link is a symbolic link: a folder
    // with ".." is resolved the way the system resolves it, the rest only tidied.
    for (const auto& part : absolute) {
        if (part != "..") continue;
        const auto folder = std::filesystem::weakly_canonical(absolute.parent_path(), error);
        return error ? absolute.string() : (folder / absolute.filename()).string();
    }
    return absolute.lexically_normal().string();
}

bool namesHeif(const std::string& file) {
    return hasAcceptedExtension(file, true) && !hasAcceptedExtension(file, false);
}

// The HEIF probe costs an encoder start, which can hang under a tight memory limit: it runs
// only when a HEIF file or a folder is named or HEIF is to be written.
bool heifWanted(const CliRequest& request) {
    const OutputFormat format = chosenFormat(request.settings).value_or(OutputFormat::JPG);
    const auto namesHeifOrFolder = [](const std::string& file) {
        std::error_code ignored;
        return namesHeif(file) || std::filesystem::is_directory(file, ignored);
    };
    return format == OutputFormat::HEIF || format == OutputFormat::HEIC ||
           std::any_of(request.files.begin(), request.files.end(), namesHeifOrFolder);
}

struct FileList {
    std::vector<std::string> paths;
    bool anyIgnored = false;
};

void ignore(FileList& list, const std::string& file, const char* why) {
    std::fprintf(stderr, "%s: %s, ignored\n", file.c_str(), why);
    list.anyIgnored = true;
}

// The window's list rules over the files as given, a folder standing for the images inside it;
// every refused file and every folder without images is named.
FileList buildList(const std::vector<std::string>& files, bool heif) {
    FileList list;
    for (const auto& given : files) {
        const std::vector<std::string> found = expandFolders({given}, heif);
        if (found.empty()) ignore(list, given, "a folder without accepted images");
        for (const auto& file : found) {
            const std::string path = listPath(file);
            if (!hasAcceptedExtension(path, heif)) {
                ignore(list, file, "not an accepted image file");
            } else if (isUnlistablePath(path)) {
                ignore(list, file,
                       path.empty() || std::filesystem::exists(path) ? "not a regular file"
                                                                     : "not a valid file name");
            } else if (appendAcceptedPaths(list.paths, {path}, heif) == 0) {
                ignore(list, file, "listed already");
            }
        }
    }
    return list;
}

std::string plannedSize(const std::string& source, const ResizeSettings& settings) {
    const auto opened = ImageTools::openImage(source);
    if (const auto* failure = std::get_if<ImageFailure>(&opened))
        return "fail: " + failure->describe();
    const Image& image = std::get<Image>(opened);
    const auto pixels =
        wholePixels(computeBatchOutputSize(image.width(), image.height(), settings));
    if (!pixels) return "fail: size not usable";
    const auto format = encodingFormat(source, settings);
    if (const auto failure = ImageTools::checkOutputSize(pixels->width, pixels->height, format)) {
        return "fail: " + failure->describe();
    }
    return std::to_string(pixels->width) + "x" + std::to_string(pixels->height);
}

// One line per image: source, output path, planned size or why it fails, and whether the
// output path is taken.
bool dryRun(const std::vector<std::string>& list, const ResizeSettings& settings) {
    bool anyFails = false;
    const auto conflicts = outputConflicts(list, settings);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string output = buildOutputPath(list[i], static_cast<std::int64_t>(i), settings);
        const std::string size = plannedSize(list[i], settings);
        anyFails = anyFails || size.rfind("fail", 0) == 0;
        std::printf("%s\t%s\t%s%s%s\n", list[i].c_str(), output.c_str(), size.c_str(),
                    conflicts[i].empty() ? "" : "\t", conflicts[i].c_str());
    }
    return !anyFails;
}

std::unique_ptr<OverwriteQuestion> overwriteQuestion(OverwriteMode mode) {
    if (mode == OverwriteMode::Yes) return std::make_unique<FixedAnswer>(OverwriteAnswer::YesToAll);
    if (mode == OverwriteMode::Ask) {
        if (auto terminal = TerminalQuestion::open()) return terminal;
    }
    return std::make_unique<FixedAnswer>(OverwriteAnswer::NoToAll);
}

// The batch's outcome: true when every image was written or skipped.
std::optional<bool> runBatch(const std::vector<std::string>& list, const CliRequest& request) {
    const auto question = overwriteQuestion(request.overwrite);
    auto decisions = confirmOverwrites(list, request.settings, *question);

    ConsoleReport report(!request.quiet && isatty(STDERR_FILENO),
                         outputConflicts(list, request.settings));
    BatchJob job(list, request.settings, std::move(decisions), report);
    gBatchRunning.store(true);
    job.start();
    std::optional<BatchResult> result;
    bool stopAsked = false;
    while (!(result = report.waitForResult(std::chrono::milliseconds(100)))) {
        if (gStopWanted.load() && !stopAsked) {
            stopAsked = true;
            job.requestStop();
        }
    }
    job.wait();
    gBatchRunning.store(false);

    if (result->stopped) {
        std::fprintf(stderr, "%s\n", closingMessage(*result).c_str());
        return std::nullopt;
    }
    if (!request.quiet)
        std::printf("%s\n", std::string(finalMessage(result->allSucceeded)).c_str());
    return result->allSucceeded;
}

int run(int argc, char** argv) {
    installInterruptHandler();
    ImageTools::Runtime runtime(argv[0]);
    CliParse parsed = parseCommandLine(argc, argv);
    if (!parsed.request) return parsed.exitStatus;
    const CliRequest& request = *parsed.request;

    const bool heif = heifWanted(request) && ImageTools::heifSupported();
    const auto format = chosenFormat(request.settings);
    if (!heif && (format == OutputFormat::HEIF || format == OutputFormat::HEIC)) {
        std::fprintf(stderr, "--format: HEIF cannot be written on this system\n");
        return kExitUsage;
    }
    const FileList list = buildList(request.files, heif);
    if (const auto problem = checkBatchInputs(list.paths.size(), request.settings)) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return kExitUsage;
    }
    const std::optional<bool> succeeded = request.dryRun
                                              ? std::optional(dryRun(list.paths, request.settings))
                                              : runBatch(list.paths, request);
    if (!succeeded) return kExitInterrupted;
    return *succeeded && !list.anyIgnored ? 0 : kExitFailed;
}

}  // namespace
}  // namespace varnholt

int main(int argc, char** argv) { return varnholt::run(argc, argv); }
