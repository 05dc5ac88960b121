// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/LibraryVersions.h"

#include <libheif/heif.h>
#include <vips/vips.h>

#include <exiv2/exiv2.hpp>

namespace varnholt {

LibraryVersions libraryVersions() {
    return {vips_version_string(), Exiv2::versionString(), heif_get_version()};
}

}  // namespace varnholt
