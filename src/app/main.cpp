// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppDelegate.h"
#include "app/QtTranslations.h"
#include "app/SingleInstance.h"
#include "batch/BatchJob.h"
#include "imaging/ImageTools.h"
#include "settings/Translation.h"
#include "window/FileUrls.h"
#include "window/MainWindow.h"
#include "window/ViewController.h"

namespace {

// The files named on the command line (after Qt took its own options), as absolute paths.
// They stay bytes: a name that is not UTF-8 must reach the list's checks unchanged.
std::vector<std::string> commandLineFiles(int argc, char** argv) {
    std::string folder;
    if (char* cwd = getcwd(nullptr, 0)) {
        folder = cwd;
        free(cwd);
    }
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!argument.empty()) files.push_back(varnholt::absolutePath(argument, folder));
    }
    return files;
}

QList<QUrl> fileUrls(const std::vector<std::string>& paths) {
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.append(varnholt::fileUrlFromPath(path));
    return urls;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that it works without a display.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("varnholt %s\n", VARNHOLT_VERSION);
        return 0;
    }
    QApplication application(argc, argv);
    // Qt switched the C library to the user's locale: texts follow it, numbers stay in C.
    std::setlocale(LC_NUMERIC, "C");
    varnholt::setUpTranslations();
    varnholt::loadQtTranslations(application);
    QApplication::setApplicationName(QStringLiteral("varnholt"));
    QApplication::setApplicationDisplayName(QStringLiteral("Varnholt"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.varnholt.Varnholt"));

    const std::vector<std::string> files = commandLineFiles(argc, argv);
    varnholt::SingleInstance instance(varnholt::defaultSocketPath());
    if (instance.start(files) == varnholt::SingleInstance::Role::HandedOver) return 0;

    // The image library is set up once, on this thread, before any worker uses it.
    const varnholt::ImageTools::Runtime imaging(argv[0]);

    // HEIF and AVIF are offered only where libheif can both read and write them.
    const varnholt::HeifCodecs heifAvailable = varnholt::ImageTools::heifCodecs();

    varnholt::AppDelegate delegate;
    varnholt::MainWindow window(heifAvailable);
    varnholt::ViewController* controller = window.controller();
    QObject::connect(&delegate, &varnholt::AppDelegate::openWith, controller,
                     &varnholt::ViewController::openData);
    QObject::connect(controller, &varnholt::ViewController::terminateRequested, &delegate,
                     &varnholt::AppDelegate::terminate);
    QObject::connect(&instance, &varnholt::SingleInstance::filesReceived, &window,
                     [&delegate, &window](const QList<QUrl>& urls) {
                         window.raise();
                         window.activateWindow();
                         if (!urls.isEmpty()) delegate.openURLs(urls);
                     });
    window.show();
    if (!files.empty()) delegate.openURLs(fileUrls(files));

    const int status = QApplication::exec();
    // A running batch finishes its current image while the window is already gone.
    window.hide();
    // An image given up after Stop may still hold a libvips thread, which the libraries'
    // shutdown would wait for; its unfinished file is never committed.
    if (varnholt::BatchJob::anyWorkAbandoned()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
