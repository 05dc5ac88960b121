// SPDX-License-Identifier: GPL-3.0-or-later
#include "Fixture.h"

#include "batch/ImageList.h"
#include "imaging/ImageTools.h"
#include "settings/Translation.h"
#include "window/FileUrls.h"
#include "window/PreviewRenderer.h"

namespace varnholt::test {
namespace {

template <typename T>
T next(std::deque<T>& script, T otherwise) {
    if (script.empty()) return otherwise;
    T front = std::move(script.front());
    script.pop_front();
    return front;
}

}  // namespace

int ScriptedDialogs::runAlert(const Alert& alert) {
    alerts.push_back(alert);
    if (whileAsking) whileAsking(alert);
    return next(answers, alert.dismissAnswer);
}

std::optional<QList<QUrl>> ScriptedDialogs::chooseImageFiles(const QStringList& extensions) {
    extensionsOffered = extensions;
    // Copied out as a list and a flag: moving the optional out trips a false warning.
    const bool chosen = !imageChoices.empty() && imageChoices.front().has_value();
    const QList<QUrl> files = chosen ? *imageChoices.front() : QList<QUrl>{};
    if (!imageChoices.empty()) imageChoices.pop_front();
    return chosen ? std::optional(files) : std::nullopt;
}

std::optional<QUrl> ScriptedDialogs::chooseFolder(const QString&) {
    return next(folderChoices, std::optional<QUrl>());
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
    QList<QWidget*> found = vc->findChildren<QWidget*>();
    found.removeIf([&](QWidget* w) { return !outlet.match(w->objectName()).hasMatch(); });
    return found;
}

const GeneratedImages& generatedImages() {
    static const TempFolder folder;
    const auto save = [](const char* name, int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        image.setDotsPerMeterX(11811);  // 300 DPI
        image.setDotsPerMeterY(11811);
        EXPECT_TRUE(image.save(QString::fromStdString(folder.path(name))));
        return folder.path(name);
    };
    static const GeneratedImages images{save("landscape.jpg", 4000, 3000),
                                        save("portrait.jpg", 3000, 4000),
                                        save("plain.png", 640, 480)};
    return images;
}

void WindowTest::makeWindow(bool heif) {
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window = std::make_unique<MainWindow>(heif, std::move(scripted));
    vc = window->controller();
    window->resize(1024, 700);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
}

void WindowTest::select(int row) {
    vc->tableViewImage->selectionModel()->setCurrentIndex(
        vc->tableViewImage->model()->index(row, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

Paths WindowTest::listed() const { return vc->imageList().paths(); }

bool WindowTest::waitForPreview() {
    return QTest::qWaitFor([this] { return !vc->findChild<PreviewRenderer*>()->isBusy(); }, 10000);
}

std::string WindowTest::labels() const {
    QStringList texts;
    for (const QLabel* label :
         {vc->labelOriginalDimensionsWidth, vc->labelOriginalDimensionsHeight, vc->labelOriginalDPI,
          vc->labelOutputDPI, vc->labelOutputDimensionsWidth, vc->labelOutputDimensionsHeight})
        texts << label->text();
    return joined(texts);
}

}  // namespace varnholt::test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The file dialogs are driven through their widgets: Qt's own, not the desktop's.
    if (qEnvironmentVariableIsEmpty("VARNHOLT_WIDGET_FILE_DIALOGS"))
        qputenv("VARNHOLT_WIDGET_FILE_DIALOGS", "1");
    // Selecting a row reads the image: the image library is set up as in the application.
    const varnholt::ImageTools::Runtime imaging(argv[0]);
    QApplication application(argc, argv);
    // Run with LANGUAGE set, the window speaks that language from the build's catalogues.
    if (!qEnvironmentVariableIsEmpty("LANGUAGE")) varnholt::setUpTranslations();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
