// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vips/vips8>

#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/SourceFile.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

// Dots per inch, horizontally and vertically, as a file states them.
struct Resolution {
    double x = 0;
    double y = 0;
};

// What the file states by its format's own rules; nullopt where it states nothing usable
// (libvips invents a default resolution for most formats, which must not count).
std::optional<Resolution> statedResolution(const SourceFile& file, const vips::VImage& header);

// The stated horizontal resolution rounded to whole dots per inch, else kDefaultDpi.
std::int64_t dpiOrDefault(const std::optional<Resolution>& stated);

// JPEG 2000 keeps its resolution in the "res " box inside the header box ("resc" capture,
// "resd" display; capture wins when both are there).
std::optional<Resolution> readJp2Resolution(const SourceFile& file);
// Adds a "res " box with both entries at dpi to an encoded JP2 file; false when the bytes
// are no JP2 file.
bool insertJp2Resolution(std::vector<std::uint8_t>& jp2, std::int64_t dpi);

}  // namespace varnholt
