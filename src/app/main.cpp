// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QLoggingCategory>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/DesktopActivation.h"
#include "app/DesktopNotices.h"
#include "app/QtTranslations.h"
#include "batch/BatchJob.h"
#include "imaging/ImageTools.h"
#include "settings/Translation.h"
#include "window/FileUrls.h"
#include "window/MainWindow.h"
#include "window/ViewController.h"

namespace {

// What a later launch or the desktop hands over; on by QT_LOGGING_RULES for the tests.
Q_LOGGING_CATEGORY(lcActivation, "varnholt.activation", QtWarningMsg)

std::string workingFolder() {
    std::string folder;
    if (char* cwd = getcwd(nullptr, 0)) {
        folder = cwd;
        free(cwd);
    }
    return folder;
}

QList<QUrl> fileUrls(const std::vector<std::string>& paths) {
    QList<QUrl> urls;
    for (const std::string& path : paths) urls.append(varnholt::fileUrlFromPath(path));
    return urls;
}

void logActivation(const QList<QUrl>& urls, const QString& token) {
    QString listed;
    for (const QUrl& url : urls) listed += QLatin1Char(' ') + url.toString(QUrl::FullyEncoded);
    qCInfo(lcActivation).noquote()
        << QStringLiteral("activated with %1 files%2 token %3").arg(urls.size()).arg(listed, token);
}

// The window comes forward with the launcher's token: Qt's Wayland platform activates with
// the one in XDG_ACTIVATION_TOKEN, and takes it from there once used.
void bringForward(QWidget& window, const QString& token) {
    if (!token.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace

int main(int argc, char** argv) {
    // The help is answered in the user's language before any window is made; numbers stay
    // in C. QApplication sets the locale again from the environment.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    varnholt::setUpTranslations();
    if (const auto answer = varnholt::earlyAnswer(argc, argv)) {
        std::fputs(answer->text.c_str(), stdout);
        return answer->exitCode;
    }
    // The display connection takes the startup id out of the environment.
    const QVariantMap platformData = varnholt::launchPlatformData();

    QApplication application(argc, argv);
    // Qt switched the C library to the user's locale: texts follow it, numbers stay in C.
    std::setlocale(LC_NUMERIC, "C");
    varnholt::loadQtTranslations(application);
    QApplication::setApplicationName(QStringLiteral("varnholt"));
    QApplication::setApplicationDisplayName(QStringLiteral("Varnholt"));
    QApplication::setApplicationVersion(QStringLiteral(VARNHOLT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.varnholt.Varnholt"));

    const QList<QUrl> files = fileUrls(varnholt::commandLineFiles(argc, argv, workingFolder()));
    varnholt::DesktopActivation activation(QDBusConnection::sessionBus());
    if (activation.start(files, platformData) == varnholt::DesktopActivation::Role::HandedOver)
        return 0;

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
    QObject::connect(&activation, &varnholt::DesktopActivation::activated, &window,
                     [&delegate, &window](const QList<QUrl>& urls, const QString& token) {
                         logActivation(urls, token);
                         bringForward(window, token);
                         if (!urls.isEmpty()) delegate.openURLs(urls);
                     });
    varnholt::DesktopNotices notices(window, QDBusConnection::sessionBus());
    notices.follow(*controller->batchController());
    window.show();
    if (!files.isEmpty()) delegate.openURLs(files);

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
