// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

#include "settings/ResizeSettings.h"
#include "window/BusyState.h"

namespace varnholt {

class BatchRunner;
struct BatchResult;
class Dialogs;
class ImageList;
class SettingsPanel;
struct WindowControls;

// Resize Images: the checks, the overwrite questions, the run on the batch's own threads
// with the busy window and the progress bar, Stop, and the closing message.
class BatchController : public QObject {
    Q_OBJECT

public:
    BatchController(const ImageList& list, const WindowControls& controls, Dialogs& dialogs,
                    SettingsPanel& panel, QObject* parent = nullptr);
    ~BatchController() override;

    void resizeImages();
    // The user's Stop: no further image starts; the running ones finish or are given up after
    // the grace time, then one message tells how many were resized.
    void stop();
    // The window goes: as Stop, but the batch ends without a message.
    void abandon();

    // A batch runs: the panel and the list commands are disabled until it ends.
    bool isBusy() const { return busyState_.isBusy(); }
    void enterBusyState();
    void leaveBusyState();

signals:
    // The images have started; progressed follows each finished one.
    void batchStarted();
    void progressed(qsizetype done, qsizetype count);
    // A batch has ended (its message, if any, still to come): the files it wrote may include
    // the selected one.
    void batchEnded();
    // The closing message is about to be shown: its sentence and the counts.
    void batchReported(const QString& sentence, const QString& counts);

private:
    enum class StopReason { None, User, WindowClosing };

    ResizeSettings readSettings() const;
    void reportProgress(qsizetype done, qsizetype count);
    void finishBatch(const BatchResult& result);

    // The window's list; the command takes a copy, the batch's own.
    const ImageList& list_;
    const WindowControls& c_;
    Dialogs& dialogs_;
    SettingsPanel& panel_;
    BusyState busyState_;
    StopReason stopReason_ = StopReason::None;
    std::unique_ptr<BatchRunner> batch_;
};

}  // namespace varnholt
