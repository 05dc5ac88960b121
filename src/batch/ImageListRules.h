// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/FormatTable.h"

namespace varnholt {

// Extensions the image list accepts, in lower case: the format table's titles, the HEIF
// formats only where the condition holds.
std::vector<std::string> acceptedExtensions(HeifCodecs codecs);

// The open dialog's type list: the same, in the popup's order.
std::vector<std::string> openDialogExtensions(HeifCodecs codecs);

// The path's extension, lower-cased, is one of the accepted ones.
bool hasAcceptedExtension(std::string_view path, HeifCodecs codecs);

}  // namespace varnholt
