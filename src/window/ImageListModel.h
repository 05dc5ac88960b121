// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QUrl>

#include <string>
#include <vector>

#include "settings/FormatTable.h"

namespace varnholt {

// The image table's view of the list: one row per path, the full path as text and the type
// icon. The list itself belongs to the window controller; this model only reads it and is
// told of every change.
class ImageListModel : public QAbstractListModel {
    Q_OBJECT

public:
    ImageListModel(const std::vector<std::string>& paths, HeifCodecs heifAvailable,
                   QObject* parent = nullptr);

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

    // Whole reload (the table's reloadData).
    void reload();
    // Around inserting count paths at row of the list.
    void beginInsertPaths(int row, int count);
    void endInsertPaths();

signals:
    // A drop between rows; row is where the first accepted file goes.
    void filesDropped(int row, const QList<QUrl>& urls);

private:
    const std::vector<std::string>& paths_;
    HeifCodecs heifAvailable_;
};

}  // namespace varnholt
