// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopActivation.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace varnholt {
namespace {

const QString kApplicationInterface = QStringLiteral("org.freedesktop.Application");
const QString kActivationToken = QStringLiteral("activation-token");
const QString kStartupId = QStringLiteral("desktop-startup-id");
// A running window answers at once (the files are taken after the reply); a hung one is
// not waited for long before this launch runs on its own.
constexpr int kAnswerMs = 10000;

}  // namespace

// The methods the desktop calls, exported on the application's object path.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit ApplicationAdaptor(DesktopActivation* activation)
        : QDBusAbstractAdaptor(activation), activation_(activation) {}

public slots:
    void Activate(const QVariantMap& platformData) { deliver({}, platformData); }

    void Open(const QStringList& uris, const QVariantMap& platformData) {
        QList<QUrl> urls;
        urls.reserve(uris.size());
        for (const QString& uri : uris) urls.append(QUrl(uri));
        deliver(urls, platformData);
    }

    // Varnholt names no actions: any of them brings the window forward.
    void ActivateAction(const QString& /*name*/, const QVariantList& /*parameter*/,
                        const QVariantMap& platformData) {
        deliver({}, platformData);
    }

private:
    // Queued: the caller gets its reply before the window opens anything.
    void deliver(const QList<QUrl>& urls, const QVariantMap& platformData) {
        QMetaObject::invokeMethod(
            activation_,
            [activation = activation_, urls, token = activationToken(platformData)] {
                emit activation->activated(urls, token);
            },
            Qt::QueuedConnection);
    }

    DesktopActivation* activation_;
};

DesktopActivation::DesktopActivation(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

DesktopActivation::Role DesktopActivation::start(const QList<QUrl>& files,
                                                 const QVariantMap& platformData) {
    if (!bus_.isConnected() || bus_.interface() == nullptr) return Role::Alone;
    // The object is there before the name, so that whoever finds the name finds it.
    new ApplicationAdaptor(this);
    if (!bus_.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) {
        return Role::Alone;
    }
    // The bus gives the name to one process only: two launches at once cannot both win.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> registered =
        bus_.interface()->registerService(kServiceName, QDBusConnectionInterface::DontQueueService,
                                          QDBusConnectionInterface::DontAllowReplacement);
    if (registered.isValid() && registered.value() == QDBusConnectionInterface::ServiceRegistered) {
        return Role::Primary;
    }
    bus_.unregisterObject(kObjectPath);
    if (!registered.isValid()) return Role::Alone;
    return handOver(files, platformData) ? Role::HandedOver : Role::Alone;
}

bool DesktopActivation::handOver(const QList<QUrl>& files, const QVariantMap& platformData) {
    QDBusMessage call;
    if (files.isEmpty()) {
        call = QDBusMessage::createMethodCall(kServiceName, kObjectPath, kApplicationInterface,
                                              QStringLiteral("Activate"));
        call << platformData;
    } else {
        QStringList uris;
        // Fully encoded, so that a name that is not UTF-8 arrives with its bytes.
        for (const QUrl& url : files) uris.append(url.toString(QUrl::FullyEncoded));
        call = QDBusMessage::createMethodCall(kServiceName, kObjectPath, kApplicationInterface,
                                              QStringLiteral("Open"));
        call << uris << platformData;
    }
    // Only the running one may answer: a name that just went must not start another.
    call.setAutoStartService(false);
    return bus_.call(call, QDBus::Block, kAnswerMs).type() == QDBusMessage::ReplyMessage;
}

QVariantMap launchPlatformData() {
    QVariantMap data;
    if (const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN"); !token.isEmpty())
        data.insert(kActivationToken, token);
    if (const QString id = qEnvironmentVariable("DESKTOP_STARTUP_ID"); !id.isEmpty())
        data.insert(kStartupId, id);
    return data;
}

QString activationToken(const QVariantMap& platformData) {
    for (const QString& key : {kActivationToken, kStartupId}) {
        if (const QString token = platformData.value(key).toString(); !token.isEmpty())
            return token;
    }
    return {};
}

}  // namespace varnholt

#include "DesktopActivation.moc"
