// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch/FolderExpansion.h"
#include "batch/ImageList.h"
#include "settings/FormatTable.h"

namespace varnholt {

class Dialogs;
class ImageListModel;
struct WindowControls;

// The window's image list: it holds the list and is the only one to change it. The three
// adding routes (dialog, drop, open-with), a folder among the added paths standing for the
// images inside it, the two remove commands, the table with its current row and the count
// line under it.
class ImageListController : public QObject {
    Q_OBJECT

public:
    ImageListController(const WindowControls& controls, Dialogs& dialogs, HeifCodecs heifAvailable,
                        QObject* parent = nullptr);
    ~ImageListController() override;

    // Puts the list into the table and takes its drops and current row changes.
    void attachTable();

    const ImageList& list() const { return list_; }

    void addImages();
    // Removes every selected row; the current row stays unless it is removed.
    void removeSelected();
    // Asks, then empties the list.
    void removeAll();
    // Empties the list without asking, a folder walk on its way included.
    void clear();
    // Adds at the end, a folder standing for the images inside it.
    void addPaths(std::vector<std::string> paths);
    // A folder walk still in flight delivers nothing: the list obeys the command given after
    // it (New, Remove All, another add).
    void abandonFolderWalk();

    // The path of the table's current row; nothing without one.
    std::optional<std::string> currentPath() const;

signals:
    // The table's current row now holds another image, or none.
    void currentChanged();

private:
    void acceptDrop(int row, const QList<QUrl>& urls);
    // Folders among the paths stand for the images inside them. A walk runs off the main
    // thread; the list takes its images at row (the end when absent) on the main thread,
    // unless the window closed first.
    void admit(std::vector<std::string> paths, std::optional<int> row);
    void insertWalked(FolderWalk walk, std::optional<int> row);
    // Removes rows (ascending) with one notice to the views where they are one range.
    void removeRows(const std::vector<std::size_t>& rows);
    void followCurrentRow();
    void showCount();

    const WindowControls& c_;
    Dialogs& dialogs_;
    const HeifCodecs heifAvailable_;
    ImageList list_;
    ImageListModel* imageListModel_ = nullptr;
    // The image the current row held when last told: a row moving under it is no change.
    std::optional<std::string> currentPath_;
    // The latest folder walk's flag, set when a later command or the window's end overtakes
    // it: the walk stops and delivers nothing. Each walk has a flag of its own.
    std::shared_ptr<std::atomic<bool>> folderWalkAbandoned_ =
        std::make_shared<std::atomic<bool>>(false);
};

}  // namespace varnholt
