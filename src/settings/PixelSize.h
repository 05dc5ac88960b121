// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace varnholt {

// Width by height in pixels, the sides as computed: a file's upright size, a size a formula
// gave, a size read back from the labels. Sides may hold fractions, be 0, negative or not finite.
//
// The window and the batch size an image by two formulas on purpose. The window's display
// (computeOutputDimensions, settings/OutputDimensions.h) works on the entries as typed: an entry
// passes through as text, computed sides are rounded, percentages too, and "do not enlarge"
// first puts the image's own sides in place of the entries that would enlarge it. The batch
// (computeBatchOutputSize, batch/BatchOutputSize.h) works on the entries read as numbers, keeps
// the fractions of percentages until wholePixels truncates them, and clamps each computed side
// to the image's own afterwards. Each matches what its side of the program has always shown or
// written; the entries as text (SizeEntries, OutputDimensions) and decoded pixels (RgbaPixels)
// keep their own types.
struct PixelSize {
    double width = 0;
    double height = 0;

    bool operator==(const PixelSize&) const = default;
};

// Whole pixels, each side at least 1: what is rendered or written.
struct WholePixels {
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool operator==(const WholePixels&) const = default;
};

}  // namespace varnholt
