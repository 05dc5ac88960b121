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
#include <unordered_map>
#include <vector>

#include "batch/FolderExpansion.h"
#include "settings/FormatTable.h"

namespace varnholt {

class Dialogs;
class ImageListModel;
struct WindowControls;

// The image list: the three adding routes (dialog, drop, open-with), a folder among the
// added paths standing for the images inside it, the two remove commands, the table and its
// selection. The list itself belongs to the window controller; this keeps it and the table
// in step.
class ImageListController : public QObject {
    Q_OBJECT

public:
    // listSubFolders holds, for a listed image found by walking a folder, its folder
    // relative to the one walked; it is kept in step with the list.
    ImageListController(std::vector<std::string>& listImagePaths,
                        std::unordered_map<std::string, std::string>& listSubFolders,
                        const WindowControls& controls, Dialogs& dialogs, HeifCodecs heifAvailable,
                        QObject* parent = nullptr);
    ~ImageListController() override;

    // Puts the list into the table and takes its drops and selection changes.
    void attachTable();

    void addImages();
    void removeSelected();
    void removeAll();
    // Files opened with the application from the desktop.
    void openData(const QList<QUrl>& urls);
    // After a change of the list: reloads the table; the selected entry stays selected while
    // it is listed.
    void refresh();
    // A folder walk still in flight delivers nothing: the list obeys the command given after
    // it (New, Remove All, another add).
    void abandonFolderWalk();

    // The selected row of the table; -1 without a selection.
    int selectedRow() const;
    // The path of the selected entry; nothing without a selection.
    std::optional<std::string> selectedPath() const;

signals:
    // The user selected another entry, or none.
    void selectionChanged();
    // refresh() ran; selectionKept tells whether the selected entry is still selected.
    void refreshed(bool selectionKept);

private:
    void acceptDrop(int row, const QList<QUrl>& urls);
    void insertDropped(int row, std::vector<std::string> paths);
    // Folders among the paths stand for the images inside them. A walk runs off the main
    // thread; `then` gets the paths on the main thread, unless the window closed first.
    void withFoldersExpanded(std::vector<std::string> paths,
                             std::function<void(std::vector<std::string>)> then);

    // then with the walk's paths, the sub-folders of the images it lists kept beside them.
    void listWalked(FolderWalk walk, const std::function<void(std::vector<std::string>)>& then);

    std::vector<std::string>& listImagePaths_;
    std::unordered_map<std::string, std::string>& listSubFolders_;
    const WindowControls& c_;
    Dialogs& dialogs_;
    const HeifCodecs heifAvailable_;
    ImageListModel* imageListModel_ = nullptr;
    // The selected entry's path, which a list change keeps selected while it is listed.
    std::optional<std::string> selectedPath_;
    // Set while a list change selects that entry again: its image stays as it is.
    bool reselecting_ = false;
    // The latest folder walk's flag, set when a later command or the window's end overtakes
    // it: the walk stops and delivers nothing. Each walk has a flag of its own.
    std::shared_ptr<std::atomic<bool>> folderWalkAbandoned_ =
        std::make_shared<std::atomic<bool>>(false);
};

}  // namespace varnholt
