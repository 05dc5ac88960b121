// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace varnholt {

// One Varnholt per user: a second launch hands its files to the running one over a local
// socket and ends.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role {
        HandedOver,  // another instance took the files: this process ends
        Primary,     // this process listens for later launches
        Alone,       // neither worked: this process runs on its own
    };

    explicit SingleInstance(QString socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // paths: absolute local paths as bytes, in the order given.
    Role start(const std::vector<std::string>& paths);

signals:
    // Files from a later launch (none when it was started without files).
    void filesReceived(const QList<QUrl>& urls);

private:
    enum class HandOver { Done, NoInstance, NoAnswer };
    HandOver handOver(const std::vector<std::string>& paths) const;
    bool listen();
    void serve(QLocalSocket* socket);

    QString socketPath_;
    QLocalServer* server_ = nullptr;
};

// $XDG_RUNTIME_DIR (or the per-user fallback Qt picks) / <application id>.socket
QString defaultSocketPath();

// The hand-over message: a tag, the number of paths, then each path with its length.
QByteArray encodeHandOver(const std::vector<std::string>& paths);

struct ParsedHandOver {
    enum class Status { Incomplete, Complete, Invalid } status = Status::Incomplete;
    std::vector<std::string> paths;
};
ParsedHandOver parseHandOver(const QByteArray& received);

}  // namespace varnholt
