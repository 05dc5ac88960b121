// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtDBus>
#include <QtTest>
#include <gtest/gtest.h>

namespace varnholt::test {
namespace {

const QString kName = QStringLiteral("io.github.varnholt.Varnholt");

// A session bus of the test's own, gone with it.
struct PrivateBus {
    PrivateBus() {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address")});
        if (daemon.waitForReadyRead(10000))
            address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        daemon.kill();
        daemon.waitForFinished(5000);
    }
    QProcess daemon;
    QString address;
};

// Varnholt on the given bus in folder, its log of what it was handed on standard error.
void prepare(QProcess& process, const QString& bus, const QString& folder,
             const QStringList& extra = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
    environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("varnholt.activation.info=true"));
    environment.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
    environment.remove(QStringLiteral("DESKTOP_STARTUP_ID"));
    for (const QString& variable : extra) {
        const qsizetype equals = variable.indexOf(QLatin1Char('='));
        if (equals < 0) {
            environment.remove(variable);
        } else {
            environment.insert(variable.left(equals), variable.mid(equals + 1));
        }
    }
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
}

struct Ended {
    int exitCode = -1;  // -1: still running after the timeout, or crashed
    QString out;
};

Ended run(const QString& bus, const QString& folder, const QStringList& arguments,
          const QStringList& extra = {}) {
    QProcess process;
    prepare(process, bus, folder, extra);
    process.start(QStringLiteral(VARNHOLT_APP), arguments);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished(2000);
        return {};
    }
    const bool normal = process.exitStatus() == QProcess::NormalExit;
    return {normal ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput())};
}

TEST(ActivationTest, ALaterLaunchHandsItsFilesAndTokenToTheRunningWindowAndEnds) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
    QTemporaryDir folder;
    QProcess first;
    prepare(first, bus.address, folder.path());
    QString log;
    QObject::connect(&first, &QProcess::readyReadStandardError,
                     [&] { log += QString::fromUtf8(first.readAllStandardError()); });
    first.start(QStringLiteral(VARNHOLT_APP), {QStringLiteral("/abs/first.jpg")});
    QDBusConnection watcher = QDBusConnection::connectToBus(bus.address, QStringLiteral("test"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return watcher.interface()->isServiceRegistered(kName).value(); }, 20000));

    // The help is answered beside the running window, and without any display at all.
    for (const QStringList& extra :
         {QStringList{},
          QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY"),
                      QStringLiteral("WAYLAND_DISPLAY")}}) {
        const Ended help = run(bus.address, folder.path(), {QStringLiteral("--help")}, extra);
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.contains(QStringLiteral("Usage: varnholt"))) << help.out.toStdString();
    }

    const QString relative = QUrl::fromLocalFile(folder.filePath(QStringLiteral("rel/a b.jpg")))
                                 .toString(QUrl::FullyEncoded);
    const struct {
        QStringList arguments;
        QString token;
        QString handed;
    } launches[] = {
        {{QStringLiteral("/abs/b.png"), QStringLiteral("rel/a b.jpg")},
         QStringLiteral("XDG_ACTIVATION_TOKEN=token-1"),
         QStringLiteral("activated with 2 files file:///abs/b.png ") + relative},
        // Without files a launch only brings the window forward, with the X11 startup id.
        {{},
         QStringLiteral("DESKTOP_STARTUP_ID=startup-2"),
         QStringLiteral("activated with 0 files")},
    };
    for (const auto& launch : launches) {
        SCOPED_TRACE(launch.handed.toStdString());
        EXPECT_EQ(run(bus.address, folder.path(), launch.arguments, {launch.token}).exitCode, 0);
        const QString expected =
            launch.handed + QStringLiteral(" token ") + launch.token.section(QLatin1Char('='), 1);
        EXPECT_TRUE(QTest::qWaitFor([&] { return log.contains(expected); }, 10000))
            << log.toStdString();
    }
    EXPECT_EQ(log.count(QStringLiteral("activated with")), 2) << log.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(5000);
}

}  // namespace
}  // namespace varnholt::test

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
