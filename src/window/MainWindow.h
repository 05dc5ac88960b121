// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>

#include <memory>

#include "settings/FormatTable.h"
#include "window/Dialogs.h"

namespace varnholt {

class ViewController;

// The single window: its menus and the controller's view as its content.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // dialogs: what the window asks through; nullptr for the desktop's own dialogs.
    explicit MainWindow(HeifCodecs heifAvailable, std::unique_ptr<Dialogs> dialogs = nullptr,
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    ViewController* controller() const { return controller_; }

    // Help > About Varnholt: the version, the licence and the libraries in use.
    void showAbout();
    // File > Add Folder: a chosen folder's images join the list as a dropped folder's do.
    void addFolder();

private:
    void buildMenus();

    std::unique_ptr<Dialogs> dialogs_;
    ViewController* controller_ = nullptr;
};

}  // namespace varnholt
