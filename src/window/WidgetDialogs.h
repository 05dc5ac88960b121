// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include "window/Dialogs.h"

namespace varnholt {

// Dialogs drawn by the application, alike on every desktop: alerts and file dialogs; pages
// open in the desktop's browser.
class WidgetDialogs : public Dialogs {
public:
    explicit WidgetDialogs(QWidget* parent);

    int runAlert(const Alert& alert) override;
    std::optional<QList<QUrl>> chooseImageFiles(const QStringList& extensions) override;
    std::optional<QUrl> chooseFolder(const QString& prompt) override;
    bool openUrl(const QUrl& url) override;

private:
    QPointer<QWidget> parent_;
};

// The name filter of the image dialog: each extension in lower and upper case.
QString imageNameFilter(const QStringList& extensions);

}  // namespace varnholt
