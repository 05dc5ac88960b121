// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QUrl>

#include <functional>

#include "settings/FormatTable.h"

namespace varnholt {

class ImageList;

// The image table's view of the list: one row per path, the full path as text and the type
// icon. The list's controller changes the list through this model's three changes, so that
// the views hear of each.
class ImageListModel : public QAbstractListModel {
    Q_OBJECT

public:
    ImageListModel(const ImageList& list, HeifCodecs heifAvailable, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Dropped files are taken only between rows (or after the last one), never onto a row,
    // and only as a copy: a move would let the source delete the originals.
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    // Each runs change, which changes the list that way: count rows in at row, count rows
    // out from row, or anything.
    void insertPaths(int row, int count, const std::function<void()>& change);
    void removePaths(int row, int count, const std::function<void()>& change);
    void resetPaths(const std::function<void()>& change);

signals:
    // A drop between rows; row is where the first accepted file goes.
    void filesDropped(int row, const QList<QUrl>& urls);

private:
    const ImageList& list_;
    HeifCodecs heifAvailable_;
};

}  // namespace varnholt
