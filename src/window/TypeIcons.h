#pragma once

#include <QIcon>

#include <optional>
#include <string_view>

namespace varnholt {

// The name of the type icon for a path, by its lower-cased extension: "JPG" for every JPEG
// and JPEG 2000 extension, "TIF" for tif and tiff, and so on; nothing for other extensions.
std::optional<std::string_view> typeIconName(std::string_view path);

// The icon resource of that name (":/icons/JPG.png" with its @2x variant).
QIcon typeIcon(std::string_view name);

}  // namespace varnholt
