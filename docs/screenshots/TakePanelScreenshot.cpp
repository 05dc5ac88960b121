// Takes the user guide's picture of the settings panel at work: a landscape photo fitted
// into a box, not enlarged, with a new DPI, with its preview and the numbers
// under it. Run under a display (xvfb-run works):
//   take-panel-screenshot <output folder>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <cstdio>
#include <string>

#include "imaging/ImageTools.h"
#include "window/FileUrls.h"
#include "window/ImageTableView.h"
#include "window/MainWindow.h"
#include "window/PreviewRenderer.h"
#include "window/ViewController.h"

namespace {

const char* const kPhotos[] = {
    "ianare-exif-samples/42_IndexError.jpg",
    "ianare-exif-samples/IMG_5195.HEIC",
    "nico-jpegfiles/IMG_9424.JPG",
};

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
    QTest::qWait(200);  // the view may re-render once it has settled
    while (vc->previewRenderer()->isBusy() && timer.elapsed() < 20000) QTest::qWait(20);
    return !vc->previewRenderer()->isBusy();
}

}  // namespace

int main(int argc, char** argv) {
    const varnholt::ImageTools::Runtime imaging(argv[0]);
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    varnholt::MainWindow window(varnholt::ImageTools::heifSupported());
    varnholt::ViewController* vc = window.controller();
    window.resize(1100, 720);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;

    const std::string testdata =
        QDir(QStringLiteral(VARNHOLT_TESTDATA)).canonicalPath().toStdString();
    QList<QUrl> photos;
    for (const char* photo : kPhotos) {
        photos.append(varnholt::fileUrlFromPath(testdata + "/" + photo));
    }
    vc->openData(photos);
    vc->tableViewImage->selectionModel()->select(
        vc->tableViewImage->model()->index(0, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    vc->radioFixedWidthAndHeight->click();
    type(vc->textFieldFixedDimensionsWidth, QStringLiteral("1600"));
    type(vc->textFieldFixedDimensionsHeight, QStringLiteral("1000"));
    type(vc->textFieldChangeDPI, QStringLiteral("300"));
    vc->checkChangeDPI->click();
    vc->checkDoNotEnlargeImages->click();
    if (!waitForPreview(vc)) return 1;

    const QString path = folder + QStringLiteral("/window-panel.png");
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", path.toLocal8Bit().constData());
    return saved ? 0 : 1;
}
