// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "imaging/ImageTools.h"

namespace varnholt::testing {

std::string testdata(const std::string& relative);

using varnholt::TempFolder;

// Standard output of a shell command; empty when it cannot be started.
std::string run(const std::string& command);
std::string quoted(const std::string& path);

// exiftool's tags (-n) by name, per path, from one run; the first of equal names wins.
using Tags = std::map<std::string, std::string>;
std::map<std::string, Tags> exiftoolTagsOfFiles(const std::vector<std::string>& paths,
                                                const std::string& options = "");
std::optional<std::string> tagValue(const Tags& tags, const std::string& name);

std::vector<std::uint8_t> fileBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The rows of the corpus's INDEX.tsv, by column name.
const std::vector<std::map<std::string, std::string>>& indexRows();

// Loads and scales a file, throwing when that is impossible.
Image scaledImage(const std::string& path, std::int64_t width, std::int64_t height);

// The steps the batch takes for one image; with keep, the source's metadata and date are
// kept. A source that cannot be opened fails with its reason.
SaveResult saveResized(const std::string& source, const std::string& output, OutputFormat format,
                       int width, int height, bool keep, std::int64_t dpi = 72,
                       double quality = 0.8);

// A written file as a viewer shows it (orientation applied), scaled, as RGBA.
std::optional<RgbaPixels> displayedPixels(const std::string& path, int width, int height);

// Mean absolute difference over the RGB channels, 0..255.
double meanDifference(const RgbaPixels& a, const RgbaPixels& b);

}  // namespace varnholt::testing
