// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ImageListModel.h"

#include <QMimeData>

#include <filesystem>

#include "batch/ImageList.h"
#include "batch/ImageListRules.h"
#include "window/FileUrls.h"
#include "window/TypeIcons.h"
#include "window/UiText.h"

namespace varnholt {

ImageListModel::ImageListModel(const ImageList& list, HeifCodecs heifAvailable, QObject* parent)
    : QAbstractListModel(parent), list_(list), heifAvailable_(heifAvailable) {}

int ImageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

QVariant ImageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const std::string& path = list_.path(static_cast<std::size_t>(index.row()));
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
        case Qt::AccessibleTextRole:
            return QString::fromStdString(path);
        case Qt::DecorationRole:
            if (const auto name = typeIconName(path)) return typeIcon(*name);
            return {};
        default:
            return {};
    }
}

QVariant ImageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The column header is hidden, but readers announce it with every cell.
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole) {
        return uiText("Images");
    }
    return QAbstractListModel::headerData(section, orientation, role);
}

Qt::ItemFlags ImageListModel::flags(const QModelIndex& index) const {
    // Rows accept drops only so that the view can tell "onto a row" from "between rows";
    // canDropMimeData then refuses the former.
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren |
           Qt::ItemIsDropEnabled;
}

QStringList ImageListModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

Qt::DropActions ImageListModel::supportedDropActions() const { return Qt::CopyAction; }

bool ImageListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int /*row*/,
                                     int /*column*/, const QModelIndex& parent) const {
    if (data == nullptr || action != Qt::CopyAction || parent.isValid()) return false;
    if (!data->hasUrls()) return false;
    for (const QUrl& url : data->urls()) {
        const auto path = pathFromFileUrl(url);
        std::error_code ignored;  // a folder stands for the images inside it
        if (path && (hasAcceptedExtension(*path, heifAvailable_) ||
                     std::filesystem::is_directory(*path, ignored))) {
            return true;
        }
    }
    return false;
}

bool ImageListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                  const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) return false;
    const int count = rowCount();
    const int at = row < 0 || row > count ? count : row;
    emit filesDropped(at, data->urls());
    return true;
}

void ImageListModel::insertPaths(int row, int count, const std::function<void()>& change) {
    beginInsertRows({}, row, row + count - 1);
    change();
    endInsertRows();
}

void ImageListModel::removePaths(int row, int count, const std::function<void()>& change) {
    beginRemoveRows({}, row, row + count - 1);
    change();
    endRemoveRows();
}

void ImageListModel::resetPaths(const std::function<void()>& change) {
    beginResetModel();
    change();
    endResetModel();
}

}  // namespace varnholt
