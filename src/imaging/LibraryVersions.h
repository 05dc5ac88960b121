// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace varnholt {

// The versions of the image libraries this process runs with (not those it was built
// against), as each library states them.
struct LibraryVersions {
    std::string vips;
    std::string exiv2;
    std::string heif;
};
LibraryVersions libraryVersions();

}  // namespace varnholt
