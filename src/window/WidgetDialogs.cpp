// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/WidgetDialogs.h"

#include <QAccessibleWidget>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QStyle>

#include <algorithm>
#include <memory>

#include "window/UiText.h"

namespace varnholt {

namespace {

const QString kAlertName = QStringLiteral("alertDialog");

// Screen readers announce the question as an alert, as they would a message box.
QAccessibleInterface* alertAccessible(const QString& /*className*/, QObject* object) {
    auto* dialog = qobject_cast<QDialog*>(object);
    if (dialog == nullptr || dialog->objectName() != kAlertName) return nullptr;
    return new QAccessibleWidget(dialog, QAccessible::AlertMessage);
}

// Gives each title a mnemonic of its own: the first free letter that starts a word, else
// the first free letter.
QStringList withMnemonics(const QStringList& titles) {
    QSet<QChar> used;
    QStringList marked;
    for (const QString& title : titles) {
        qsizetype chosen = -1;
        for (const bool wordStart : {true, false}) {
            for (qsizetype i = 0; i < title.size() && chosen < 0; ++i) {
                const QChar letter = title[i].toLower();
                const bool starts = i == 0 || title[i - 1].isSpace();
                if (letter.isLetter() && (starts || !wordStart) && !used.contains(letter)) {
                    chosen = i;
                }
            }
        }
        QString text = title;
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        if (chosen >= 0) {
            used.insert(title[chosen].toLower());
            text.insert(chosen + title.left(chosen).count(QLatin1Char('&')), QLatin1Char('&'));
        }
        marked.append(text);
    }
    return marked;
}

// The desktop's own file dialogs (its portal, else its platform theme's) unless this is set:
// tests that drive the dialogs by keyboard and by the accessibility tree need Qt's own.
bool widgetFileDialogsForced() {
    return qEnvironmentVariableIntValue("VARNHOLT_WIDGET_FILE_DIALOGS") != 0;
}

// Qt's own dialog, where image files and folders can be chosen at once: the Add button takes
// a selected folder, with the files beside it; a double click and Enter still open a folder.
// The desktop's dialogs offer files only; their folders come through Add Folder.
class FilesAndFoldersDialog : public QFileDialog {
public:
    FilesAndFoldersDialog(QWidget* parent, const QString& title) : QFileDialog(parent, title) {
        setOption(QFileDialog::DontUseNativeDialog, true);
        setOption(QFileDialog::ReadOnly, true);
        setFileMode(QFileDialog::ExistingFiles);
        setAcceptMode(QFileDialog::AcceptOpen);
        setLabelText(QFileDialog::Accept, addLabel());
        // The dialog names its button "Open" while a folder is selected; it adds here.
        auto* names = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* view = findChild<QListView*>(QStringLiteral("listView"));
        if (names == nullptr || view == nullptr) return;
        const auto keepLabel = [this] { setLabelText(QFileDialog::Accept, addLabel()); };
        connect(names, &QLineEdit::textChanged, this, keepLabel);
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, keepLabel);
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, keepLabel);
    }

protected:
    void accept() override {
        // Enter in the name field opens a typed folder, as in any file dialog.
        const bool typed = qobject_cast<const QLineEdit*>(sender()) != nullptr;
        const QStringList chosen = selectedFiles();
        const auto isFolder = [](const QString& path) { return QFileInfo(path).isDir(); };
        const auto exists = [](const QString& path) { return QFileInfo::exists(path); };
        if (!typed && std::any_of(chosen.begin(), chosen.end(), isFolder) &&
            std::all_of(chosen.begin(), chosen.end(), exists)) {
            QDialog::accept();
        } else {
            QFileDialog::accept();
        }
    }

private:
    // TRANSLATORS: the file dialog's button that adds the chosen images and folders.
    static QString addLabel() { return uiText("&Add"); }
};

}  // namespace

WidgetDialogs::WidgetDialogs(QWidget* parent) : parent_(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(alertAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

int WidgetDialogs::runAlert(const Alert& alert) {
    // Laid out here rather than by QMessageBox: its button box reorders the buttons by the
    // desktop's convention (reversed under GNOME), and the order of the answers is fixed.
    QDialog box(parent_);
    box.setObjectName(kAlertName);
    box.setWindowTitle(QStringLiteral("Varnholt"));
    box.setAccessibleDescription(alert.text);

    auto* icon = new QLabel(&box);
    const QStyle::StandardPixmap standard = alert.style == AlertStyle::Warning
                                                ? QStyle::SP_MessageBoxWarning
                                                : QStyle::SP_MessageBoxInformation;
    const int extent = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    icon->setPixmap(box.style()->standardIcon(standard, nullptr, &box).pixmap(extent));
    auto* text = new QLabel(alert.text, &box);
    text->setObjectName(QStringLiteral("alertText"));
    // File names are shown as they are, never read as markup, and each line stays a line.
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setMinimumWidth(360);

    auto* row = new QHBoxLayout;
    QPlainTextEdit* details = nullptr;
    if (!alert.details.isEmpty()) {
        details = new QPlainTextEdit(alert.details, &box);
        details->setReadOnly(true);
        details->setAccessibleName(uiText("Details"));
        details->hide();
        auto* toggle = new QPushButton(uiText("Show &Details…"), &box);
        toggle->setCheckable(true);
        toggle->setAutoDefault(false);
        QObject::connect(toggle, &QPushButton::toggled, details, &QWidget::setVisible);
        row->addWidget(toggle);
    }
    row->addStretch(1);
    const QStringList titles = withMnemonics(alert.buttons);
    QList<QPushButton*> buttons;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        auto* button = new QPushButton(titles[i], &box);
        const int answer = kFirstButtonAnswer + static_cast<int>(i);
        QObject::connect(button, &QPushButton::clicked, &box, [&box, answer] { box.done(answer); });
        row->addWidget(button);
        buttons.append(button);
    }
    const qsizetype defaultIndex = alert.defaultAnswer - kFirstButtonAnswer;
    if (defaultIndex >= 0 && defaultIndex < buttons.size()) {
        buttons[defaultIndex]->setDefault(true);
        buttons[defaultIndex]->setFocus();
    }

    auto* layout = new QGridLayout(&box);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(text, 0, 1);
    layout->addLayout(row, 1, 0, 1, 2);
    if (details != nullptr) layout->addWidget(details, 2, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Esc and the title bar's close button reject: a question must never read that as "Yes".
    const int result = box.exec();
    return result >= kFirstButtonAnswer ? result : alert.dismissAnswer;
}

QString imageNameFilter(const QStringList& extensions) {
    QStringList patterns;
    for (const QString& extension : extensions) {
        patterns.append(QStringLiteral("*.") + extension.toLower());
        patterns.append(QStringLiteral("*.") + extension.toUpper());
    }
    // TRANSLATORS: the file dialog's filter; %1 is the list of file name patterns.
    return uiText("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}

std::optional<QList<QUrl>> WidgetDialogs::chooseImageFiles(const QStringList& extensions) {
    const QString title = uiText("Add Images");
    std::unique_ptr<QFileDialog> dialog;
    if (widgetFileDialogsForced()) {
        dialog = std::make_unique<FilesAndFoldersDialog>(parent_, title);
    } else {
        dialog = std::make_unique<QFileDialog>(parent_, title);
        dialog->setOption(QFileDialog::ReadOnly, true);
        dialog->setFileMode(QFileDialog::ExistingFiles);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
    }
    dialog->setNameFilter(imageNameFilter(extensions));
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    return dialog->selectedUrls();
}

std::optional<QUrl> WidgetDialogs::chooseFolder(const QString& prompt) {
    QFileDialog dialog(parent_, prompt);
    dialog.setOption(QFileDialog::DontUseNativeDialog, widgetFileDialogsForced());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::ReadOnly, true);
    dialog.setLabelText(QFileDialog::Accept, prompt);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QList<QUrl> urls = dialog.selectedUrls();
    if (urls.isEmpty()) return std::nullopt;
    return urls.front();
}

bool WidgetDialogs::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

}  // namespace varnholt
