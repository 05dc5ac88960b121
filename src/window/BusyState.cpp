// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/BusyState.h"

#include <QAction>
#include <QPushButton>

#include "window/SettingsPanel.h"
#include "window/WindowControls.h"
#include "window/UiText.h"

namespace varnholt {

BusyState::BusyState(const WindowControls& controls, SettingsPanel& panel)
    : c_(controls), panel_(panel) {}

QList<QWidget*> BusyState::busyControls() const {
    QList<QWidget*> controls{c_.buttonAddImages, c_.buttonRemoveSelected, c_.buttonRemoveAll};
    return controls << c_.panelControls() << c_.buttonResizeImages;
}

void BusyState::setStopEnabled(bool enabled) {
    c_.buttonStop->setEnabled(enabled);
    c_.actionStop->setEnabled(enabled);
}

void BusyState::enter() {
    busy_ = true;
    for (QWidget* control : busyControls()) control->setEnabled(false);
    c_.buttonResizeImages->setText(uiText("Resizing..."));
    // The menu and the Delete key reach the same commands; New would empty the list the
    // user is waiting on.
    for (QAction* action : {c_.actionAddImages, c_.actionAddFolder, c_.actionNew,
                            c_.actionResizeImages, c_.actionRemoveSelected}) {
        action->setEnabled(false);
    }
}

void BusyState::leave() {
    setStopEnabled(false);
    for (QWidget* control : busyControls()) control->setEnabled(true);
    panel_.applyEnablingRules();
    c_.buttonResizeImages->setText(uiText("&Resize Images"));
    for (QAction* action : {c_.actionAddImages, c_.actionAddFolder, c_.actionNew,
                            c_.actionResizeImages, c_.actionRemoveSelected}) {
        action->setEnabled(true);
    }
    busy_ = false;
}

}  // namespace varnholt
