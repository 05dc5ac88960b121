// The image list: the three adding routes (dialog, drop, open-with), the two remove
// commands and the refresh after a change.

#include <QItemSelectionModel>
#include <QLabel>
#include <sys/stat.h>

#include <algorithm>

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

bool listed(const std::vector<std::string>& list, const std::string& path) {
    return std::find(list.begin(), list.end(), path) != list.end();
}

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
    for (const std::string& path : pathsFromFileUrls(*chosen)) {
        // The dialog filtered the types. A chosen name that does not exist is one the
        // dialog could not decode (not UTF-8): it would never load.
        if (isUnlistablePath(path) || !fileExists(path) || listed(listImagePaths, path)) continue;
        listImagePaths.push_back(path);
    }
    refreshImageList();
}

void ViewController::acceptDrop(int row, const QList<QUrl>& urls) {
    int insertAt = std::clamp(row, 0, static_cast<int>(listImagePaths.size()));
    for (const std::string& path : pathsFromFileUrls(urls)) {
        if (!fileExists(path) || listed(listImagePaths, path)) continue;
        if (!hasAcceptedExtension(path, heifAvailable_) || isUnlistablePath(path)) continue;
        imageListModel_->beginInsertPath(insertAt);
        listImagePaths.insert(listImagePaths.begin() + insertAt, path);
        imageListModel_->endInsertPath();
        ++insertAt;
    }
    // Rows are inserted in place: the selection, the preview and the display stay.
}

void ViewController::openData(const QList<QUrl>& urls) {
    if (urls.isEmpty()) return;
    appendAcceptedPaths(listImagePaths, pathsFromFileUrls(urls), heifAvailable_);
    refreshImageList();
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
    currentImage.reset();
    imageViewPreview->clear();
    updateDimensionDisplay();
}

}  // namespace varnholt
