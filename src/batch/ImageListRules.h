#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// Extensions accepted by drag and drop, open-with and the command line, in lower case;
// "heif" and "heic" only where HEIF can be read.
std::vector<std::string> acceptedExtensions(bool heifAvailable);

// The open dialog's type list (note "tiff" before "tif" and "gif" after them).
std::vector<std::string> openDialogExtensions(bool heifAvailable);

// The path's extension, lower-cased, is one of the accepted ones.
bool hasAcceptedExtension(std::string_view path, bool heifAvailable);

// Something the list must never take: an empty path, one that is not valid UTF-8 (it
// could not be shown or named faithfully), or one that exists but is not a regular file
// (a FIFO named x.jpg would block every reader). A path that does not exist passes.
bool isUnlistablePath(const std::string& path);

// Appends the candidates that have an accepted extension, are listable and are not
// listed yet, in order. Returns how many were added.
std::size_t appendAcceptedPaths(std::vector<std::string>& list,
                                const std::vector<std::string>& candidates, bool heifAvailable);

}  // namespace varnholt
