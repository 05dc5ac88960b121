#pragma once

#include "imaging/ImageTools.h"

namespace varnholt {

FileTime currentFileTime();

}  // namespace varnholt
