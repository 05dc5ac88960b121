// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/Dialogs.h"

namespace varnholt {
namespace {

constexpr int kNoAnswer = kFirstButtonAnswer + 1;

}  // namespace

Alert messageAlert(AlertStyle style, const QString& text) {
    Alert alert;
    alert.style = style;
    alert.text = text;
    alert.buttons = {QStringLiteral("OK")};
    alert.dismissAnswer = kFirstButtonAnswer;
    return alert;
}

Alert yesNoQuestion(const QString& text) {
    Alert alert;
    alert.style = AlertStyle::Warning;
    alert.text = text;
    alert.buttons = {QStringLiteral("Yes"), QStringLiteral("No")};
    alert.dismissAnswer = kNoAnswer;
    return alert;
}

bool answeredYes(int answer) { return answer != kNoAnswer; }

}  // namespace varnholt
