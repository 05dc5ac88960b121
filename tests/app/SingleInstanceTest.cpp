#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "window/FileUrls.h"

namespace varnholt::test {
namespace {

using Status = ParsedHandOver::Status;
using Paths = std::vector<std::string>;

TEST(HandOverMessage, RoundTripsAnyBytesAndTellsIncompleteFromInvalid) {
    for (const Paths& paths :
         {Paths{}, Paths{"/x y/ä.png", "/bad\xff.jpg", std::string("/n\0l", 4)}}) {
        const QByteArray message = encodeHandOver(paths);
        const ParsedHandOver whole = parseHandOver(message);
        EXPECT_EQ(whole.status, Status::Complete);
        EXPECT_EQ(whole.paths, paths);
        for (qsizetype cut = 0; cut < message.size(); ++cut) {
            EXPECT_EQ(parseHandOver(message.left(cut)).status, Status::Incomplete) << cut;
        }
        EXPECT_EQ(parseHandOver(message + "x").status, Status::Invalid);
    }
    // A wrong tag, an absurd count, an absurd length.
    for (const QByteArray& bytes : {QByteArray("HTTP", 4), QByteArray("VRH1\xff\xff\xff\xff", 8),
                                    QByteArray("VRH1\0\0\0\1\x7f\xff\xff\xff", 12)}) {
        EXPECT_EQ(parseHandOver(bytes).status, Status::Invalid);
    }
}

// Runs a second Varnholt as the desktop would, answering it from this event loop; its exit
// code once it ended and the expected deliveries arrived (each with a timeout).
int launch(const QTemporaryDir& runtime, const QStringList& arguments, QSignalSpy& received,
           int deliveries) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(runtime.path());
    process.start(QStringLiteral(VARNHOLT_APP), arguments);
    QElapsedTimer waited;
    waited.start();
    while ((process.state() != QProcess::NotRunning || received.count() < deliveries) &&
           waited.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(20);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

TEST(SingleInstanceTest, ASecondLaunchHandsItsFilesToTheFirstAndEnds) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QString socket = runtime.path() + QStringLiteral("/io.github.varnholt.Varnholt.socket");
    // What a crashed instance leaves behind: a file at the socket path, nobody listening.
    ASSERT_TRUE(QFile(socket).open(QIODevice::WriteOnly));
    SingleInstance first(socket);
    ASSERT_EQ(first.start({"/a.jpg"}), SingleInstance::Role::Primary);
    QSignalSpy received(&first, &SingleInstance::filesReceived);

    EXPECT_EQ(
        launch(runtime, {QStringLiteral("/abs/b.png"), QStringLiteral("rel/a.jpg")}, received, 1),
        0);
    ASSERT_EQ(received.count(), 1);
    const Paths expected{"/abs/b.png", runtime.filePath(QStringLiteral("rel/a.jpg")).toStdString()};
    EXPECT_EQ(pathsFromFileUrls(received.at(0).at(0).value<QList<QUrl>>()), expected);

    // Without files the second launch only brings the first forward.
    EXPECT_EQ(launch(runtime, {}, received, 2), 0);
    ASSERT_EQ(received.count(), 2);
    EXPECT_TRUE(received.at(1).at(0).value<QList<QUrl>>().isEmpty());
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
