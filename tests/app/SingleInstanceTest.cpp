#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "window/FileUrls.h"

namespace varnholt::test {
namespace {

using Status = ParsedHandOver::Status;
using Paths = std::vector<std::string>;

TEST(HandOverMessage, RoundTripsAnyBytesAndTellsIncompleteFromInvalid) {
    const Paths samples[] = {
        {}, {"/a.jpg"}, {"/x y/ä.png", "/bad\xff.jpg", std::string("/n\0ul", 5)}};
    for (const auto& paths : samples) {
        SCOPED_TRACE(paths.size());
        const QByteArray message = encodeHandOver(paths);
        const ParsedHandOver whole = parseHandOver(message);
        EXPECT_EQ(whole.status, Status::Complete);
        EXPECT_EQ(whole.paths, paths);
        for (qsizetype cut = 0; cut < message.size(); ++cut) {
            EXPECT_EQ(parseHandOver(message.left(cut)).status, Status::Incomplete) << cut;
        }
        EXPECT_EQ(parseHandOver(message + "x").status, Status::Invalid);
    }
    struct Row {
        const char* name;
        QByteArray bytes;
    };
    const Row invalid[] = {
        {"wrong tag", QByteArray("HTTP", 4)},
        {"wrong start", QByteArray("V", 1) + QByteArray("X", 1)},
        {"absurd count", QByteArray("VRH1\xff\xff\xff\xff", 8)},
        {"absurd length", QByteArray("VRH1\0\0\0\1\x7f\xff\xff\xff", 12)},
    };
    for (const auto& row : invalid) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseHandOver(row.bytes).status, Status::Invalid);
    }
}

class SingleInstanceTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(runtime.isValid()); }
    QString socketPath() const {
        return runtime.path() + QStringLiteral("/io.github.varnholt.Varnholt.socket");
    }

    // Runs a second Varnholt as the desktop would; returns its exit code.
    int launch(const QStringList& arguments, QSignalSpy& received, int expectedDeliveries) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(runtime.path());
        process.start(QStringLiteral(VARNHOLT_APP), arguments);
        // The hand-over needs this process's event loop to answer.
        QElapsedTimer waited;
        waited.start();
        while (process.state() != QProcess::NotRunning && waited.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            process.waitForFinished(20);
        }
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
            return -1;
        }
        waited.restart();
        while (received.count() < expectedDeliveries && waited.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QTemporaryDir runtime;
};

TEST_F(SingleInstanceTest, ASecondLaunchHandsItsFilesToTheFirstAndEnds) {
    SingleInstance first(socketPath());
    ASSERT_EQ(first.start({}), SingleInstance::Role::Primary);
    QSignalSpy received(&first, &SingleInstance::filesReceived);

    const int status = launch(
        {QStringLiteral("/abs/b.png"), QStringLiteral("rel/a.jpg"), QStringLiteral("notes.txt")},
        received, 1);

    EXPECT_EQ(status, 0);
    ASSERT_EQ(received.count(), 1);
    const auto urls = received.at(0).at(0).value<QList<QUrl>>();
    const Paths expected{"/abs/b.png",
                         (runtime.path() + QStringLiteral("/rel/a.jpg")).toStdString(),
                         (runtime.path() + QStringLiteral("/notes.txt")).toStdString()};
    EXPECT_EQ(pathsFromFileUrls(urls), expected);

    // Without files the second launch only brings the first forward.
    EXPECT_EQ(launch({}, received, 2), 0);
    EXPECT_TRUE(received.at(1).at(0).value<QList<QUrl>>().isEmpty());
}

TEST_F(SingleInstanceTest, ALeftOverSocketFileDoesNotStopTheFirstLaunch) {
    const QString path = socketPath();
    {
        // What a crashed instance leaves behind: a file at the socket path, nobody listening.
        QFile leftover(path);
        ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    }
    SingleInstance instance(path);
    ASSERT_EQ(instance.start({"/a.jpg"}), SingleInstance::Role::Primary);
    QSignalSpy received(&instance, &SingleInstance::filesReceived);
    EXPECT_EQ(launch({QStringLiteral("/c.gif")}, received, 1), 0);
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(pathsFromFileUrls(received.at(0).at(0).value<QList<QUrl>>()), Paths{"/c.gif"});
}

TEST(AppDelegateTest, OpenWithDeliversTheUrlsUnfilteredAndInOrder) {
    AppDelegate delegate;
    QSignalSpy delivered(&delegate, &AppDelegate::openWith);
    const QList<QUrl> urls{QUrl::fromLocalFile(QStringLiteral("/b.txt")),
                           QUrl::fromLocalFile(QStringLiteral("/a.jpg")),
                           QUrl::fromLocalFile(QStringLiteral("/a.jpg"))};
    delegate.openURLs(urls);
    ASSERT_EQ(delivered.count(), 1);
    EXPECT_EQ(delivered.at(0).at(0).value<QList<QUrl>>(), urls);
    EXPECT_TRUE(AppDelegate::applicationShouldTerminateAfterLastWindowClosed());
    EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());
}

}  // namespace
}  // namespace varnholt::test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
