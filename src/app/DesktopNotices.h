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

    DesktopNotices(const QWidget& window, QDBusConnection bus, qint64 longBatchMs = kLongBatchMs,
                   QObject* parent = nullptr);

    // Tells the desktop about the batches of this controller.
    void follow(const BatchController& batch);

    // A batch's course, in the order the controller tells it.
    void started();
    void progressed(qsizetype done, qsizetype count);
    void ended();
    void reported(const QString& sentence, const QString& counts);

private:
    void updateLauncher(double progress, bool visible);

    const QWidget& window_;
    QDBusConnection bus_;
    const qint64 longBatchMs_;
    QElapsedTimer running_;
    qint64 lastBatchMs_ = 0;
};

}  // namespace varnholt
