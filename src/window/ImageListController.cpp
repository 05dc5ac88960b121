// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ImageListController.h"

#include <QApplication>
#include <QItemSelectionModel>
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
#include "window/WindowControls.h"

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

ImageListController::ImageListController(
    std::vector<std::string>& listImagePaths,
    std::unordered_map<std::string, std::string>& listSubFolders, const WindowControls& controls,
    Dialogs& dialogs, HeifCodecs heifAvailable, QObject* parent)
    : QObject(parent),
      listImagePaths_(listImagePaths),
      listSubFolders_(listSubFolders),
      c_(controls),
      dialogs_(dialogs),
      heifAvailable_(heifAvailable) {}

ImageListController::~ImageListController() { folderWalkAbandoned_->store(true); }

void ImageListController::abandonFolderWalk() {
    folderWalkAbandoned_->store(true);
    folderWalkAbandoned_ = std::make_shared<std::atomic<bool>>(false);
}

void ImageListController::attachTable() {
    imageListModel_ = new ImageListModel(listImagePaths_, heifAvailable_, this);
    c_.tableViewImage->setModel(imageListModel_);
    connect(imageListModel_, &ImageListModel::filesDropped, this, &ImageListController::acceptDrop);
    // Rows inserted by a drop report a selection change with nothing selected or deselected;
    // the selection did not change then.
    connect(c_.tableViewImage->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (reselecting_ || (selected.isEmpty() && deselected.isEmpty())) return;
                selectedPath_ = selectedPath();
                emit selectionChanged();
            });
}

std::optional<std::string> ImageListController::selectedPath() const {
    const int row = selectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= listImagePaths_.size()) return std::nullopt;
    return listImagePaths_[static_cast<std::size_t>(row)];
}

int ImageListController::selectedRow() const {
    const QItemSelectionModel* selection = c_.tableViewImage->selectionModel();
    if (selection == nullptr) return -1;
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void ImageListController::addImages() {
    const auto chosen =
        dialogs_.chooseImageFiles(toQStringList(openDialogExtensions(heifAvailable_)));
    if (!chosen) return;
    if (chosen->isEmpty()) {
        dialogs_.runAlert(
            messageAlert(AlertStyle::Warning, QStringLiteral("The images could not be loaded.")));
        return;
    }
    withFoldersExpanded(pathsFromFileUrls(*chosen), [this](std::vector<std::string> paths) {
        ListedPaths listed(listImagePaths_);
        for (const std::string& path : paths) {
            // The dialog filtered the types, the walk the files inside folders. A chosen
            // name that does not exist is one the dialog could not decode (not UTF-8): it
            // would never load.
            if (isUnlistablePath(path) || !fileExists(path) || !listed.takeNew(path)) continue;
            listImagePaths_.push_back(path);
        }
        refresh();
    });
}

void ImageListController::acceptDrop(int row, const QList<QUrl>& urls) {
    withFoldersExpanded(pathsFromFileUrls(urls), [this, row](std::vector<std::string> paths) {
        insertDropped(row, std::move(paths));
    });
}

void ImageListController::insertDropped(int row, std::vector<std::string> paths) {
    ListedPaths listed(listImagePaths_);
    std::vector<std::string> accepted;
    for (std::string& path : paths) {
        if (!fileExists(path) || !listed.takeNew(path)) continue;
        if (!hasAcceptedExtension(path, heifAvailable_) || isUnlistablePath(path)) continue;
        accepted.push_back(std::move(path));
    }
    if (accepted.empty()) return;
    // The accepted files go in at the drop row, in drag order.
    const int at = std::clamp(row, 0, static_cast<int>(listImagePaths_.size()));
    imageListModel_->beginInsertPaths(at, static_cast<int>(accepted.size()));
    listImagePaths_.insert(listImagePaths_.begin() + at, std::make_move_iterator(accepted.begin()),
                           std::make_move_iterator(accepted.end()));
    imageListModel_->endInsertPaths();
    // Rows are inserted in place: the selection, the preview and the display stay.
}

void ImageListController::openData(const QList<QUrl>& urls) {
    if (urls.isEmpty()) return;
    withFoldersExpanded(pathsFromFileUrls(urls), [this](std::vector<std::string> paths) {
        appendAcceptedPaths(listImagePaths_, paths, heifAvailable_);
        refresh();
    });
}

void ImageListController::withFoldersExpanded(std::vector<std::string> paths,
                                              std::function<void(std::vector<std::string>)> then) {
    // Only New and Remove All abandon a walk: a second folder dropped while the first is read
    // adds to it, never in its place.
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
    QPointer<ImageListController> self(this);
    QThreadPool::globalInstance()->start([self, abandoned = folderWalkAbandoned_,
                                          heif = heifAvailable_, paths = std::move(paths),
                                          then = std::move(then)]() mutable {
        FolderWalk walk = walkFolders(paths, heif, abandoned.get());
        if (abandoned->load()) return;
        // Checked again on the main thread: a command may overtake the walk after it ended.
        QMetaObject::invokeMethod(
            qApp,
            [self, abandoned, walk = std::move(walk), then = std::move(then)]() mutable {
                if (self && !abandoned->load()) self->listWalked(std::move(walk), then);
            },
            Qt::QueuedConnection);
    });
}

void ImageListController::listWalked(FolderWalk walk,
                                     const std::function<void(std::vector<std::string>)>& then) {
    // An image listed already keeps the folder it was listed with.
    std::unordered_set<std::string> listed(listImagePaths_.begin(), listImagePaths_.end());
    for (std::size_t i = 0; i < walk.paths.size(); ++i) {
        if (!walk.subFolders[i].empty() && !listed.contains(walk.paths[i]))
            listSubFolders_.insert_or_assign(walk.paths[i], walk.subFolders[i]);
    }
    then(std::move(walk.paths));
    // What the list refused leaves nothing behind for a later add of the same path.
    listed = {listImagePaths_.begin(), listImagePaths_.end()};
    std::erase_if(listSubFolders_,
                  [&](const auto& entry) { return !listed.contains(entry.first); });
}

void ImageListController::removeSelected() {
    if (listImagePaths_.empty()) return;
    const int row = selectedRow();
    if (row < 0 || row >= static_cast<int>(listImagePaths_.size())) return;
    listSubFolders_.erase(listImagePaths_[static_cast<std::size_t>(row)]);
    listImagePaths_.erase(listImagePaths_.begin() + row);
    refresh();
}

void ImageListController::removeAll() {
    if (listImagePaths_.empty()) {
        abandonFolderWalk();  // the rows on their way would be the only ones
        return;
    }
    const QString question =
        QStringLiteral("Are you sure you want to remove all the images from the list?");
    if (!answeredYes(dialogs_.runAlert(yesNoQuestion(question)))) return;
    abandonFolderWalk();
    listImagePaths_.clear();
    listSubFolders_.clear();
    refresh();
}

void ImageListController::refresh() {
    if (imageListModel_ != nullptr) imageListModel_->reload();
    const auto kept =
        selectedPath_ ? std::find(listImagePaths_.begin(), listImagePaths_.end(), *selectedPath_)
                      : listImagePaths_.end();
    const bool selectionKept = kept != listImagePaths_.end() && imageListModel_ != nullptr;
    if (selectionKept) {
        const QModelIndex index =
            imageListModel_->index(static_cast<int>(kept - listImagePaths_.begin()));
        reselecting_ = true;
        c_.tableViewImage->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        reselecting_ = false;
    } else {
        selectedPath_.reset();
    }
    emit refreshed(selectionKept);
}

}  // namespace varnholt
