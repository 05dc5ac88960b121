// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/FileUrls.h"

#include <QByteArray>
#include <QString>

namespace varnholt {

QUrl fileUrlFromPath(const std::string& path) {
    const QByteArray encoded = QByteArray::fromStdString(path).toPercentEncoding("/");
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setPath(QString::fromLatin1(encoded), QUrl::StrictMode);
    return url;
}

std::optional<std::string> pathFromFileUrl(const QUrl& url) {
    if (!url.isLocalFile()) return std::nullopt;
    const QString host = url.host();
    if (!host.isEmpty() && host != QStringLiteral("localhost")) return std::nullopt;
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    return QByteArray::fromPercentEncoding(encoded).toStdString();
}

std::vector<std::string> pathsFromFileUrls(const QList<QUrl>& urls) {
    std::vector<std::string> paths;
    for (const QUrl& url : urls) {
        if (auto path = pathFromFileUrl(url)) paths.push_back(std::move(*path));
    }
    return paths;
}

std::string absolutePath(const std::string& argument, const std::string& folder) {
    if (argument.empty() || argument.front() == '/') return argument;
    std::string_view relative = argument;
    while (relative.starts_with("./")) relative.remove_prefix(2);
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    path += relative;
    return path;
}

}  // namespace varnholt
