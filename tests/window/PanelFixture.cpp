#include "PanelFixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QTest>

#include <QFileInfo>
#include <unistd.h>

#include <cstdio>

#include "window/PreviewRenderer.h"

namespace varnholt::test {
namespace {

// Creates path with ImageMagick unless an earlier test already did; written under a
// temporary name and renamed, so tests running side by side never see half a file.
std::string generate(const QString& name, QStringList arguments) {
    const QString folder = QStringLiteral(VARNHOLT_GENERATED_DIR);
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name;
    if (QFileInfo::exists(path)) return path.toStdString();
    const QString partial =
        folder + QStringLiteral("/.") + QString::number(getpid()) + QLatin1Char('.') + name;
    arguments.append(partial);
    const int status = QProcess::execute(QStringLiteral("/usr/bin/convert"), arguments);
    if (status != 0 ||
        std::rename(partial.toLocal8Bit().constData(), path.toLocal8Bit().constData()) != 0) {
        ADD_FAILURE() << "could not generate " << name.toStdString();
    }
    return path.toStdString();
}

QStringList gradientAt300(const QString& size, const QString& direction) {
    return {QStringLiteral("-size"),
            size,
            QStringLiteral("-define"),
            QStringLiteral("gradient:direction=") + direction,
            QStringLiteral("gradient:black-white"),
            QStringLiteral("-density"),
            QStringLiteral("300"),
            QStringLiteral("-units"),
            QStringLiteral("PixelsPerInch"),
            QStringLiteral("-type"),
            QStringLiteral("TrueColor"),
            QStringLiteral("-quality"),
            QStringLiteral("80")};
}

}  // namespace

const GeneratedImages& generatedImages() {
    static const GeneratedImages images{
        generate(QStringLiteral("landscape-4000x3000-300dpi.jpg"),
                 gradientAt300(QStringLiteral("4000x3000"), QStringLiteral("east"))),
        generate(QStringLiteral("portrait-3000x4000-300dpi.jpg"),
                 gradientAt300(QStringLiteral("3000x4000"), QStringLiteral("south"))),
        generate(QStringLiteral("no-resolution-640x480.png"),
                 {QStringLiteral("-size"), QStringLiteral("640x480"), QStringLiteral("xc:orange"),
                  QStringLiteral("-strip")}),
    };
    return images;
}

std::optional<QUrl> RecordingDialogs::chooseFolder(const QString& prompt) {
    folderPrompts.push_back(prompt);
    return ScriptedDialogs::chooseFolder(prompt);
}

void PanelTest::makeShownWindow(bool heifAvailable) {
    auto scripted = std::make_unique<RecordingDialogs>();
    recording = scripted.get();
    dialogs = recording;
    window = std::make_unique<MainWindow>(heifAvailable, std::move(scripted));
    vc = window->controller();
    window->resize(1000, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

void PanelTest::listAndSelect(const std::vector<std::string>& paths, int row) {
    vc->openData(urls(paths));
    select(row);
}

void PanelTest::enter(QLineEdit* field, const QString& text) {
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return);
}

bool PanelTest::waitForPreview() {
    const QDeadlineTimer deadline(10000);
    while (vc->previewRenderer()->isBusy() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return !vc->previewRenderer()->isBusy();
}

DimensionLabels PanelTest::labels() const {
    const auto text = [](const QLabel* label) { return label->text().toStdString(); };
    return {text(vc->labelOriginalDimensionsWidth),
            text(vc->labelOriginalDimensionsHeight),
            text(vc->labelOriginalDPI),
            text(vc->labelOutputDPI),
            text(vc->labelOutputDimensionsWidth),
            text(vc->labelOutputDimensionsHeight)};
}

QImage PanelTest::preview() const { return vc->imageViewPreview->pixmap().toImage(); }

QSize PanelTest::previewViewPixels() const {
    return vc->imageViewPreview->contentsRect().size() * vc->imageViewPreview->devicePixelRatioF();
}

}  // namespace varnholt::test
