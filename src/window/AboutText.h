// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "imaging/LibraryVersions.h"

namespace varnholt {

// The text of Help > About Varnholt: the version, the licence, the libraries in use and the
// home page when the build names one (homePage empty: none).
QString aboutText(const QString& version, const LibraryVersions& libraries,
                  const QString& homePage);

}  // namespace varnholt
