// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

#include <optional>
#include <string_view>

namespace varnholt {

// The name of the type icon for a path, by its lower-cased extension: the badge text of the
// format table's row ("JPG" for every JPEG and JPEG 2000 extension, "TIF" for tif and tiff);
// nothing for other extensions.
std::optional<std::string_view> typeIconName(std::string_view path);

// The badge of that name, drawn in its row's colour at single and double scale.
QIcon typeIcon(std::string_view name);

}  // namespace varnholt
