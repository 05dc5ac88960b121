// SPDX-License-Identifier: GPL-3.0-or-later
// Takes the user guide's screenshots of the real window: a list of photos, a batch in
// progress, the message after it, and the settings panel fitting a photo into a box with
// a new DPI. Run under a display by docs/screenshots/take, which lays the photos out as a
// user's folder would be:
//   take-screenshots <output folder> <photo>...
// The batch writes into a folder "Resized" beside the first photo.

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <string>

#include <libintl.h>

#include <clocale>
#include <cstdlib>

#include "imaging/ImageTools.h"
#include "settings/Translation.h"
#include "window/FileUrls.h"
#include "window/ImageTableView.h"
#include "window/MainWindow.h"
#include "window/PreviewController.h"
#include "window/PreviewRenderer.h"
#include "window/ViewController.h"

namespace {

void wait(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool save(const QPixmap& shot, const QString& folder, const QString& name) {
    const QString path = folder + QLatin1Char('/') + name;
    const bool saved = shot.save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return saved;
}

// Types into a field and presses Enter, as a user finishes an entry.
void type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

bool waitForPreview(varnholt::ViewController* vc) {
    QElapsedTimer timer;
    timer.start();
    wait(200);  // the view may re-render once it has settled
    while (vc->findChild<varnholt::PreviewRenderer*>()->isBusy() && timer.elapsed() < 20000)
        wait(20);
    return !vc->findChild<varnholt::PreviewRenderer*>()->isBusy();
}

// The panel at work: the 9 MP photo fitted into a box, not enlarged, with a new DPI.
bool savePanel(varnholt::MainWindow& window, const QString& folder) {
    varnholt::ViewController* vc = window.controller();
    vc->tableViewImage->selectionModel()->setCurrentIndex(
        vc->tableViewImage->model()->index(6, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    vc->radioFixedWidthAndHeight->click();
    type(vc->textFieldFixedDimensionsWidth, QStringLiteral("1600"));
    type(vc->textFieldFixedDimensionsHeight, QStringLiteral("1000"));
    type(vc->textFieldChangeDPI, QStringLiteral("300"));
    vc->checkChangeDPI->click();
    return waitForPreview(vc) && save(window.grab(), folder, QStringLiteral("window-panel.png"));
}

// The window with the message box drawn where it stands over it.
QPixmap withMessage(QWidget* window, QWidget* box) {
    QPixmap shot = window->grab();
    QPainter painter(&shot);
    const QPoint at = box->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0));
    const QPixmap message = box->grab();
    painter.fillRect(QRect(at + QPoint(4, 4), message.size()), QColor(0, 0, 0, 60));
    painter.drawPixmap(at, message);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(QRect(at, message.size()).adjusted(0, 0, -1, -1));
    return shot;
}

}  // namespace

int main(int argc, char** argv) {
    const varnholt::ImageTools::Runtime imaging(argv[0]);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    varnholt::setUpTranslations();
    // A copy of the program outside the build reads the build's catalogues from here.
    if (const char* catalogues = std::getenv("TAKE_CATALOGUES"))
        bindtextdomain(varnholt::kTextDomain, catalogues);
    if (argc < 9) {
        std::fprintf(stderr, "usage: %s <output folder> <photo>... (seven photos or more)\n",
                     argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    QList<QUrl> photos;
    for (int i = 2; i < argc; ++i) photos.append(varnholt::fileUrlFromPath(argv[i]));
    const QString out =
        QFileInfo(photos.front().toLocalFile()).absolutePath() + QStringLiteral("/Resized");
    QDir().mkpath(out);

    varnholt::MainWindow window(varnholt::ImageTools::heifCodecs());
    varnholt::ViewController* vc = window.controller();
    window.resize(1100, 720);
    window.show();

    vc->openData(photos);
    vc->radioFreeResize->setChecked(false);
    vc->radioFixedWidth->setChecked(true);
    vc->textFieldFixedWidth->setText(QStringLiteral("1280"));
    vc->checkDoNotEnlargeImages->setChecked(true);
    vc->textFieldOutputFolder->setText(out);
    vc->tableViewImage->selectionModel()->setCurrentIndex(
        vc->tableViewImage->model()->index(2, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    vc->findChild<varnholt::PreviewController*>()->updateDimensionDisplay();
    wait(1500);  // the preview renders in the background
    bool ok = save(window.grab(), folder, QStringLiteral("window-list.png"));
    vc->tabView->setCurrentIndex(1);
    wait(100);
    ok = save(window.grab(), folder, QStringLiteral("window-output.png")) && ok;
    vc->tabView->setCurrentIndex(0);

    bool tookBatch = false;
    bool tookDone = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const int value = vc->progressIndicator->value();
        if (!tookBatch && vc->isBusy() && value > 200 && value < 800) {
            tookBatch = save(window.grab(), folder, QStringLiteral("window-batch.png"));
        }
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible() && !tookDone) {
            tookDone = true;
            wait(200);
            ok = save(withMessage(&window, box), folder, QStringLiteral("window-done.png")) && ok;
            box->accept();
        }
    });
    watch.start(15);
    QTimer::singleShot(0, vc->buttonResizeImages, &QPushButton::click);
    QElapsedTimer limit;
    limit.start();
    while (!tookDone && limit.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    watch.stop();
    if (!tookBatch) std::printf("FAILED no shot during the batch\n");
    ok = savePanel(window, folder) && ok;
    return ok && tookBatch && tookDone ? 0 : 1;
}
