// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QWidget;

namespace varnholt {

class BatchController;

// A batch seen from elsewhere on the desktop: its progress on the dock or task bar (the
// launcher entry that KDE Plasma and Ubuntu's dock read), and a notification when a long
// one ends while the user works in another window.
class DesktopNotices : public QObject {
    Q_OBJECT

public:
    // A batch shorter than this ends while the user still waits for it.
    static constexpr qint64 kLongBatchMs = 10000;

    DesktopNotices(const QWidget& window, const BatchController& batch, QDBusConnection bus,
                   QObject* parent = nullptr);

private:
    void started();
    void progressed(qsizetype done, qsizetype count);
    void ended();
    void reported(const QString& sentence, const QString& counts);
    void updateLauncher(double progress, bool visible);

    const QWidget& window_;
    QDBusConnection bus_;
    QElapsedTimer running_;
    qint64 lastBatchMs_ = 0;
};

}  // namespace varnholt
