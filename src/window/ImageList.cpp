// The image list: the three adding routes (dialog, drop, open-with), the two remove
// commands and the refresh after a change.

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QThreadPool>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "batch/FolderExpansion.h"
#include "batch/ImageListRules.h"
#include "window/Dialogs.h"
#include "window/FileUrls.h"
#include "window/ImageListModel.h"
#include "window/ImageTableView.h"
#include "window/ViewController.h"

namespace varnholt {
namespace {

bool fileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// The paths listed so far; a candidate is taken when it is new to this set. Built per
// action, so a drop of thousands of files stays fast.
class ListedPaths {
public:
    explicit ListedPaths(const std::vector<std::string>& list) : paths_(list.begin(), list.end()) {}
    bool takeNew(const std::string& path) { return paths_.insert(path).second; }

private:
    std::unordered_set<std::string> paths_;
};

QStringList toQStringList(const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& item : items) list.append(QString::fromStdString(item));
    return list;
}

}  // namespace

int ViewController::selectedRow() const {
    const QItemSelectionModel* selection = tableViewImage->selectionModel();
    if (selection == nullptr) return -1;
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void ViewController::OnAddImages() {
    const auto chosen =
        dialogs_.chooseImageFiles(toQStringList(openDialogExtensions(heifAvailable_)));
    if (!chosen) return;
    if (chosen->isEmpty()) {
        dialogs_.runAlert(
            messageAlert(AlertStyle::Warning, QStringLiteral("The images could not be loaded.")));
        return;
    }
    ListedPaths listed(listImagePaths);
    for (const std::string& path : pathsFromFileUrls(*chosen)) {
        // The dialog filtered the types. A chosen name that does not exist is one the
        // dialog could not decode (not UTF-8): it would never load.
        if (isUnlistablePath(path) || !fileExists(path) || !listed.takeNew(path)) continue;
        listImagePaths.push_back(path);
    }
    refreshImageList();
}

void ViewController::acceptDrop(int row, const QList<QUrl>& urls) {
    withFoldersExpanded(pathsFromFileUrls(urls), [this, row](std::vector<std::string> paths) {
        insertDropped(row, std::move(paths));
    });
}

void ViewController::insertDropped(int row, std::vector<std::string> paths) {
    ListedPaths listed(listImagePaths);
    std::vector<std::string> accepted;
    for (std::string& path : paths) {
        if (!fileExists(path) || !listed.takeNew(path)) continue;
        if (!hasAcceptedExtension(path, heifAvailable_) || isUnlistablePath(path)) continue;
        accepted.push_back(std::move(path));
    }
    if (accepted.empty()) return;
    // The accepted files go in at the drop row, in drag order.
    const int at = std::clamp(row, 0, static_cast<int>(listImagePaths.size()));
    imageListModel_->beginInsertPaths(at, static_cast<int>(accepted.size()));
    listImagePaths.insert(listImagePaths.begin() + at, std::make_move_iterator(accepted.begin()),
                          std::make_move_iterator(accepted.end()));
    imageListModel_->endInsertPaths();
    // Rows are inserted in place: the selection, the preview and the display stay.
}

void ViewController::openData(const QList<QUrl>& urls) {
    if (urls.isEmpty()) return;
    withFoldersExpanded(pathsFromFileUrls(urls), [this](std::vector<std::string> paths) {
        appendAcceptedPaths(listImagePaths, paths, heifAvailable_);
        refreshImageList();
    });
}

void ViewController::withFoldersExpanded(std::vector<std::string> paths,
                                         std::function<void(std::vector<std::string>)> then) {
    const bool anyFolder = std::any_of(paths.begin(), paths.end(), [](const std::string& path) {
        std::error_code ignored;
        return std::filesystem::is_directory(path, ignored);
    });
    if (!anyFolder) {
        then(std::move(paths));
        return;
    }
    // A folder of thousands of images takes a while to walk: the window stays responsive and
    // the list fills in one step when the walk is done.
    QPointer<ViewController> self(this);
    QThreadPool::globalInstance()->start([self, abandoned = folderWalksAbandoned_,
                                          heif = heifAvailable_, paths = std::move(paths),
                                          then = std::move(then)]() mutable {
        auto expanded = expandFolders(paths, heif, abandoned.get());
        if (abandoned->load()) return;
        QMetaObject::invokeMethod(
            qApp,
            [self, expanded = std::move(expanded), then = std::move(then)]() mutable {
                if (self) then(std::move(expanded));
            },
            Qt::QueuedConnection);
    });
}

void ViewController::OnRemoveSelected() {
    if (listImagePaths.empty()) return;
    const int row = selectedRow();
    if (row < 0 || row >= static_cast<int>(listImagePaths.size())) return;
    listImagePaths.erase(listImagePaths.begin() + row);
    refreshImageList();
}

void ViewController::OnRemoveAll() {
    if (listImagePaths.empty()) return;
    const QString question =
        QStringLiteral("Are you sure you want to remove all the images from the list?");
    if (!answeredYes(dialogs_.runAlert(yesNoQuestion(question)))) return;
    listImagePaths.clear();
    refreshImageList();
}

void ViewController::refreshImageList() {
    if (imageListModel_ != nullptr) imageListModel_->reload();
    // The selected entry stays selected, with its image and preview, while it is listed.
    const auto kept = selectedPath_
                          ? std::find(listImagePaths.begin(), listImagePaths.end(), *selectedPath_)
                          : listImagePaths.end();
    if (kept != listImagePaths.end() && imageListModel_ != nullptr) {
        const QModelIndex index =
            imageListModel_->index(static_cast<int>(kept - listImagePaths.begin()));
        reselecting_ = true;
        tableViewImage->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        reselecting_ = false;
    } else {
        currentImage.reset();
        imageViewPreview->clear();
        selectedPath_.reset();
        watchSelectedFile();
    }
    updateDimensionDisplay();
}

}  // namespace varnholt
