// SPDX-License-Identifier: GPL-3.0-or-later
// How the image list copes with long lists: adding N paths by open-with and by a drop, then
// removing every other row (scattered) and the rest (one run); then a folder of 20,000 images
// dropped whole. Run by hand (not a test):
//   cmake --build build --target window-list-bench && build/bench/window/window-list-bench

#include <QApplication>
#include <QAction>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QMimeData>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "batch/ImageList.h"
#include "window/FileUrls.h"
#include "window/ImageListModel.h"
#include "window/ImageTableView.h"
#include "window/MainWindow.h"
#include "window/ViewController.h"

namespace {

QList<QUrl> makeFiles(const std::string& folder, const std::string& prefix, int count) {
    QList<QUrl> urls;
    for (int i = 0; i < count; ++i) {
        const std::string path = folder + "/" + prefix + std::to_string(i) + ".jpg";
        std::ofstream(path) << "x";
        urls.append(varnholt::fileUrlFromPath(path));
    }
    return urls;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    char pattern[] = "/tmp/varnholt-list-bench-XXXXXX";
    const std::string folder = mkdtemp(pattern);

    for (const int count : {1000, 5000, 20000}) {
        const QList<QUrl> opened = makeFiles(folder, "open" + std::to_string(count) + "_", count);
        const QList<QUrl> dropped = makeFiles(folder, "drop" + std::to_string(count) + "_", count);
        varnholt::MainWindow window(false);
        varnholt::ViewController* vc = window.controller();

        QElapsedTimer timer;
        timer.start();
        vc->openData(opened);
        const qint64 openMs = timer.elapsed();

        QMimeData mime;
        mime.setUrls(dropped);
        auto* model = qobject_cast<varnholt::ImageListModel*>(vc->tableViewImage->model());
        timer.restart();
        model->dropMimeData(&mime, Qt::CopyAction, 0, 0, {});
        const qint64 dropMs = timer.elapsed();

        QItemSelectionModel* selection = vc->tableViewImage->selectionModel();
        QItemSelection everyOther;
        for (int row = 0; row < model->rowCount(); row += 2)
            everyOther.select(model->index(row, 0), model->index(row, 0));
        selection->select(everyOther, QItemSelectionModel::Select);
        timer.restart();
        vc->actionRemoveSelected->trigger();
        const qint64 scatteredMs = timer.elapsed();
        const std::size_t left = vc->imageList().size();

        vc->tableViewImage->selectAll();
        timer.restart();
        vc->actionRemoveSelected->trigger();
        const qint64 allMs = timer.elapsed();
        std::printf(
            "%6d paths: open-with %5lld ms, drop %5lld ms, remove every other %5lld ms, "
            "the other %zu %4lld ms\n",
            count, static_cast<long long>(openMs), static_cast<long long>(dropMs),
            static_cast<long long>(scatteredMs), left, static_cast<long long>(allMs));
    }
    // A folder of 20,000 images opened whole: walked, filtered and listed.
    const std::string photos = folder + "/photos";
    std::filesystem::create_directory(photos);
    makeFiles(photos, "photo_", 20000);
    {
        varnholt::MainWindow window(false);
        varnholt::ViewController* vc = window.controller();
        QElapsedTimer timer;
        timer.start();
        vc->openData({varnholt::fileUrlFromPath(photos)});
        // The walk runs off the main thread; the list fills when it is done.
        while (vc->imageList().size() < 20000 && timer.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents,
                                            5);
        }
        std::printf("a folder of 20000 images: %lld ms, %zu listed\n",
                    static_cast<long long>(timer.elapsed()), vc->imageList().size());
    }
    std::filesystem::remove_all(folder);
    return 0;
}
