#pragma once

#include "batch/BatchReport.h"
#include "batch/ImageTask.h"
#include "settings/ResizeSettings.h"

namespace varnholt {

// Resizes one image of a batch into its output file and says what became of it. Reads the
// source, computes the size by the batch's rules, and writes the output in one atomic replace
// unless the decision is Skip. An image that cannot be read, whose size is unusable or whose
// write fails leaves every existing file as it was. Safe to run for several images at once
// as long as they share no file.
ImageOutcome processImage(const ImageTask& task, const ResizeSettings& settings);

}  // namespace varnholt
