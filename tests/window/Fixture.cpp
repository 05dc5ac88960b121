#include "Fixture.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "imaging/ImageTools.h"
#include "window/FileUrls.h"
#include "window/ImageTableView.h"
#include "window/PreviewRenderer.h"

namespace varnholt::test {

int ScriptedDialogs::runAlert(const Alert& alert) {
    alerts.push_back(alert);
    if (whileAsking) whileAsking(alert);
    if (answers.empty()) return alert.dismissAnswer;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QList<QUrl>> ScriptedDialogs::chooseImageFiles(const QStringList& extensions) {
    imageDialogExtensions.push_back(extensions);
    if (imageChoices.empty()) return std::nullopt;
    const bool chosen = imageChoices.front().has_value();
    const QList<QUrl> files = chosen ? *imageChoices.front() : QList<QUrl>{};
    imageChoices.pop_front();
    return chosen ? std::optional(files) : std::nullopt;
}

std::optional<QUrl> ScriptedDialogs::chooseFolder(const QString& prompt) {
    folderPrompts.push_back(prompt);
    if (folderChoices.empty()) return std::nullopt;
    auto choice = folderChoices.front();
    folderChoices.pop_front();
    return choice;
}

bool ScriptedDialogs::openUrl(const QUrl& url) {
    opened.push_back(url);
    return true;
}

TempFolder::TempFolder() {
    char pattern[] = "/tmp/varnholt-window-XXXXXX";
    path_ = mkdtemp(pattern);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::file(const std::string& name) const {
    std::ofstream(path(name)) << "x";
    return path(name);
}

std::string TempFolder::fifo(const std::string& name) const {
    mkfifo(path(name).c_str(), 0600);
    return path(name);
}

std::string TempFolder::folder(const std::string& name) const {
    std::filesystem::create_directory(path(name));
    return path(name);
}

QList<QUrl> urls(const Paths& paths) {
    QList<QUrl> list;
    for (const auto& path : paths) list.append(fileUrlFromPath(path));
    return list;
}

QList<QWidget*> outlets(const ViewController* vc) {
    const QRegularExpression outlet(QStringLiteral(
        "^(button|radio|check|textField|combo|slider|label|progressIndicator|imageView|"
        "tableView|tabView)([A-Z]|$)"));
    QList<QWidget*> found;
    for (QWidget* widget : vc->findChildren<QWidget*>()) {
        if (outlet.match(widget->objectName()).hasMatch()) found.append(widget);
    }
    return found;
}

namespace {

// Written under a temporary name and renamed, so test processes side by side never see half
// a file.
std::string generate(const QString& name, const QString& arguments) {
    const QString folder = QStringLiteral(VARNHOLT_GENERATED_DIR);
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name;
    if (QFileInfo::exists(path)) return path.toStdString();
    const QString partial = folder + QStringLiteral("/.%1.").arg(getpid()) + name;
    const int status = QProcess::execute(QStringLiteral("/usr/bin/convert"),
                                         arguments.split(QLatin1Char(' ')) << partial);
    if (status != 0 || std::rename(qPrintable(partial), qPrintable(path)) != 0) {
        ADD_FAILURE() << "could not generate " << name.toStdString();
    }
    return path.toStdString();
}

const QString kGradient = QStringLiteral(
    "-size %1 -define gradient:direction=%2 gradient:black-white -density 300 -units "
    "PixelsPerInch -type TrueColor -quality 80");

}  // namespace

const GeneratedImages& generatedImages() {
    static const GeneratedImages images{
        generate(QStringLiteral("landscape.jpg"),
                 kGradient.arg(QStringLiteral("4000x3000"), QStringLiteral("east"))),
        generate(QStringLiteral("portrait.jpg"),
                 kGradient.arg(QStringLiteral("3000x4000"), QStringLiteral("south"))),
        generate(QStringLiteral("plain.png"), QStringLiteral("-size 640x480 xc:orange -strip")),
    };
    return images;
}

void WindowTest::makeWindow(bool heif, bool shown) {
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window = std::make_unique<MainWindow>(heif, std::move(scripted));
    vc = window->controller();
    if (!shown) return;
    window->resize(1000, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
}

void WindowTest::select(int row) {
    auto* selection = vc->tableViewImage->selectionModel();
    if (row < 0) return selection->clearSelection();
    selection->select(vc->tableViewImage->model()->index(row, 0),
                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void WindowTest::listAndSelect(const Paths& paths, int row) {
    vc->openData(urls(paths));
    select(row);
}

void WindowTest::enter(QLineEdit* field, const QString& text) {
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return);
}

bool WindowTest::waitForPreview() {
    const QDeadlineTimer deadline(10000);
    while (vc->previewRenderer()->isBusy() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return !vc->previewRenderer()->isBusy();
}

DimensionLabels WindowTest::labels() const {
    const auto text = [](const QLabel* label) { return label->text().toStdString(); };
    return {text(vc->labelOriginalDimensionsWidth),
            text(vc->labelOriginalDimensionsHeight),
            text(vc->labelOriginalDPI),
            text(vc->labelOutputDPI),
            text(vc->labelOutputDimensionsWidth),
            text(vc->labelOutputDimensionsHeight)};
}

QImage WindowTest::preview() const { return vc->imageViewPreview->pixmap().toImage(); }

QSize WindowTest::previewViewPixels() const {
    return vc->imageViewPreview->contentsRect().size() * vc->imageViewPreview->devicePixelRatioF();
}

}  // namespace varnholt::test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Selecting a row reads the image: the image library is set up as in the application.
    const varnholt::ImageTools::Runtime imaging(argv[0]);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
