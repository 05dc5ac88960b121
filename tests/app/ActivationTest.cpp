// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QtDBus>
#include <QtTest>
#include <gtest/gtest.h>

namespace varnholt::test {
namespace {

// Varnholt on the bus at address in folder; variables: NAME=value sets, NAME removes. Its log
// of what it was handed goes to standard error.
void prepare(QProcess& process, const QString& address, const QString& folder,
             QStringList variables) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    variables << u"DBUS_SESSION_BUS_ADDRESS="_qs + address
              << u"QT_LOGGING_RULES=varnholt.activation.info=true"_qs;
    for (const QString& variable : variables) {
        const qsizetype equals = variable.indexOf(u'=');
        if (equals < 0) environment.remove(variable);
        if (equals >= 0) environment.insert(variable.left(equals), variable.mid(equals + 1));
    }
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.setProgram(QStringLiteral(VARNHOLT_APP));
}

TEST(ActivationTest, ALaterLaunchHandsItsFilesAndTokenToTheRunningWindowAndEnds) {
    QProcess bus;  // a session bus of the test's own
    bus.start(u"dbus-daemon"_qs, {u"--session"_qs, u"--nofork"_qs, u"--print-address"_qs});
    ASSERT_TRUE(bus.waitForReadyRead(10000)) << "dbus-daemon did not start";
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    QTemporaryDir folder;
    const QStringList noToken{u"XDG_ACTIVATION_TOKEN"_qs, u"DESKTOP_STARTUP_ID"_qs};
    QProcess first;
    prepare(first, address, folder.path(), noToken);
    QString log;
    QObject::connect(&first, &QProcess::readyReadStandardError,
                     [&] { log += QString::fromUtf8(first.readAllStandardError()); });
    first.setArguments({u"/abs/first.jpg"_qs});
    first.start();
    QDBusConnection watcher = QDBusConnection::connectToBus(address, u"watcher"_qs);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return watcher.interface()->isServiceRegistered(u"io.github.varnholt.Varnholt"_qs); },
        20000));

    const QString relative =
        QUrl::fromLocalFile(folder.filePath(u"rel/a b.jpg"_qs)).toString(QUrl::FullyEncoded);
    const struct {
        QStringList arguments, variables;
        QString said;  // on standard output, or logged by the first Varnholt
    } launches[] = {
        // The help is answered beside the running window, and with no display at all.
        {{u"--help"_qs}, noToken, u"Usage: varnholt"_qs},
        {{u"--help"_qs},
         {u"QT_QPA_PLATFORM=xcb"_qs, u"DISPLAY"_qs, u"WAYLAND_DISPLAY"_qs},
         u"Usage: varnholt"_qs},
        {{u"/abs/b.png"_qs, u"rel/a b.jpg"_qs},
         {u"XDG_ACTIVATION_TOKEN=t-1"_qs, u"DESKTOP_STARTUP_ID"_qs},
         u"activated with 2 files file:///abs/b.png "_qs + relative + u" token t-1"_qs},
        // Without files a launch only brings the window forward, here with an X11 startup id.
        {{},
         {u"XDG_ACTIVATION_TOKEN"_qs, u"DESKTOP_STARTUP_ID=s-2"_qs},
         u"activated with 0 files token s-2"_qs},
    };
    for (const auto& launch : launches) {
        SCOPED_TRACE(launch.said.toStdString());
        QProcess later;
        prepare(later, address, folder.path(), launch.variables);
        later.setArguments(launch.arguments);
        later.start();
        ASSERT_TRUE(later.waitForFinished(20000)) << "a later launch did not end";
        EXPECT_EQ(later.exitStatus() == QProcess::NormalExit ? later.exitCode() : -1, 0);
        const QString out = QString::fromUtf8(later.readAllStandardOutput());
        EXPECT_TRUE(QTest::qWaitFor([&] { return (out + log).contains(launch.said); }, 10000))
            << (out + log).toStdString();
    }
    EXPECT_EQ(log.count(u"activated with"_qs), 2) << log.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);  // both end with their QProcess
}

}  // namespace
}  // namespace varnholt::test

int main(int argc, char** argv) {
    // The notices look at a window; none is ever on a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
