// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include "window/Dialogs.h"

namespace varnholt {

// Alerts drawn by the application, alike on every desktop; the desktop's own file dialogs
// (Qt's where VARNHOLT_WIDGET_FILE_DIALOGS=1); pages open in the desktop's browser.
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
