// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QtEndian>

#include <memory>

#include "window/FileUrls.h"

namespace varnholt {
namespace {

constexpr char kTag[4] = {'V', 'R', 'H', '1'};
constexpr char kAcknowledged = 'A';
// A launch hands over at most what a desktop passes on a command line; more is not ours.
constexpr qsizetype kMaxMessageBytes = 16 * 1024 * 1024;
constexpr int kConnectMs = 1000;
constexpr int kAnswerMs = 5000;
constexpr int kLockMs = 5000;

void appendNumber(QByteArray& out, quint32 value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

bool readNumber(const QByteArray& in, qsizetype& at, quint32& value) {
    if (in.size() - at < 4) return false;
    value = qFromBigEndian<quint32>(in.constData() + at);
    at += 4;
    return true;
}

}  // namespace

QString defaultSocketPath() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/io.github.varnholt.Varnholt.socket");
}

QByteArray encodeHandOver(const std::vector<std::string>& paths) {
    QByteArray out(kTag, 4);
    appendNumber(out, static_cast<quint32>(paths.size()));
    for (const std::string& path : paths) {
        appendNumber(out, static_cast<quint32>(path.size()));
        out.append(path.data(), static_cast<qsizetype>(path.size()));
    }
    return out;
}

ParsedHandOver parseHandOver(const QByteArray& received) {
    using Status = ParsedHandOver::Status;
    ParsedHandOver parsed;
    if (received.size() > kMaxMessageBytes) return {Status::Invalid, {}};
    const qsizetype tagBytes = std::min<qsizetype>(received.size(), 4);
    if (QByteArray(kTag, tagBytes) != received.left(tagBytes)) return {Status::Invalid, {}};
    qsizetype at = 4;
    quint32 count = 0;
    if (tagBytes < 4 || !readNumber(received, at, count)) return parsed;
    if (count > kMaxMessageBytes / 4) return {Status::Invalid, {}};
    for (quint32 i = 0; i < count; ++i) {
        quint32 length = 0;
        if (!readNumber(received, at, length)) return {Status::Incomplete, {}};
        if (length > kMaxMessageBytes) return {Status::Invalid, {}};
        if (received.size() - at < static_cast<qsizetype>(length)) return {Status::Incomplete, {}};
        parsed.paths.emplace_back(received.constData() + at, length);
        at += length;
    }
    if (at != received.size()) return {Status::Invalid, {}};
    parsed.status = Status::Complete;
    return parsed;
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)) {}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::start(const std::vector<std::string>& paths) {
    // Two launches at once must not both decide they are first and remove each other's
    // socket: the check and the listen happen under one lock.
    QLockFile lock(socketPath_ + QStringLiteral(".lock"));
    const bool locked = lock.tryLock(kLockMs);
    switch (handOver(paths)) {
        case HandOver::Done:
            return Role::HandedOver;
        case HandOver::NoAnswer:
            return Role::Alone;
        case HandOver::NoInstance:
            break;
    }
    // Without the lock another launch may be setting up its socket right now; removing it
    // would leave two windows that each think they are first.
    if (!locked) return Role::Alone;
    const bool listening = listen();
    lock.unlock();
    return listening ? Role::Primary : Role::Alone;
}

SingleInstance::HandOver SingleInstance::handOver(const std::vector<std::string>& paths) const {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kConnectMs)) return HandOver::NoInstance;
    socket.write(encodeHandOver(paths));
    if (!socket.waitForBytesWritten(kAnswerMs)) return HandOver::NoAnswer;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(kAnswerMs)) return HandOver::NoAnswer;
    }
    char answer = 0;
    socket.getChar(&answer);
    return answer == kAcknowledged ? HandOver::Done : HandOver::NoAnswer;
}

bool SingleInstance::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered at the path, so a socket file there is left over from a crash.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) {
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) serve(socket);
    });
    return true;
}

void SingleInstance::serve(QLocalSocket* socket) {
    auto received = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, received] {
        received->append(socket->readAll());
        ParsedHandOver parsed = parseHandOver(*received);
        if (parsed.status == ParsedHandOver::Status::Incomplete) return;
        if (parsed.status == ParsedHandOver::Status::Invalid) {
            socket->abort();
            return;
        }
        socket->putChar(kAcknowledged);
        socket->flush();
        socket->disconnectFromServer();
        QList<QUrl> urls;
        for (const std::string& path : parsed.paths) urls.append(fileUrlFromPath(path));
        emit filesReceived(urls);
    });
    // Bytes that arrived before the connection above are read now.
    if (socket->bytesAvailable() > 0) emit socket->readyRead();
}

}  // namespace varnholt
