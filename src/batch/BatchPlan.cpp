// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/BatchPlan.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <unordered_map>

#include "batch/EncodingChoice.h"
#include "batch/OutputNaming.h"
#include "settings/Translation.h"

namespace varnholt {
namespace {

// Any entry counts, a dangling symbolic link included: a write would replace it.
bool entryExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// An encoder that takes much memory and every core by itself (HEIF, AVIF).
bool writesWithEncoderAlone(const PlannedImage& image) {
    const FormatRow* row = formatRow(image.format);
    return image.decision != OverwriteDecision::Skip && row && row->encodesAlone;
}

}  // namespace

BatchPlan planBatch(const std::vector<std::string>& sourcePaths, const ResizeSettings& settings,
                    std::int64_t firstIndex, const std::vector<std::string>& subFolders) {
    BatchPlan plan;
    plan.outputFolder = settings.outputFolder;
    plan.images.reserve(sourcePaths.size());
    const OutputSizeRule size = outputSizeRule(settings);
    const std::int64_t dpi = dpiOverride(settings).value_or(kDefaultDpi);
    const double quality = encodingQuality(settings);
    std::unordered_map<std::string, std::size_t> firstWriter;  // either spelling
    for (std::size_t i = 0; i < sourcePaths.size(); ++i) {
        PlannedImage image;
        image.index = i;
        image.sourcePath = sourcePaths[i];
        const std::int64_t fileIndex = firstIndex - 1 + static_cast<std::int64_t>(i);
        image.inSubFolder =
            settings.keepSubFolders && i < subFolders.size() && !subFolders[i].empty();
        image.outputPath =
            image.inSubFolder
                ? buildOutputPath(
                      image.sourcePath, fileIndex, settings.namePattern,
                      settings.outputFormat.title,
                      (std::filesystem::path(settings.outputFolder) / subFolders[i]).string(),
                      nameCaseFromIndex(settings.nameCase))
                : buildOutputPath(image.sourcePath, fileIndex, settings);
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
    if (image.sameOutputAs)
        return fillIn(_("clash with image %1"), {std::to_string(*image.sameOutputAs + 1)});
    // TRANSLATORS: the output file of an image is there already.
    return image.outputExists ? _("exists") : "";
}

std::optional<std::pair<std::size_t, std::size_t>> crossShardWrite(const BatchPlan& plan,
                                                                   const Shard& shard) {
    std::unordered_map<std::string, std::size_t> readers;  // either spelling of each source
    for (const PlannedImage& image : plan.images) {
        readers.emplace(image.source.lexical, image.index);
        readers.emplace(image.source.resolved, image.index);
    }
    const auto apart = [&](std::size_t a, std::size_t b) {
        return a % shard.count != b % shard.count;
    };
    for (const PlannedImage& image : plan.images) {
        if (image.decision == OverwriteDecision::Skip) continue;
        if (image.sameOutputAs && apart(*image.sameOutputAs, image.index))
            return std::pair(*image.sameOutputAs, image.index);
        for (const std::string* spelling : {&image.output.lexical, &image.output.resolved}) {
            const auto reader = readers.find(*spelling);
            if (reader != readers.end() && apart(reader->second, image.index))
                return std::pair(std::min(reader->second, image.index),
                                 std::max(reader->second, image.index));
        }
    }
    return std::nullopt;
}

void keepShard(BatchPlan& plan, const Shard& shard) {
    std::erase_if(plan.images, [&](const PlannedImage& image) { return !shard.has(image.index); });
}

bool sharesFile(const PlannedImage& a, const PlannedImage& b) {
    if (writesWithEncoderAlone(a) && writesWithEncoderAlone(b)) return true;
    const bool aWrites = a.decision != OverwriteDecision::Skip;
    const bool bWrites = b.decision != OverwriteDecision::Skip;
    if (aWrites && bWrites && sameEntry(a.output, b.output)) return true;
    if (aWrites && sameEntry(a.output, b.source)) return true;
    return bWrites && sameEntry(b.output, a.source);
}

}  // namespace varnholt
