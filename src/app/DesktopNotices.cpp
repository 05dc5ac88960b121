// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopNotices.h"

#include <QDBusMessage>
#include <QWidget>

#include "window/BatchController.h"

namespace varnholt {
namespace {

const QString kDesktopEntry = QStringLiteral("io.github.varnholt.Varnholt");

}  // namespace

DesktopNotices::DesktopNotices(const QWidget& window, QDBusConnection bus, qint64 longBatchMs,
                               QObject* parent)
    : QObject(parent), window_(window), bus_(std::move(bus)), longBatchMs_(longBatchMs) {}

void DesktopNotices::follow(const BatchController& batch) {
    connect(&batch, &BatchController::batchStarted, this, &DesktopNotices::started);
    connect(&batch, &BatchController::progressed, this, &DesktopNotices::progressed);
    connect(&batch, &BatchController::batchEnded, this, &DesktopNotices::ended);
    connect(&batch, &BatchController::batchReported, this, &DesktopNotices::reported);
}

void DesktopNotices::started() {
    running_.start();
    updateLauncher(0, true);
}

void DesktopNotices::progressed(qsizetype done, qsizetype count) {
    if (count > 0) updateLauncher(static_cast<double>(done) / static_cast<double>(count), true);
}

void DesktopNotices::ended() {
    lastBatchMs_ = running_.isValid() ? running_.elapsed() : 0;
    running_.invalidate();
    updateLauncher(0, false);
}

void DesktopNotices::reported(const QString& sentence, const QString& counts) {
    if (lastBatchMs_ < longBatchMs_ || window_.isActiveWindow() || !bus_.isConnected()) return;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), kDesktopEntry}};
    notify << QStringLiteral("Varnholt") << 0U << kDesktopEntry << sentence << counts
           << QStringList() << hints << -1;
    // Nobody waits for the answer: a desktop without a notification service says nothing.
    bus_.send(notify);
}

void DesktopNotices::updateLauncher(double progress, bool visible) {
    if (!bus_.isConnected()) return;
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/io/github/varnholt/Varnholt/LauncherEntry"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    const QVariantMap properties{{QStringLiteral("progress"), progress},
                                 {QStringLiteral("progress-visible"), visible}};
    update << QStringLiteral("application://%1.desktop").arg(kDesktopEntry) << properties;
    bus_.send(update);
}

}  // namespace varnholt
