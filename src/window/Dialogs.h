// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <string>

namespace varnholt {

enum class AlertStyle { Warning, Informational };

// The answer to an alert is 1000 plus the position of the pressed button.
inline constexpr int kFirstButtonAnswer = 1000;

struct Alert {
    AlertStyle style = AlertStyle::Warning;
    QString text;
    QStringList buttons;
    // The answer when the alert is closed without a button (Esc, the close button): a
    // question must never be answered "Yes" by a dismissal.
    int dismissAnswer = kFirstButtonAnswer;
    // The button that Enter presses.
    int defaultAnswer = kFirstButtonAnswer;
    // Shown as expandable details when not empty.
    QString details;
};

// Everything the window asks the user or the desktop. The window implements it with
// message boxes and file dialogs; tests script it.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual int runAlert(const Alert& alert) = 0;

    // Image files and folders to add; nullopt when the dialog was cancelled.
    virtual std::optional<QList<QUrl>> chooseImageFiles(const QStringList& extensions) = 0;

    // A folder; nullopt when the dialog was cancelled or gave none.
    virtual std::optional<QUrl> chooseFolder(const QString& prompt) = 0;

    // Opens a page in the desktop's browser or viewer; false when that failed.
    virtual bool openUrl(const QUrl& url) = 0;
};

// The common alerts, built so that dismissing a question answers "No".
Alert messageAlert(AlertStyle style, const QString& text);
Alert yesNoQuestion(const QString& text);
// Whether to replace the file at path: Yes, Yes to All, No, No to All. Enter and a dismissal
// keep the file. replacesSource: the file is one of the batch's sources, and the text says so.
Alert overwriteQuestion(const std::string& path, bool replacesSource = false);

// A Yes/No question counts as "Yes" unless the answer is "No".
bool answeredYes(int answer);

}  // namespace varnholt
