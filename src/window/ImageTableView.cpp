// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ImageTableView.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>

namespace varnholt {

ImageTableView::ImageTableView(QWidget* parent) : QTableView(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The arrow keys move within the list; Tab leaves it.
    setTabKeyNavigation(false);
    setDragEnabled(false);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    // A table drops onto cells by default; the list takes files between rows only.
    setDragDropOverwriteMode(false);
    setDefaultDropAction(Qt::CopyAction);
    setShowGrid(false);
    setIconSize(QSize(40, 24));
    setWordWrap(false);
    setTextElideMode(Qt::ElideMiddle);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->hide();
    verticalHeader()->hide();
}

bool ImageTableView::acceptsDragFrom(const QObject* source) {
    return qobject_cast<const QAbstractItemView*>(source) == nullptr;
}

bool ImageTableView::takeAsCopy(QDropEvent* event) {
    if (!acceptsDragFrom(event->source())) return false;
    if (!(event->possibleActions() & Qt::CopyAction)) return false;
    event->setDropAction(Qt::CopyAction);
    return true;
}

void ImageTableView::refuse(QDropEvent* event) {
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
}

void ImageTableView::dragEnterEvent(QDragEnterEvent* event) {
    if (!takeAsCopy(event)) return refuse(event);
    QTableView::dragEnterEvent(event);
    if (event->isAccepted()) event->setDropAction(Qt::CopyAction);
}

void ImageTableView::dragMoveEvent(QDragMoveEvent* event) {
    if (!takeAsCopy(event)) return refuse(event);
    QTableView::dragMoveEvent(event);
    // The base accepts with the proposed action, which may be a move.
    if (event->isAccepted()) event->setDropAction(Qt::CopyAction);
}

void ImageTableView::dropEvent(QDropEvent* event) {
    if (!takeAsCopy(event)) return refuse(event);
    QTableView::dropEvent(event);
    if (event->isAccepted()) event->setDropAction(Qt::CopyAction);
}

}  // namespace varnholt
