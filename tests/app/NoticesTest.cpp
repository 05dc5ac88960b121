// SPDX-License-Identifier: GPL-3.0-or-later
#include <QWidget>
#include <QtDBus>
#include <QtTest>
#include <gtest/gtest.h>

#include "app/DesktopNotices.h"

namespace varnholt::test {

// The desktop's side: a notification service, and a dock reading launcher entries. The typed
// slots answer only messages of exactly the standard signatures.
class FakeDesktop : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        notices << QVariantList{app, replaces, icon, summary, body, actions, hints, timeout};
        return static_cast<uint>(notices.size());
    }
    void Update(const QString& app, const QVariantMap& properties) {
        launcher << QVariantList{app, properties.value(u"progress"_qs),
                                 properties.value(u"progress-visible"_qs)};
    }

public:
    QList<QVariantList> notices, launcher;
};

TEST(NoticesTest, OnlyALongBatchEndingBehindAnotherWindowIsNotifiedEveryOneShowsItsProgress) {
    QProcess daemon;  // a session bus of the test's own; connections named after it
    daemon.start(u"dbus-daemon"_qs, {u"--session"_qs, u"--nofork"_qs, u"--print-address"_qs});
    ASSERT_TRUE(daemon.waitForReadyRead(10000)) << "dbus-daemon did not start";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    QDBusConnection desktopBus = QDBusConnection::connectToBus(address, u"desktop "_qs + address);
    FakeDesktop desktop;
    ASSERT_TRUE(desktopBus.registerService(u"org.freedesktop.Notifications"_qs));
    ASSERT_TRUE(desktopBus.registerObject(u"/org/freedesktop/Notifications"_qs, &desktop,
                                          QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(desktopBus.connect({}, {}, u"com.canonical.Unity.LauncherEntry"_qs, u"Update"_qs,
                                   &desktop, SLOT(Update(QString, QVariantMap))));

    QWidget active, behind;  // behind is never shown: the user works in another window
    active.show();
    active.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&active));
    const struct {
        const QWidget& window;
        qint64 longBatchMs;
        QString sentence;
    } batches[] = {{active, 0, u"Seen in the window."_qs},
                   {behind, 3600000, u"Over before the user left."_qs},
                   {behind, 0, u"Done behind another window."_qs}};
    QList<QVariantList> launcher;
    const QString entry = u"application://io.github.varnholt.Varnholt.desktop"_qs;
    for (const auto& batch : batches) {
        DesktopNotices notices(batch.window,
                               QDBusConnection::connectToBus(address, u"app "_qs + address),
                               batch.longBatchMs);
        notices.started();
        notices.progressed(1, 4);
        notices.ended();
        notices.reported(batch.sentence, u"4 of 4 images written."_qs);
        launcher << QVariantList{entry, 0.0, true} << QVariantList{entry, 0.25, true}
                 << QVariantList{entry, 0.0, false};
    }
    // One sender's messages arrive in order: the last notice comes after any earlier one.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !desktop.notices.isEmpty() && desktop.launcher.size() >= 9; }, 10000));
    const QString id = u"io.github.varnholt.Varnholt"_qs;
    const QVariantMap hints{{u"desktop-entry"_qs, id}};
    EXPECT_EQ(desktop.notices,
              (QList<QVariantList>{{u"Varnholt"_qs, 0U, id, batches[2].sentence,
                                    u"4 of 4 images written."_qs, QStringList(), hints, -1}}));
    EXPECT_EQ(desktop.launcher, launcher);
}

}  // namespace varnholt::test

#include "NoticesTest.moc"
