// The window-level commands: New, Quit, closing the window and the user guide, with the
// menu actions and buttons that run them.

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>
#include <QPushButton>

#include "window/Dialogs.h"
#include "window/ImageTableView.h"
#include "window/UserGuide.h"
#include "window/ViewController.h"

namespace varnholt {
namespace {

const QString kTitle = QStringLiteral("Varnholt");

QString exitQuestion() {
    return QStringLiteral(
        "You have unsaved changes that will be lost. Are you sure you want to exit the "
        "application?");
}

QAction* action(QObject* parent, const char* objectName, const QString& text,
                const QKeySequence& shortcut) {
    auto* created = new QAction(text, parent);
    created->setObjectName(QString::fromLatin1(objectName));
    if (!shortcut.isEmpty()) created->setShortcut(shortcut);
    return created;
}

}  // namespace

void ViewController::createActions() {
    actionAddImages_ = action(this, "actionAddImages", QStringLiteral("&Add Images\u2026"),
                              QKeySequence(QStringLiteral("Ctrl+O")));
    actionNew_ =
        action(this, "actionNew", QStringLiteral("&New"), QKeySequence(QStringLiteral("Ctrl+N")));
    actionResizeImages_ = action(this, "actionResizeImages", QStringLiteral("&Resize Images"),
                                 QKeySequence(QStringLiteral("Ctrl+R")));
    actionQuit_ =
        action(this, "actionQuit", QStringLiteral("&Quit"), QKeySequence(QStringLiteral("Ctrl+Q")));
    actionVideoTutorial_ =
        action(this, "actionVideoTutorial", QStringLiteral("&Video Tutorial"), {});
    actionQuit_->setMenuRole(QAction::QuitRole);

    // Delete removes the selected entry while the table has the focus.
    actionRemoveSelected_ =
        action(tableViewImage, "actionRemoveSelected", QStringLiteral("Remove Selected"),
               QKeySequence(QKeySequence::Delete));
    actionRemoveSelected_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    tableViewImage->addAction(actionRemoveSelected_);

    // The settings tabs switch from anywhere in the window, not only from within the tabs.
    const auto switchTab = [this](const char* name, const QList<QKeySequence>& keys, int step) {
        QAction* created = action(this, name, {}, {});
        created->setShortcuts(keys);
        created->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(created);
        connect(created, &QAction::triggered, this, [this, step] {
            const int count = tabView->count();
            tabView->setCurrentIndex((tabView->currentIndex() + step + count) % count);
        });
    };
    switchTab("actionNextTab",
              {QKeySequence(Qt::CTRL | Qt::Key_PageDown), QKeySequence(Qt::CTRL | Qt::Key_Tab)}, 1);
    switchTab("actionPreviousTab",
              {QKeySequence(Qt::CTRL | Qt::Key_PageUp),
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)},
              -1);
}

void ViewController::connectCommands() {
    connect(buttonAddImages, &QPushButton::clicked, this, &ViewController::OnAddImages);
    connect(buttonRemoveSelected, &QPushButton::clicked, this, &ViewController::OnRemoveSelected);
    connect(buttonRemoveAll, &QPushButton::clicked, this, &ViewController::OnRemoveAll);
    connect(actionAddImages_, &QAction::triggered, this, &ViewController::OnAddImages);
    connect(actionRemoveSelected_, &QAction::triggered, this, &ViewController::OnRemoveSelected);
    connect(buttonResizeImages, &QPushButton::clicked, this, &ViewController::OnResizeImages);
    connect(actionResizeImages_, &QAction::triggered, this, &ViewController::OnResizeImages);
    connect(actionNew_, &QAction::triggered, this, &ViewController::OnFileNew);
    connect(actionQuit_, &QAction::triggered, this, &ViewController::OnAppQuit);
    connect(actionVideoTutorial_, &QAction::triggered, this, &ViewController::OnVideoTutorial);
}

QList<QAction*> ViewController::fileMenuActions() const {
    return {actionAddImages_, actionNew_, actionResizeImages_, nullptr, actionQuit_};
}

QList<QAction*> ViewController::helpMenuActions() const { return {actionVideoTutorial_}; }

bool ViewController::hasUnsavedChanges() const {
    const QWidget* host = hostWindow();
    if (host == nullptr) return false;
    const QString title = host->windowTitle();
    return !title.isEmpty() && title.endsWith(QLatin1Char('*'));
}

bool ViewController::windowShouldClose() {
    if (!hasUnsavedChanges()) return true;
    return answeredYes(dialogs_.runAlert(yesNoQuestion(exitQuestion())));
}

void ViewController::OnFileNew() {
    if (busy_) return;
    if (hasUnsavedChanges()) {
        const QString question =
            QStringLiteral("You have unsaved changes that will be lost. Continue?");
        if (!answeredYes(dialogs_.runAlert(yesNoQuestion(question)))) return;
    }
    resetToDefaults();
    if (QWidget* host = hostWindow()) host->setWindowTitle(kTitle);
}

void ViewController::OnAppQuit() {
    if (hasUnsavedChanges() && !answeredYes(dialogs_.runAlert(yesNoQuestion(exitQuestion())))) {
        return;
    }
    emit terminateRequested();
}

void ViewController::OnVideoTutorial() {
    const QUrl guide = userGuideUrl(userGuideCandidates(QCoreApplication::applicationDirPath()));
    if (!guide.isValid()) return;
    dialogs_.openUrl(guide);
}

}  // namespace varnholt
