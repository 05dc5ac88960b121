// varnholt-cli: the batch of the window, driven from the command line.

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "batch/BatchInputChecks.h"
#include "batch/BatchJob.h"
#include "batch/BatchOutputSize.h"
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

// The window's list rules over the files as given; refused files are named.
std::vector<std::string> buildList(const std::vector<std::string>& files, bool heif) {
    std::vector<std::string> list;
    for (const auto& file : files) {
        const std::string path = listPath(file);
        if (!hasAcceptedExtension(path, heif) || isUnlistablePath(path)) {
            std::fprintf(stderr, "%s: not an accepted image file, ignored\n", file.c_str());
            continue;
        }
        appendAcceptedPaths(list, {path}, heif);
    }
    return list;
}

std::string plannedSize(const std::string& source, const ResizeSettings& settings) {
    const auto size = ImageTools::readPixelSize(source);
    if (!size) return "fail";
    const auto pixels = wholePixels(computeBatchOutputSize(size->width, size->height, settings));
    if (!pixels) return "fail";
    return std::to_string(pixels->width) + "x" + std::to_string(pixels->height);
}

int dryRun(const std::vector<std::string>& list, const ResizeSettings& settings) {
    bool anyFails = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string output = buildOutputPath(list[i], static_cast<std::int64_t>(i), settings);
        const std::string size = plannedSize(list[i], settings);
        anyFails = anyFails || size == "fail";
        std::printf("%s\t%s\t%s\n", list[i].c_str(), output.c_str(), size.c_str());
    }
    return anyFails ? kExitFailed : 0;
}

std::unique_ptr<OverwriteQuestion> overwriteQuestion(OverwriteMode mode) {
    if (mode == OverwriteMode::Yes) return std::make_unique<FixedAnswer>(OverwriteAnswer::YesToAll);
    if (mode == OverwriteMode::Ask) {
        if (auto terminal = TerminalQuestion::open()) return terminal;
    }
    return std::make_unique<FixedAnswer>(OverwriteAnswer::NoToAll);
}

int runBatch(const std::vector<std::string>& list, const CliRequest& request) {
    const auto question = overwriteQuestion(request.overwrite);
    auto decisions = confirmOverwrites(list, request.settings, *question);

    ConsoleReport report(!request.quiet && isatty(STDERR_FILENO));
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
        std::fprintf(stderr, "Stopped after %zu of %zu images.\n", result->outcomes.size(),
                     result->count);
        return kExitInterrupted;
    }
    if (!request.quiet)
        std::printf("%s\n", std::string(finalMessage(result->allSucceeded)).c_str());
    return result->allSucceeded ? 0 : kExitFailed;
}

int run(int argc, char** argv) {
    installInterruptHandler();
    ImageTools::Runtime runtime(argv[0]);
    const bool heif = ImageTools::heifSupported();
    CliParse parsed = parseCommandLine(argc, argv, heif);
    if (!parsed.request) return parsed.exitStatus;
    const CliRequest& request = *parsed.request;

    const std::vector<std::string> list = buildList(request.files, heif);
    if (const auto problem = checkBatchInputs(list.size(), request.settings)) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return kExitUsage;
    }
    if (request.dryRun) return dryRun(list, request.settings);
    return runBatch(list, request);
}

}  // namespace
}  // namespace varnholt

int main(int argc, char** argv) { return varnholt::run(argc, argv); }
