// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace varnholt {

void loadQtTranslations(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    // The system locale's UI languages follow LANGUAGE, LC_ALL, LC_MESSAGES and LANG, in the
    // order gettext reads them, so Qt's texts match the program's.
    if (translator->load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

}  // namespace varnholt
