// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/MainWindow.h"

#include <QApplication>
#include <QIcon>
#include <QMenuBar>

#include "imaging/LibraryVersions.h"
#include "window/AboutText.h"
#include "window/ViewController.h"
#include "window/WidgetDialogs.h"
#include "window/UiText.h"

// Resources compiled into this static library must be registered by name from outside any
// namespace.
static void registerWindowResources() { Q_INIT_RESOURCE(varnholt); }

namespace varnholt {

MainWindow::MainWindow(HeifCodecs heifAvailable, std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(std::move(dialogs)) {
    registerWindowResources();
    if (!dialogs_) dialogs_ = std::make_unique<WidgetDialogs>(this);

    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Varnholt"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/varnholt.png")));
    resize(1024, 700);

    controller_ = new ViewController(*dialogs_, heifAvailable, this);
    setCentralWidget(controller_);
    buildMenus();
    controller_->viewDidLoad();
}

// The controller (a child) goes before the dialogs it refers to.
MainWindow::~MainWindow() { delete controller_; }

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(uiText("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    for (QAction* action : controller_->fileMenuActions()) {
        if (action == nullptr) {
            file->addSeparator();
        } else {
            file->addAction(action);
        }
        if (action == controller_->actionAddImages) file->addAction(controller_->actionAddFolder);
    }
    connect(controller_->actionAddFolder, &QAction::triggered, this, &MainWindow::addFolder);

    QMenu* help = menuBar()->addMenu(uiText("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    help->addActions(controller_->helpMenuActions());
    help->addSeparator();
    QAction* about = help->addAction(uiText("&About Varnholt"), this, &MainWindow::showAbout);
    about->setObjectName(QStringLiteral("actionAbout"));
    about->setMenuRole(QAction::AboutRole);
    QAction* aboutQt = help->addAction(uiText("About &Qt"), qApp, &QApplication::aboutQt);
    aboutQt->setObjectName(QStringLiteral("actionAboutQt"));
    aboutQt->setMenuRole(QAction::AboutQtRole);
}

void MainWindow::showAbout() {
    const QString text = aboutText(QStringLiteral(VARNHOLT_VERSION), libraryVersions(),
                                   QStringLiteral(VARNHOLT_HOME_PAGE));
    dialogs_->runAlert(messageAlert(AlertStyle::Informational, text));
}

void MainWindow::addFolder() {
    if (controller_->isBusy()) return;
    if (const auto folder = dialogs_->chooseFolder(uiText("Add Folder")))
        controller_->openData({*folder});
}

}  // namespace varnholt
