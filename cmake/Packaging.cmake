# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: cpack -G DEB in a Release build makes varnholt_<version>_amd64.deb.
# Its Depends are read from the installed binaries (dpkg-shlibdeps, from dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnholt)
set(CPACK_PACKAGE_VENDOR "Varnholt developers")
set(VARNHOLT_MAINTAINER "Varnholt developers <varnholt@users.noreply.github.com>"
    CACHE STRING "The package's maintainer: a name and an e-mail address")
set(CPACK_PACKAGE_CONTACT "${VARNHOLT_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VARNHOLT_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch image resizer")
# The extended description; CPack puts the summary above it and indents it for Debian.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Varnholt resizes many image files in one go: in pixels with or without the\n"
    "aspect ratio, in percent, to a fixed width or height, or to fit a box. It\n"
    "writes JPEG, JPEG 2000, PNG, TIFF, GIF, BMP, HEIF, WebP, AVIF or JPEG XL, can\n"
    "set a new DPI, names the files by a pattern and can keep their metadata and\n"
    "dates.\n"
    "\n"
    "The package holds the window (varnholt) and the command line (varnholt-cli).")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its display plugins and its own catalogues at run time, so no binary names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
include(CPack)
