// Resize Images: the checks, the overwrite questions, the run on the batch's own threads
// with the progress bar, and the closing message.

#include <QAction>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>

#include "batch/BatchInputChecks.h"
#include "batch/OverwriteConfirmation.h"
#include "window/BatchRunner.h"
#include "window/Dialogs.h"
#include "window/ViewController.h"

namespace varnholt {
namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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
        if (!failed && !outcome.note) continue;
        lines.append(QStringLiteral("%1: %2").arg(QString::fromStdString(outcome.sourcePath),
                                                  QString::fromStdString(outcome.message())));
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

void ViewController::OnResizeImages() {
    if (busy_) return;
    const ResizeSettings settings = readSettings();
    if (const auto message = checkBatchInputs(listImagePaths.size(), settings)) {
        dialogs_.runAlert(messageAlert(AlertStyle::Warning, QString::fromStdString(*message)));
        return;
    }
    enterBusyState();
    // The batch's own copy of the list and the settings, read once: the questions below run
    // an event loop in which drops and open-with still add to the visible list.
    BatchPlan plan = planBatch(listImagePaths, settings);
    OverwriteAlert question(dialogs_);
    confirmOverwrites(plan, question);

    batch_ = std::make_unique<BatchRunner>(std::move(plan));
    connect(batch_.get(), &BatchRunner::progressed, this, &ViewController::reportProgress);
    connect(batch_.get(), &BatchRunner::finished, this, &ViewController::finishBatch);
    batch_->start();
}

void ViewController::reportProgress(qsizetype done, qsizetype count) {
    // The share of the batch's own images: the visible list may have grown meanwhile.
    if (count <= 0) return;
    const double share = static_cast<double>(done) / static_cast<double>(count);
    progressIndicator->setValue(
        static_cast<int>(std::lround(share * progressIndicator->maximum())));
}

void ViewController::finishBatch(const BatchResult& result) {
    // The runner sent this signal; it goes once the signal has returned.
    batch_.release()->deleteLater();
    progressIndicator->setValue(0);
    leaveBusyState();
    // The batch may have replaced the selected file: its labels are read again.
    showSelectedImage();
    // A batch stopped because the window closed ends without a message.
    if (result.stopped) return;
    Alert alert =
        messageAlert(result.allSucceeded ? AlertStyle::Informational : AlertStyle::Warning,
                     fromUtf8(finalMessage(result.allSucceeded)));
    alert.details = outcomeDetails(result);
    dialogs_.runAlert(alert);
}

}  // namespace varnholt
