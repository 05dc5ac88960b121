// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchPlan.h"

#include <sys/stat.h>

#include <unordered_map>

#include "batch/EncodingChoice.h"
#include "batch/OutputNaming.h"

namespace varnholt {
namespace {

constexpr std::int64_t kDefaultDPI = 72;

// Any entry counts, a dangling symbolic link included: a write would replace it.
bool entryExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// A HEIF or AVIF encode takes much memory and every core by itself.
bool writesHeif(const PlannedImage& image) {
    const FormatRow* row = formatRow(image.format);
    return image.decision != OverwriteDecision::Skip && row && row->encodesAlone;
}

}  // namespace

BatchPlan planBatch(const std::vector<std::string>& sourcePaths, const ResizeSettings& settings) {
    BatchPlan plan;
    plan.outputFolder = settings.outputFolder;
    plan.images.reserve(sourcePaths.size());
    const OutputSizeRule size = outputSizeRule(settings);
    const std::int64_t dpi = dpiOverride(settings).value_or(kDefaultDPI);
    const double quality = encodingQuality(settings);
    std::unordered_map<std::string, std::size_t> firstWriter;  // either spelling
    for (std::size_t i = 0; i < sourcePaths.size(); ++i) {
        PlannedImage image;
        image.index = i;
        image.sourcePath = sourcePaths[i];
        image.outputPath =
            buildOutputPath(image.sourcePath, static_cast<std::int64_t>(i), settings);
        image.source = pathIdentity(image.sourcePath);
        image.output = pathIdentity(image.outputPath);
        image.format = encodingFormat(image.sourcePath, settings);
        image.size = size;
        image.dpi = dpi;
        image.quality = quality;
        image.keepMetadata = settings.keepExifInfoAndCreationDate;
        auto earlier = firstWriter.find(image.output.lexical);
        if (earlier == firstWriter.end()) earlier = firstWriter.find(image.output.resolved);
        if (earlier != firstWriter.end()) {
            image.sameOutputAs = earlier->second;
        } else {
            firstWriter.emplace(image.output.lexical, i);
            firstWriter.emplace(image.output.resolved, i);
        }
        image.outputExists = entryExists(image.outputPath);
        plan.images.push_back(std::move(image));
    }
    return plan;
}

std::string outputConflict(const PlannedImage& image) {
    if (image.sameOutputAs) return "clash with image " + std::to_string(*image.sameOutputAs + 1);
    return image.outputExists ? "exists" : "";
}

bool sharesFile(const PlannedImage& a, const PlannedImage& b) {
    if (writesHeif(a) && writesHeif(b)) return true;
    const bool aWrites = a.decision != OverwriteDecision::Skip;
    const bool bWrites = b.decision != OverwriteDecision::Skip;
    if (aWrites && bWrites && sameEntry(a.output, b.output)) return true;
    if (aWrites && sameEntry(a.output, b.source)) return true;
    return bWrites && sameEntry(b.output, a.source);
}

}  // namespace varnholt
