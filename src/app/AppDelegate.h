// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

namespace varnholt {

// The application's side of the desktop: files opened with Varnholt become one "openWith"
// delivery to the window, and the application ends when its last window closes.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    explicit AppDelegate(QObject* parent = nullptr);

    static bool applicationShouldTerminateAfterLastWindowClosed() { return true; }

public slots:
    // Files the desktop asks the application to open, as given: same order, not filtered.
    void openURLs(const QList<QUrl>& urls);
    // Ends the event loop; closing questions have been asked by then.
    void terminate();

signals:
    void openWith(const QList<QUrl>& urls);
};

}  // namespace varnholt
