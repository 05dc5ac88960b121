// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/Dialogs.h"

#include "batch/OverwriteConfirmation.h"
#include "window/UiText.h"

namespace varnholt {
namespace {

constexpr int kNoAnswer = kFirstButtonAnswer + 1;

}  // namespace

Alert messageAlert(AlertStyle style, const QString& text) {
    Alert alert;
    alert.style = style;
    alert.text = text;
    alert.buttons = {uiText("OK")};
    alert.dismissAnswer = kFirstButtonAnswer;
    return alert;
}

Alert yesNoQuestion(const QString& text) {
    Alert alert;
    alert.style = AlertStyle::Warning;
    alert.text = text;
    alert.buttons = {uiText("Yes"), uiText("No")};
    alert.dismissAnswer = kNoAnswer;
    return alert;
}

Alert overwriteQuestion(const std::string& path, bool replacesSource) {
    Alert alert;
    alert.style = AlertStyle::Warning;
    alert.text = QString::fromStdString(overwriteQuestionText(path, replacesSource));
    for (const char* title : kOverwriteButtons) alert.buttons.append(uiText(title));
    alert.dismissAnswer = static_cast<int>(OverwriteAnswer::NoToAll);
    alert.defaultAnswer = static_cast<int>(OverwriteAnswer::No);
    return alert;
}

bool answeredYes(int answer) { return answer != kNoAnswer; }

}  // namespace varnholt
