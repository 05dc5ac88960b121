// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch/BatchOutputSize.h"
#include "batch/PathIdentity.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

// What the batch does at one image's output path.
enum class OverwriteDecision {
    Write,      // nothing there: write
    Overwrite,  // something there and the user agreed to replace it
    Skip,       // something there and the user declined: leave it exactly as it is
};

// One image of a batch with everything about it decided on the calling thread before the
// run: the worker reads it and reads no setting text.
struct PlannedImage {
    std::size_t index = 0;
    std::string sourcePath;
    std::string outputPath;    // buildOutputPath of the source at index
    bool inSubFolder = false;  // outputPath lies in a sub-folder made just before the write
    PathIdentity source;
    PathIdentity output;
    OutputFormat format = OutputFormat::JPG;  // concrete: "Original" already resolved
    OutputSizeRule size;
    std::int64_t dpi = kDefaultDpi;  // every output states one: the override, else the default
    double quality = 0.8;            // the encoder's factor
    bool keepMetadata = false;
    // Why the output path is taken before the run, if it is: an earlier image of the list
    // (its index) writes the same entry, or an entry is there already.
    std::optional<std::size_t> sameOutputAs;
    bool outputExists = false;
    OverwriteDecision decision = OverwriteDecision::Write;  // confirmOverwrites settles it
};

struct BatchPlan {
    std::string outputFolder;
    std::vector<PlannedImage> images;  // in list order
};

// Reads the settings once for every image of the list; every decision is Write until
// confirmOverwrites. Looks at the file system only to tell which output paths are taken.
// firstIndex is the [FileIndex] of the first image, so that a list split into runs can go on
// numbering where the run before stopped. subFolders, beside the paths (it may be shorter),
// holds the folder each image was found in relative to the folder walked; with keepSubFolders
// an image goes to that folder under the output folder.
BatchPlan planBatch(const std::vector<std::string>& sourcePaths, const ResizeSettings& settings,
                    std::int64_t firstIndex = 1, const std::vector<std::string>& subFolders = {});

// One of count processes that share a batch: each plans the whole list, so names, clashes and
// decisions are those of a single run, and writes the images at list positions part,
// part + count, part + 2 count, ... (1-based).
struct Shard {
    std::size_t part = 1;
    std::size_t count = 1;
    bool has(std::size_t index) const { return index % count == part - 1; }
};

// Two images (list indices) of different shards where one writes a file the other writes or
// reads: a single run orders them, separate processes would race. Call after confirmOverwrites.
std::optional<std::pair<std::size_t, std::size_t>> crossShardWrite(const BatchPlan& plan,
                                                                   const Shard& shard);

// Leaves only the images of the shard, their list indices unchanged.
void keepShard(BatchPlan& plan, const Shard& shard);

// "clash with image N" (1-based) when an earlier image has the same output path, "exists"
// for an entry already there, empty when the path is free.
std::string outputConflict(const PlannedImage& image);

// The two must not run at the same time: one writes what the other reads or writes (two
// reads of one file do not conflict), or both use an encoder that takes much memory and every
// core by itself (HEIF, AVIF).
bool sharesFile(const PlannedImage& a, const PlannedImage& b);

}  // namespace varnholt
