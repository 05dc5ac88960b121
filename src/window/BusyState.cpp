// The window while a batch runs: the panel and the list commands are disabled, the image
// table still takes drops (into the visible list only; the batch works on its own copy).

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "settings/PanelRules.h"
#include "window/ViewController.h"

namespace varnholt {

QList<QWidget*> ViewController::busyControls() const {
    QList<QWidget*> controls{buttonAddImages, buttonRemoveSelected, buttonRemoveAll};
    return controls << panelControls() << buttonResizeImages;
}

void ViewController::enterBusyState() {
    busy_ = true;
    for (QWidget* control : busyControls()) control->setEnabled(false);
    buttonResizeImages->setText(QStringLiteral("Resizing..."));
    // The menu and the Delete key reach the same commands; New would empty the list the
    // user is waiting on.
    for (QAction* action :
         {actionAddImages_, actionNew_, actionResizeImages_, actionRemoveSelected_}) {
        action->setEnabled(false);
    }
}

void ViewController::leaveBusyState() {
    for (QWidget* control : busyControls()) control->setEnabled(true);
    checkDoNotEnlargeImages->setEnabled(doNotEnlargeEnabled(modeRadios()));
    sliderQuality->setEnabled(formatUsesQuality(
        FormatChoice{comboFormat->currentIndex(), comboFormat->currentText().toStdString()}));
    buttonResizeImages->setText(QStringLiteral("&Resize Images"));
    for (QAction* action :
         {actionAddImages_, actionNew_, actionResizeImages_, actionRemoveSelected_}) {
        action->setEnabled(true);
    }
    busy_ = false;
}

}  // namespace varnholt
