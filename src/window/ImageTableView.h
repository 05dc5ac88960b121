// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTableView>

namespace varnholt {

// The image table. Rows are selected many at once (Shift, Ctrl, Ctrl+A); Home and End go to
// the first and the last row. It takes dropped files from other applications as a copy,
// whatever the source proposes, and refuses drags that come from an item view (its own rows
// included): the list is not reordered by dragging. Empty, it shows how to fill it, and tells
// readers the same in its description.
class ImageTableView : public QTableView {
    Q_OBJECT

public:
    explicit ImageTableView(QWidget* parent = nullptr);

    // Drags from other applications (no source here) and from widgets that are not item
    // views are taken; rows dragged from an item view, this table's own included, are not.
    static bool acceptsDragFrom(const QObject* source);

    void setModel(QAbstractItemModel* model) override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // False when the drag cannot be taken as a copy at all.
    static bool takeAsCopy(QDropEvent* event);
    void refuse(QDropEvent* event);
    bool isEmpty() const;
    void describeEmptiness();
};

}  // namespace varnholt
