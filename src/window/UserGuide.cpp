// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/UserGuide.h"

#include <QFileInfo>

namespace varnholt {

QStringList userGuideCandidates(const QString& applicationDir) {
    return {
        applicationDir + QStringLiteral("/../share/doc/varnholt/user-guide.html"),
        QStringLiteral(VARNHOLT_INSTALLED_GUIDE),
        QStringLiteral(VARNHOLT_SOURCE_GUIDE),
    };
}

QUrl userGuideUrl(const QStringList& candidates) {
    for (const QString& candidate : candidates) {
        const QFileInfo file(candidate);
        if (file.isFile()) return QUrl::fromLocalFile(file.canonicalFilePath());
    }
    return {};
}

}  // namespace varnholt
