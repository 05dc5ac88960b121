// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QUrl>

#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// Local paths travel through the window as file URLs. Linux file names are bytes and need
// not be valid UTF-8; these keep the bytes intact (undecodable ones stay percent-encoded in
// the URL) so such names can be recognised and skipped instead of being silently mangled
// into a different, valid-looking name.

// The file URL of a local path given as bytes.
QUrl fileUrlFromPath(const std::string& path);

// The local path of a file URL as bytes; nullopt for a URL that is not a local file.
std::optional<std::string> pathFromFileUrl(const QUrl& url);

// The local paths of the URLs that are local files, in order.
std::vector<std::string> pathsFromFileUrls(const QList<QUrl>& urls);

// An absolute path for a command-line argument given relative to folder.
std::string absolutePath(const std::string& argument, const std::string& folder);

}  // namespace varnholt
