// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <variant>

#include "batch/BatchOutputSize.h"
#include "batch/BatchPlan.h"
#include "batch/BatchReport.h"
#include "imaging/ImageTools.h"

namespace varnholt {

// The size the image is written at, or why it cannot be: the plan's size rule applied to the
// opened picture's pixel size, then the format's own limits.
std::variant<WholePixels, ImageFailure> plannedPixels(const PlannedImage& planned,
                                                      const Image& opened);

// Resizes one image of a batch into its output file and says what became of it. Reads the
// source, sizes it by the plan, and writes the output in one atomic replace unless the
// decision is Skip. An image that cannot be read, whose size is unusable or whose write
// fails leaves every existing file as it was. Safe to run for several images at once as long
// as they share no file.
ImageOutcome processImage(const PlannedImage& planned);

}  // namespace varnholt
