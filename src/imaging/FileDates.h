// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/ImageTools.h"

namespace varnholt {

FileTime currentFileTime();

// ImageTools::readCreationDate for an open file.
std::optional<FileTime> creationDateOf(int descriptor);

}  // namespace varnholt
