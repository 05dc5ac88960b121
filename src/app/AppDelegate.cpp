// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include <QGuiApplication>

namespace varnholt {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {
    QGuiApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
}

void AppDelegate::openURLs(const QList<QUrl>& urls) { emit openWith(urls); }

void AppDelegate::terminate() {
    // exit(), not quit(): quit() would send the windows a close request, and the window
    // would ask its closing question a second time.
    QCoreApplication::exit(0);
}

}  // namespace varnholt
