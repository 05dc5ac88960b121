#include "window/BatchController.h"

#include <QAction>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>
#include <utility>

#include "batch/BatchInputChecks.h"
#include "batch/OverwriteConfirmation.h"
#include "window/BatchRunner.h"
#include "window/Dialogs.h"
#include "window/SettingsPanel.h"
#include "window/WindowControls.h"

namespace varnholt {
namespace {

// The overwrite question as an alert; dismissing it answers "No to All".
class OverwriteAlert : public OverwriteQuestion {
public:
    explicit OverwriteAlert(Dialogs& dialogs) : dialogs_(dialogs) {}

    OverwriteAnswer ask(const std::string& path) override {
        Alert alert;
        alert.style = AlertStyle::Warning;
        alert.text = QString::fromStdString(overwriteQuestionText(path));
        for (const char* title : kOverwriteButtons) alert.buttons.append(QString::fromUtf8(title));
        alert.dismissAnswer = static_cast<int>(OverwriteAnswer::NoToAll);
        return static_cast<OverwriteAnswer>(dialogs_.runAlert(alert));
    }

private:
    Dialogs& dialogs_;
};

// One line per image that failed or was written with a note, for the message's details.
QString outcomeDetails(const BatchResult& result) {
    QStringList lines;
    for (const ImageOutcome& outcome : result.outcomes) {
        const bool failed = outcome.status == ImageStatus::Failed;
        if (!failed && outcome.note.empty()) continue;
        const std::string& line = failed ? outcome.reason : outcome.note;
        lines.append(QStringLiteral("%1: %2").arg(QString::fromStdString(outcome.sourcePath),
                                                  QString::fromStdString(line)));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

BatchController::BatchController(const std::vector<std::string>& listImagePaths,
                                 const WindowControls& controls, Dialogs& dialogs,
                                 SettingsPanel& panel, QObject* parent)
    : QObject(parent),
      listImagePaths(listImagePaths),
      c_(controls),
      dialogs_(dialogs),
      panel_(panel) {}

ResizeSettings BatchController::readSettings() const { return panel_.readSettings(); }

// A batch still running is stopped; the runner waits for the images in flight.
BatchController::~BatchController() = default;

void BatchController::OnResizeImages() {
    if (busy_) return;
    const ResizeSettings settings = readSettings();
    if (const auto message = checkBatchInputs(listImagePaths.size(), settings)) {
        dialogs_.runAlert(messageAlert(AlertStyle::Warning, QString::fromStdString(*message)));
        return;
    }
    enterBusyState();
    // The batch's own copy: the questions below run an event loop in which drops and
    // open-with still add to the visible list.
    std::vector<std::string> paths = listImagePaths;
    OverwriteAlert question(dialogs_);
    std::vector<OverwriteDecision> decisions = confirmOverwrites(paths, settings, question);

    batch_ = std::make_unique<BatchRunner>(std::move(paths), settings, std::move(decisions));
    connect(batch_.get(), &BatchRunner::progressed, this, &BatchController::reportProgress);
    connect(batch_.get(), &BatchRunner::finished, this, &BatchController::finishBatch);
    batch_->start();
}

void BatchController::stop() {
    if (!batch_ || stopReason_ != StopReason::None) return;
    stopReason_ = StopReason::User;
    // Taken once: the images in flight still finish, and pressing again would change nothing.
    setStopEnabled(false);
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
    const double share = static_cast<double>(done) / static_cast<double>(count);
    c_.progressIndicator->setValue(
        static_cast<int>(std::lround(share * c_.progressIndicator->maximum())));
}

void BatchController::finishBatch(const BatchResult& result) {
    // The runner sent this signal; it goes once the signal has returned.
    batch_.release()->deleteLater();
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
    dialogs_.runAlert(alert);
}

QList<QWidget*> BatchController::busyControls() const {
    QList<QWidget*> controls{c_.buttonAddImages, c_.buttonRemoveSelected, c_.buttonRemoveAll};
    return controls << c_.panelControls() << c_.buttonResizeImages;
}

void BatchController::setStopEnabled(bool enabled) {
    c_.buttonStop->setEnabled(enabled);
    c_.actionStop->setEnabled(enabled);
}

// The table still takes drops while a batch runs, into the visible list only: the batch
// works on its own copy.
void BatchController::enterBusyState() {
    busy_ = true;
    for (QWidget* control : busyControls()) control->setEnabled(false);
    c_.buttonResizeImages->setText(QStringLiteral("Resizing..."));
    // The menu and the Delete key reach the same commands; New would empty the list the
    // user is waiting on.
    for (QAction* action :
         {c_.actionAddImages, c_.actionNew, c_.actionResizeImages, c_.actionRemoveSelected}) {
        action->setEnabled(false);
    }
    setStopEnabled(true);
}

void BatchController::leaveBusyState() {
    setStopEnabled(false);
    for (QWidget* control : busyControls()) control->setEnabled(true);
    panel_.applyEnablingRules();
    c_.buttonResizeImages->setText(QStringLiteral("&Resize Images"));
    for (QAction* action :
         {c_.actionAddImages, c_.actionNew, c_.actionResizeImages, c_.actionRemoveSelected}) {
        action->setEnabled(true);
    }
    busy_ = false;
}

}  // namespace varnholt
