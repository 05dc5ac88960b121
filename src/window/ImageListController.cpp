// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ImageListController.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <filesystem>

#include "batch/ImageListRules.h"
#include "window/Dialogs.h"
#include "window/FileUrls.h"
#include "window/ImageListModel.h"
#include "window/ImageTableView.h"
#include "window/WindowControls.h"
#include "window/UiText.h"

namespace varnholt {
namespace {

QStringList toQStringList(const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& item : items) list.append(QString::fromStdString(item));
    return list;
}

QString countLine(std::size_t count) {
    if (count == 0) return {};
    return uiCount("%n image listed", "%n images listed", static_cast<qulonglong>(count));
}

// The ascending rows as runs of consecutive rows: {first, count}.
std::vector<std::pair<std::size_t, std::size_t>> runsOf(const std::vector<std::size_t>& rows) {
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (const std::size_t row : rows) {
        if (!runs.empty() && runs.back().first + runs.back().second == row) {
            ++runs.back().second;
        } else {
            runs.emplace_back(row, 1);
        }
    }
    return runs;
}

}  // namespace

ImageListController::ImageListController(const WindowControls& controls, Dialogs& dialogs,
                                         HeifCodecs heifAvailable, QObject* parent)
    : QObject(parent),
      c_(controls),
      dialogs_(dialogs),
      heifAvailable_(heifAvailable),
      list_(heifAvailable) {}

ImageListController::~ImageListController() { folderWalkAbandoned_->store(true); }

void ImageListController::abandonFolderWalk() {
    folderWalkAbandoned_->store(true);
    folderWalkAbandoned_ = std::make_shared<std::atomic<bool>>(false);
}

void ImageListController::attachTable() {
    imageListModel_ = new ImageListModel(list_, heifAvailable_, this);
    c_.tableViewImage->setModel(imageListModel_);
    connect(imageListModel_, &ImageListModel::filesDropped, this, &ImageListController::acceptDrop);
    connect(c_.tableViewImage->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ImageListController::followCurrentRow);
    for (const auto changed : {&ImageListModel::rowsInserted, &ImageListModel::rowsRemoved})
        connect(imageListModel_, changed, this, &ImageListController::showCount);
    connect(imageListModel_, &ImageListModel::modelReset, this, &ImageListController::showCount);
    showCount();
}

std::optional<std::string> ImageListController::currentPath() const {
    const int row = c_.tableViewImage->currentIndex().row();
    if (row < 0 || static_cast<std::size_t>(row) >= list_.size()) return std::nullopt;
    return list_.path(static_cast<std::size_t>(row));
}

void ImageListController::followCurrentRow() {
    std::optional<std::string> path = currentPath();
    if (path == currentPath_) return;
    currentPath_ = std::move(path);
    emit currentChanged();
}

void ImageListController::showCount() {
    const QString line = countLine(list_.size());
    c_.labelImageCount->setText(line);
    // Readers speak the name; an empty line still has one.
    c_.labelImageCount->setAccessibleName(line.isEmpty() ? uiText("No images listed") : line);
}

void ImageListController::addImages() {
    const auto chosen =
        dialogs_.chooseImageFiles(toQStringList(openDialogExtensions(heifAvailable_)));
    if (!chosen) return;
    if (chosen->isEmpty()) {
        dialogs_.runAlert(
            messageAlert(AlertStyle::Warning, uiText("The images could not be loaded.")));
        return;
    }
    admit(pathsFromFileUrls(*chosen), std::nullopt);
}

void ImageListController::acceptDrop(int row, const QList<QUrl>& urls) {
    admit(pathsFromFileUrls(urls), row);
}

void ImageListController::addPaths(std::vector<std::string> paths) {
    admit(std::move(paths), std::nullopt);
}

void ImageListController::admit(std::vector<std::string> paths, std::optional<int> row) {
    // Only New and Remove All abandon a walk: a second folder dropped while the first is read
    // adds to it, never in its place.
    const bool anyFolder = std::any_of(paths.begin(), paths.end(), [](const std::string& path) {
        std::error_code ignored;
        return std::filesystem::is_directory(path, ignored);
    });
    if (!anyFolder) {
        insertWalked({std::move(paths), {}, {}}, row);
        return;
    }
    // A folder of thousands of images takes a while to walk: the window stays responsive and
    // the list fills in one step when the walk is done.
    QPointer<ImageListController> self(this);
    QThreadPool::globalInstance()->start([self, abandoned = folderWalkAbandoned_,
                                          heif = heifAvailable_, paths = std::move(paths), row] {
        FolderWalk walk = walkFolders(paths, heif, abandoned.get());
        if (abandoned->load()) return;
        // Checked again on the main thread: a command may overtake the walk after it ended.
        QMetaObject::invokeMethod(
            qApp,
            [self, abandoned, walk = std::move(walk), row]() mutable {
                if (self && !abandoned->load()) self->insertWalked(std::move(walk), row);
            },
            Qt::QueuedConnection);
    });
}

void ImageListController::insertWalked(FolderWalk walk, std::optional<int> row) {
    ImageList::Admission admission = list_.screen(std::move(walk));
    if (admission.size() == 0) return;
    // Rows go in where they belong: the selection and the current row stay on their images.
    const int count = static_cast<int>(list_.size());
    const int at = row ? std::clamp(*row, 0, count) : count;
    imageListModel_->insertPaths(at, static_cast<int>(admission.size()), [&] {
        list_.insert(std::move(admission), static_cast<std::size_t>(at));
    });
}

void ImageListController::removeSelected() {
    QItemSelectionModel* selection = c_.tableViewImage->selectionModel();
    // Read from the ranges: selectedRows() checks each row against every range, which takes
    // seconds for ten thousand scattered rows.
    std::vector<std::size_t> rows;
    for (const QItemSelectionRange& range : selection->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(static_cast<std::size_t>(row));
    }
    if (rows.empty()) return;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // What stays is not selected afterwards; the current row, if it goes, leaves none.
    const QModelIndex current = selection->currentIndex();
    if (selection->isRowSelected(current.row())) {
        selection->clear();
    } else {
        selection->clearSelection();
    }
    removeRows(rows);
}

void ImageListController::removeRows(const std::vector<std::size_t>& rows) {
    const auto runs = runsOf(rows);
    if (runs.size() == 1) {
        imageListModel_->removePaths(static_cast<int>(runs[0].first),
                                     static_cast<int>(runs[0].second),
                                     [&] { list_.removeRows(rows); });
        return;
    }
    // Scattered rows go in one pass: a notice per run would cost a pass per run. The reset
    // forgets the current row, which is put back on its image.
    QItemSelectionModel* selection = c_.tableViewImage->selectionModel();
    const int current = selection->currentIndex().row();
    imageListModel_->resetPaths([&] { list_.removeRows(rows); });
    if (current < 0) return;
    const auto removedAbove = std::lower_bound(rows.begin(), rows.end(), current) - rows.begin();
    selection->setCurrentIndex(imageListModel_->index(current - static_cast<int>(removedAbove)),
                               QItemSelectionModel::NoUpdate);
}

void ImageListController::removeAll() {
    if (list_.empty()) {
        abandonFolderWalk();  // the rows on their way would be the only ones
        return;
    }
    const QString question =
        uiText("Are you sure you want to remove all the images from the list?");
    if (!answeredYes(dialogs_.runAlert(yesNoQuestion(question)))) return;
    clear();
}

void ImageListController::clear() {
    abandonFolderWalk();
    if (list_.empty() || imageListModel_ == nullptr) return;
    imageListModel_->removePaths(0, static_cast<int>(list_.size()), [this] { list_.clear(); });
}

}  // namespace varnholt
