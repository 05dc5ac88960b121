// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>
#include <gtest/gtest.h>

#include "app/SingleInstance.h"
#include "window/FileUrls.h"

namespace varnholt::test {
namespace {

using Status = ParsedHandOver::Status;
using Paths = std::vector<std::string>;

TEST(HandOverMessage, RoundTripsAnyBytesAndTellsIncompleteFromInvalid) {
    const Paths paths{"/x y/ä.png", "/bad\xff.jpg", std::string("/n\0l", 4)};
    const QByteArray message = encodeHandOver(paths);
    EXPECT_EQ(parseHandOver(message).status, Status::Complete);
    EXPECT_EQ(parseHandOver(message).paths, paths);
    EXPECT_EQ(parseHandOver(encodeHandOver({})).status, Status::Complete);
    for (qsizetype cut = 0; cut < message.size(); ++cut)
        EXPECT_EQ(parseHandOver(message.left(cut)).status, Status::Incomplete) << cut;
    // Trailing bytes, a wrong tag, an absurd count, an absurd length.
    for (const QByteArray& bytes :
         {message + "x", QByteArray("HTTP", 4), QByteArray("VRH1\xff\xff\xff\xff", 8),
          QByteArray("VRH1\0\0\0\1\x7f\xff\xff\xff", 12)})
        EXPECT_EQ(parseHandOver(bytes).status, Status::Invalid);
}

// Runs a second Varnholt as the desktop would, answering it from this event loop; its exit
// code once it ended and the expected deliveries arrived (with a timeout).
int launch(const QTemporaryDir& runtime, const QStringList& arguments, QSignalSpy& received,
           int deliveries) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(runtime.path());
    process.start(QStringLiteral(VARNHOLT_APP), arguments);
    const bool ended = QTest::qWaitFor(
        [&] { return process.state() == QProcess::NotRunning && received.count() >= deliveries; },
        20000);
    if (!ended) process.kill(), process.waitForFinished(2000);
    return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

TEST(SingleInstanceTest, ASecondLaunchHandsItsFilesToTheFirstAndEnds) {
    QTemporaryDir runtime;
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

}  // namespace
}  // namespace varnholt::test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
