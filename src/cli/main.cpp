// SPDX-License-Identifier: GPL-3.0-or-later
// varnholt-cli: the batch of the window, driven from the command line.

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "batch/BatchInputChecks.h"
#include "batch/BatchJob.h"
#include "batch/BatchPlan.h"
#include "batch/ImageListRules.h"
#include "batch/ImageProcessor.h"
#include "batch/OverwriteConfirmation.h"
#include "cli/CliRequest.h"
#include "cli/ConsoleReport.h"
#include "cli/FileList.h"
#include "cli/TerminalQuestion.h"
#include "cli/TerminalText.h"
#include "imaging/ImageTools.h"
#include "settings/Translation.h"

namespace varnholt {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// Until the batch runs, an interrupt ends the program at once (nothing is written yet);
// during the batch the first one stops it: the images in progress get a grace time to finish
// their writes, then the batch ends without them. A second one ends the program at once.
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

// A file whose extension only the HEIF condition admits.
bool namesHeif(const std::string& file) {
    return hasAcceptedExtension(file, true) && !hasAcceptedExtension(file, false);
}

// HEIF support is asked about only when a HEIF or AVIF file or a folder is named or such a
// format is to be written.
bool heifWanted(const CliRequest& request) {
    const FormatRow* row = formatRow(chosenFormat(request.settings).value_or(OutputFormat::JPG));
    const auto namesHeifOrFolder = [](const std::string& file) {
        std::error_code ignored;
        return namesHeif(file) || std::filesystem::is_directory(file, ignored);
    };
    return (row && row->needs != Needs::Nothing) ||
           std::any_of(request.files.begin(), request.files.end(), namesHeifOrFolder);
}

// The size the image would be written at, or why it would fail.
std::variant<WholePixels, ImageFailure> plannedSize(const PlannedImage& planned) {
    auto opened = ImageTools::openImage(planned.sourcePath);
    if (auto* failure = std::get_if<ImageFailure>(&opened)) return std::move(*failure);
    return plannedPixels(planned, std::get<Image>(opened));
}

// One line per image: source, output path, planned size or why it fails, and whether the
// output path is taken, each field as terminalText. True when no image would fail.
bool dryRun(const BatchPlan& plan) {
    bool anyFails = false;
    for (const PlannedImage& image : plan.images) {
        const auto size = plannedSize(image);
        std::string sizeText;
        if (const auto* failure = std::get_if<ImageFailure>(&size)) {
            anyFails = true;
            // TRANSLATORS: the size field of a --dry-run line for an image that would fail.
            sizeText = fillIn(_("fail: %1"), {failure->describe()});
        } else {
            const auto& pixels = std::get<WholePixels>(size);
            sizeText = std::to_string(pixels.width) + "x" + std::to_string(pixels.height);
        }
        const std::string conflict = outputConflict(image);
        std::printf("%s\t%s\t%s%s%s\n", terminalText(image.sourcePath).c_str(),
                    terminalText(image.outputPath).c_str(), terminalText(sizeText).c_str(),
                    conflict.empty() ? "" : "\t", conflict.c_str());
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

// The counts of the batch's images; a shard says that they are its own.
std::string countsLine(const BatchResult& result, const CliRequest& request) {
    if (!request.shard) return outcomeCounts(result);
    // TRANSLATORS: %1/%2 is this process's part of the list, %3 the counts of its images.
    return fillIn(_("Shard %1/%2: %3"),
                  {std::to_string(request.shard->part), std::to_string(request.shard->count),
                   outcomeCounts(result)});
}

// The batch's outcome: true when every image was written or skipped and no argument was
// ignored. The closing sentence says the same, then the counts follow, as in the window.
std::optional<bool> runBatch(BatchPlan plan, const CliRequest& request, bool anyIgnored) {
    std::vector<std::string> conflicts;
    conflicts.reserve(plan.images.size());
    for (const PlannedImage& image : plan.images) conflicts.push_back(outputConflict(image));
    ConsoleReport report(!request.quiet && isatty(STDERR_FILENO), std::move(conflicts));
    BatchJob job(std::move(plan), report);
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
        std::fprintf(stderr, "%s\n%s\n", closingMessage(*result).c_str(),
                     countsLine(*result, request).c_str());
        // An image given up may still be running inside the image libraries: the program
        // ends here rather than shut them down under it. Its writes are disowned already.
        if (job.abandonedWork()) {
            std::fflush(nullptr);
            std::_Exit(kExitInterrupted);
        }
        return std::nullopt;
    }
    const bool succeeded = result->allSucceeded && !anyIgnored;
    if (!request.quiet) {
        std::printf("%s\n%s\n", std::string(finalMessage(succeeded)).c_str(),
                    countsLine(*result, request).c_str());
    }
    return succeeded;
}

int run(int argc, char** argv) {
    installInterruptHandler();
    // Texts in the user's language, folders sorted by the user's collation; numbers are still
    // read and written in C.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    setUpTranslations();
    ImageTools::Runtime runtime(argv[0]);
    CliParse parsed = parseCommandLine(argc, argv);
    if (!parsed.request) return parsed.exitStatus;
    const CliRequest& request = *parsed.request;

    const HeifCodecs heif = heifWanted(request) ? ImageTools::heifCodecs() : HeifCodecs{};
    const FormatRow* row = formatRow(chosenFormat(request.settings).value_or(OutputFormat::JPG));
    if (row && !formatAvailable(*row, heif)) {
        std::fprintf(
            stderr, "%s%s\n", kUsagePrefix,
            fillIn(_("--format: %1 cannot be written on this system"), {row->title}).c_str());
        return kExitUsage;
    }
    const FileList list = buildList(request.files, heif);
    // A dry run writes nothing, the output folder included.
    const auto problem = request.dryRun ? checkBatchInputs(list.paths.size(), request.settings)
                                        : prepareBatch(list.paths.size(), request.settings);
    if (problem) {
        std::fprintf(stderr, "%s\n", inputProblem(request.settings, *problem).c_str());
        return kExitUsage;
    }
    // The settings are read once, here, for the whole batch.
    BatchPlan plan = planBatch(list.paths, request.settings, request.firstIndex, list.subFolders);
    if (request.dryRun) {
        if (request.shard) keepShard(plan, *request.shard);
        return dryRun(plan) && !list.anyIgnored ? 0 : kExitFailed;
    }
    const auto question = overwriteQuestion(request.overwrite);
    confirmOverwrites(plan, *question);
    if (request.shard) {
        if (const auto tie = crossShardWrite(plan, *request.shard)) {
            std::fprintf(stderr, "%s%s\n", kUsagePrefix,
                         fillIn(_("--shard: images %1 and %2 write or read one file, which only "
                                  "a run without --shard can order"),
                                {std::to_string(tie->first + 1), std::to_string(tie->second + 1)})
                             .c_str());
            return kExitUsage;
        }
        keepShard(plan, *request.shard);
    }
    const std::optional<bool> succeeded = runBatch(std::move(plan), request, list.anyIgnored);
    if (!succeeded) return kExitInterrupted;
    return *succeeded ? 0 : kExitFailed;
}

}  // namespace
}  // namespace varnholt

int main(int argc, char** argv) { return varnholt::run(argc, argv); }
