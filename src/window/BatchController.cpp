// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/BatchController.h"

#include <QAction>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>
#include <utility>

#include "batch/BatchInputChecks.h"
#include "batch/ImageList.h"
#include "batch/OverwriteConfirmation.h"
#include "window/BatchRunner.h"
#include "window/Dialogs.h"
#include "window/SettingsPanel.h"
#include "window/WindowControls.h"
#include "window/UiText.h"

namespace varnholt {
namespace {

// The overwrite question as an alert; dismissing it answers "No to All".
class OverwriteAlert : public OverwriteQuestion {
public:
    explicit OverwriteAlert(Dialogs& dialogs) : dialogs_(dialogs) {}

    OverwriteAnswer ask(const std::string& path, bool replacesSource) override {
        return static_cast<OverwriteAnswer>(
            dialogs_.runAlert(overwriteQuestion(path, replacesSource)));
    }

private:
    Dialogs& dialogs_;
};

// The counts, then one line per image that failed or was written with a note.
QString outcomeDetails(const BatchResult& result) {
    QStringList lines{QString::fromStdString(outcomeCounts(result))};
    for (const ImageOutcome& outcome : result.outcomes) {
        const bool failed = outcome.status == ImageStatus::Failed;
        if (!failed && !outcome.note) continue;
        // TRANSLATORS: a line of the batch's details: an image's path, then why it failed or
        // what was noted about it.
        lines.append(uiText("%1: %2").arg(QString::fromStdString(outcome.sourcePath),
                                          QString::fromStdString(outcome.message())));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

BatchController::BatchController(const ImageList& list, const WindowControls& controls,
                                 Dialogs& dialogs, SettingsPanel& panel, QObject* parent)
    : QObject(parent),
      list_(list),
      c_(controls),
      dialogs_(dialogs),
      panel_(panel),
      busyState_(controls, panel) {}

ResizeSettings BatchController::readSettings() const { return panel_.readSettings(); }

// A batch still running is stopped; the runner waits for the images in flight up to the
// batch's grace time.
BatchController::~BatchController() = default;

void BatchController::resizeImages() {
    if (isBusy()) return;
    const ResizeSettings settings = readSettings();
    if (const auto message = prepareBatch(list_.size(), settings)) {
        dialogs_.runAlert(messageAlert(AlertStyle::Warning, QString::fromStdString(*message)));
        return;
    }
    enterBusyState();
    // The batch's own copy of the list and the settings, read once: the questions below run
    // an event loop in which drops and open-with still add to the visible list.
    BatchPlan plan = planBatch(list_.paths(), settings, 1, list_.subFolders());
    OverwriteAlert question(dialogs_);
    confirmOverwrites(plan, question);

    const auto count = static_cast<qsizetype>(plan.images.size());
    batch_ = std::make_unique<BatchRunner>(std::move(plan));
    connect(batch_.get(), &BatchRunner::progressed, this, &BatchController::reportProgress);
    connect(batch_.get(), &BatchRunner::finished, this, &BatchController::finishBatch);
    reportProgress(0, count);
    batch_->start();
    emit batchStarted();
    // Only now is there something to stop: not while the questions were up.
    busyState_.setStopEnabled(true);
}

void BatchController::enterBusyState() { busyState_.enter(); }
void BatchController::leaveBusyState() { busyState_.leave(); }

void BatchController::stop() {
    if (!batch_ || stopReason_ != StopReason::None) return;
    stopReason_ = StopReason::User;
    // Taken once: the images in flight get their grace time, and pressing again would change
    // nothing.
    busyState_.setStopEnabled(false);
    batch_->requestStop();
}

void BatchController::abandon() {
    if (!batch_) return;
    stopReason_ = StopReason::WindowClosing;
    batch_->requestStop();
}

void BatchController::reportProgress(qsizetype done, qsizetype count) {
    // The share of the batch's own images: the visible list may have grown meanwhile.
    if (count <= 0) return;
    // TRANSLATORS: the progress bar's text: images done, of the images of the batch.
    const QString doneOfCount = uiText("%1 of %2").arg(done).arg(count);
    c_.progressIndicator->setFormat(doneOfCount);
    // Readers get the value as a share of the bar's range; the count is told as well.
    c_.progressIndicator->setAccessibleDescription(doneOfCount);
    const double share = static_cast<double>(done) / static_cast<double>(count);
    c_.progressIndicator->setValue(
        static_cast<int>(std::lround(share * c_.progressIndicator->maximum())));
    emit progressed(done, count);
}

void BatchController::finishBatch(const BatchResult& result) {
    // The runner sent this signal; it goes once the signal has returned.
    batch_.release()->deleteLater();
    c_.progressIndicator->resetFormat();
    c_.progressIndicator->setAccessibleDescription({});
    c_.progressIndicator->setValue(0);
    leaveBusyState();
    emit batchEnded();
    // A batch stopped because the window closed ends without a message.
    const StopReason reason = std::exchange(stopReason_, StopReason::None);
    if (result.stopped && reason != StopReason::User) return;
    Alert alert =
        messageAlert(result.allSucceeded ? AlertStyle::Informational : AlertStyle::Warning,
                     QString::fromStdString(closingMessage(result)));
    alert.details = outcomeDetails(result);
    emit batchReported(alert.text, QString::fromStdString(outcomeCounts(result)));
    dialogs_.runAlert(alert);
}

}  // namespace varnholt
