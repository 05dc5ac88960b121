// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/AboutText.h"

#include <QStringList>
#include <QtGlobal>

#include "window/UiText.h"

namespace varnholt {

QString aboutText(const QString& version, const LibraryVersions& libraries,
                  const QString& homePage) {
    QStringList paragraphs{
        uiText("This is Varnholt %1, which resizes, converts and renames many images at once.")
            .arg(version),
        uiText("Varnholt is free software: you may share and change it under the terms of the "
               "GNU General Public License, version 3 or any later version (GPL-3.0-or-later). "
               "It comes with no warranty."),
        uiText("It runs with Qt %1, libvips %2, exiv2 %3 and libheif %4.")
            .arg(QString::fromLatin1(qVersion()), QString::fromStdString(libraries.vips),
                 QString::fromStdString(libraries.exiv2), QString::fromStdString(libraries.heif)),
    };
    if (!homePage.isEmpty()) paragraphs.append(uiText("Its home page is %1.").arg(homePage));
    return paragraphs.join(QStringLiteral("\n\n"));
}

}  // namespace varnholt
