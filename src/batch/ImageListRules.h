#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/FormatTable.h"

namespace varnholt {

// Extensions accepted by drag and drop, open-with and the command line, in lower case: the
// format table's titles, the HEIF formats only where the condition holds.
std::vector<std::string> acceptedExtensions(HeifCodecs codecs);

// The open dialog's type list: the same, in the popup's order.
std::vector<std::string> openDialogExtensions(HeifCodecs codecs);

// The path's extension, lower-cased, is one of the accepted ones.
bool hasAcceptedExtension(std::string_view path, HeifCodecs codecs);

// Something the list must never take: an empty path, one that is not valid UTF-8 (it
// could not be shown or named faithfully), or one that exists but is not a regular file
// (a FIFO named x.jpg would block every reader). A path that does not exist passes.
bool isUnlistablePath(const std::string& path);

// Appends the candidates that have an accepted extension, are listable and are not
// listed yet, in order. Returns how many were added.
std::size_t appendAcceptedPaths(std::vector<std::string>& list,
                                const std::vector<std::string>& candidates, HeifCodecs codecs);

}  // namespace varnholt
