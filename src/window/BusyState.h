// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QWidget;

namespace varnholt {

class SettingsPanel;
struct WindowControls;

// The window while a batch runs: the list's commands, the panel and Resize Images are
// disabled; Stop is enabled apart, once the images have started. The image table still takes
// drops (into the visible list only; the batch works on its own copy). Leaving disables Stop
// and gives the panel its enabling rules back.
class BusyState {
public:
    BusyState(const WindowControls& controls, SettingsPanel& panel);

    bool isBusy() const { return busy_; }
    void enter();
    void leave();
    // Stop and its key; a Stop once given is not given again.
    void setStopEnabled(bool enabled);

private:
    // The controls a batch disables: the list's buttons, the panel, the command.
    QList<QWidget*> busyControls() const;

    const WindowControls& c_;
    SettingsPanel& panel_;
    bool busy_ = false;
};

}  // namespace varnholt
