// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantMap>

namespace varnholt {

// One Varnholt per session, the desktop's way: the first process owns the application's
// bus name and answers org.freedesktop.Application; a later launch hands its files over
// through Open (or only Activate) and ends. The desktop itself may call the same methods,
// starting Varnholt through its bus service file first when none runs.
class DesktopActivation : public QObject {
    Q_OBJECT

public:
    enum class Role {
        HandedOver,  // the running Varnholt took the files: this process ends
        Primary,     // this process answers later launches
        Alone,       // no session bus, or nobody answered: this process runs on its own
    };

    static inline const QString kServiceName = QStringLiteral("io.github.varnholt.Varnholt");
    static inline const QString kObjectPath = QStringLiteral("/io/github/varnholt/Varnholt");

    explicit DesktopActivation(QDBusConnection bus, QObject* parent = nullptr);

    // platformData: what this launch carries for the window to come forward (see
    // launchPlatformData).
    Role start(const QList<QUrl>& files, const QVariantMap& platformData);

signals:
    // A later launch or the desktop: the files to open (none when it only activates) and the
    // token that lets the window take the focus (empty when none came).
    void activated(const QList<QUrl>& urls, const QString& activationToken);

private:
    friend class ApplicationAdaptor;
    bool handOver(const QList<QUrl>& files, const QVariantMap& platformData);

    QDBusConnection bus_;
};

// The launcher's token from the environment: XDG activation on Wayland, the startup id on
// X11. Read before the display connection starts, which takes the startup id away.
QVariantMap launchPlatformData();

// The token of an Activate or Open call's platform data; empty when there is none.
QString activationToken(const QVariantMap& platformData);

}  // namespace varnholt
