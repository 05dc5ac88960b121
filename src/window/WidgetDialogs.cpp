#include "window/WidgetDialogs.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace varnholt {

WidgetDialogs::WidgetDialogs(QWidget* parent) : parent_(parent) {}

int WidgetDialogs::runAlert(const Alert& alert) {
    QMessageBox box(parent_);
    box.setWindowTitle(QStringLiteral("Varnholt"));
    box.setIcon(alert.style == AlertStyle::Warning ? QMessageBox::Warning
                                                   : QMessageBox::Information);
    box.setText(alert.text);
    if (!alert.details.isEmpty()) box.setDetailedText(alert.details);

    QList<QAbstractButton*> buttons;
    for (const QString& title : alert.buttons) {
        buttons.append(box.addButton(title, QMessageBox::AcceptRole));
    }
    const qsizetype dismissIndex = alert.dismissAnswer - kFirstButtonAnswer;
    // Esc and the title bar's close button press the escape button; without one set, the
    // box would pick a button by its role, which could be "Yes".
    if (dismissIndex >= 0 && dismissIndex < buttons.size()) {
        box.setEscapeButton(buttons[dismissIndex]);
    }
    if (!buttons.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
    }
    box.exec();

    const qsizetype pressed = buttons.indexOf(box.clickedButton());
    if (pressed < 0) return alert.dismissAnswer;
    return kFirstButtonAnswer + static_cast<int>(pressed);
}

QString imageNameFilter(const QStringList& extensions) {
    QStringList patterns;
    for (const QString& extension : extensions) {
        patterns.append(QStringLiteral("*.") + extension.toLower());
        patterns.append(QStringLiteral("*.") + extension.toUpper());
    }
    return QStringLiteral("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}

std::optional<QList<QUrl>> WidgetDialogs::chooseImageFiles(const QStringList& extensions) {
    QFileDialog dialog(parent_, QStringLiteral("Add Images"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, true);
    dialog.setNameFilter(imageNameFilter(extensions));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedUrls();
}

std::optional<QUrl> WidgetDialogs::chooseFolder(const QString& prompt) {
    QFileDialog dialog(parent_, prompt);
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
