// SPDX-License-Identifier: GPL-3.0-or-later
// Selecting a photo: how long until a picture is shown (for HEIF a draft from the file's own
// small picture) and until the preview itself is, how long the selection itself
// holds the main thread (header read, labels), and the longest the event loop waits while
// the rendering runs. Each photo is selected afresh several times; the figures are the
// median and the worst run.
//   preview-bench [rounds [photo...]]   (photos given are measured after the test data's)

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/ImageTools.h"
#include "window/FileUrls.h"
#include "window/ImageTableView.h"
#include "window/MainWindow.h"
#include "window/PreviewRenderer.h"
#include "window/ViewController.h"

namespace {

struct Photo {
    const char* path;  // under the test data
    const char* what;
};

const Photo kPhotos[] = {
    {"ianare-exif-samples/HMD_Nokia_8.3_5G.jpg", "9 MP JPEG"},
    {"ianare-exif-samples/jolla.jpg", "8 MP JPEG"},
    {"ianare-exif-samples/IMG_5195.HEIC", "8.5 MP HEIC"},
    {"ianare-exif-samples/iphone_13_pro_max.HEIC", "12 MP HEIC"},
    {"format-corpus/balloon.jpx", "10 MP JPEG 2000"},
};

struct Run {
    double selectMs = 0;      // inside the selection call: the main thread is busy
    double shownMs = 0;       // until the first picture (a draft, for HEIF) is on screen
    double finalMs = 0;       // until the rendered preview itself is
    double longestGapMs = 0;  // the longest pause between two ticks of a 1 ms timer
};

void select(varnholt::ViewController* vc, int row) {
    auto* selection = vc->tableViewImage->selectionModel();
    if (row < 0) {
        selection->clear();
        return;
    }
    // The preview follows the current row, as a click or the arrow keys move it.
    selection->setCurrentIndex(vc->tableViewImage->model()->index(row, 0),
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

Run measure(varnholt::ViewController* vc, int row) {
    select(vc, -1);
    QCoreApplication::processEvents();
    Run run;
    QElapsedTimer clock;
    bool shown = false;
    auto* renderer = vc->findChild<varnholt::PreviewRenderer*>();
    const auto connection =
        QObject::connect(renderer, &varnholt::PreviewRenderer::rendered, [&](const QImage&) {
            if (!shown) run.shownMs = clock.nsecsElapsed() / 1e6;
            shown = true;
        });
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        run.longestGapMs = std::max(run.longestGapMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    clock.start();
    select(vc, row);
    run.selectMs = clock.nsecsElapsed() / 1e6;
    sinceTick.start();
    ticker.start();
    while ((!shown || renderer->isBusy()) && clock.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    run.finalMs = clock.nsecsElapsed() / 1e6;
    ticker.stop();
    QObject::disconnect(connection);
    if (!shown) run.shownMs = run.finalMs = -1;
    return run;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const varnholt::ImageTools::Runtime imaging(argv[0]);
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    varnholt::MainWindow window(varnholt::ImageTools::heifCodecs());
    varnholt::ViewController* vc = window.controller();
    window.resize(1100, 720);
    window.show();
    QCoreApplication::processEvents();

    std::vector<std::string> paths;
    std::vector<std::string> names;
    for (const Photo& photo : kPhotos) {
        paths.push_back(std::string(VARNHOLT_TESTDATA "/") + photo.path);
        names.emplace_back(photo.what);
    }
    for (int i = 2; i < argc; ++i) {
        paths.emplace_back(argv[i]);
        names.emplace_back(QFileInfo(QString::fromLocal8Bit(argv[i])).fileName().toStdString());
    }
    QList<QUrl> urls;
    for (const auto& path : paths) urls.append(varnholt::fileUrlFromPath(path));
    vc->openData(urls);
    // A common choice: 1920 pixels wide, the preview then fills the view.
    vc->textFieldFixedWidth->setText(QStringLiteral("1920"));
    vc->radioFixedWidth->click();

    std::printf("%-16s %10s %10s %10s %10s %12s\n", "photo", "shown med", "shown max", "final med",
                "select max", "loop gap max");
    for (int row = 0; row < static_cast<int>(paths.size()); ++row) {
        std::vector<double> shown;
        std::vector<double> finals;
        double worstShown = 0;
        double worstSelect = 0;
        double worstGap = 0;
        for (int i = 0; i < rounds; ++i) {
            const Run run = measure(vc, row);
            shown.push_back(run.shownMs);
            finals.push_back(run.finalMs);
            worstShown = std::max(worstShown, run.shownMs);
            worstSelect = std::max(worstSelect, run.selectMs);
            worstGap = std::max(worstGap, run.longestGapMs);
        }
        std::printf("%-16s %8.1f ms %7.1f ms %7.1f ms %7.1f ms %9.1f ms\n",
                    names[static_cast<std::size_t>(row)].c_str(), median(shown), worstShown,
                    median(finals), worstSelect, worstGap);
    }
    return 0;
}
