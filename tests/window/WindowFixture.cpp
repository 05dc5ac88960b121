#include "WindowFixture.h"

#include <QItemSelectionModel>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "window/FileUrls.h"
#include "window/ImageTableView.h"

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
    const bool confirmed = imageChoices.front().has_value();
    const QList<QUrl> chosen = confirmed ? *imageChoices.front() : QList<QUrl>{};
    imageChoices.pop_front();
    if (!confirmed) return std::nullopt;
    return chosen;
}

std::optional<QUrl> ScriptedDialogs::chooseFolder(const QString&) {
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
    const std::string file = path(name);
    std::ofstream(file) << "x";
    return file;
}

std::string TempFolder::fifo(const std::string& name) const {
    const std::string file = path(name);
    mkfifo(file.c_str(), 0600);
    return file;
}

std::string TempFolder::folder(const std::string& name) const {
    const std::string folder = path(name);
    std::filesystem::create_directory(folder);
    return folder;
}

QList<QUrl> urls(const std::vector<std::string>& paths) {
    QList<QUrl> list;
    for (const auto& path : paths) list.append(fileUrlFromPath(path));
    return list;
}

void WindowTest::makeWindow(bool heifAvailable) {
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window = std::make_unique<MainWindow>(heifAvailable, std::move(scripted));
    vc = window->controller();
}

void WindowTest::select(int row) {
    auto* selection = vc->tableViewImage->selectionModel();
    if (row < 0) {
        selection->clearSelection();
        return;
    }
    selection->select(vc->tableViewImage->model()->index(row, 0),
                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void WindowTest::setTitle(const QString& title) { window->setWindowTitle(title); }

QString WindowTest::title() const { return window->windowTitle(); }

}  // namespace varnholt::test
