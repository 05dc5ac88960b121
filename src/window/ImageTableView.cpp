// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ImageTableView.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QPainter>

#include "window/UiText.h"

namespace varnholt {
namespace {

QString emptyHint() { return uiText("Drop images here or use Add Images..."); }

}  // namespace

ImageTableView::ImageTableView(QWidget* parent) : QTableView(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
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
    describeEmptiness();
}

void ImageTableView::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    if (model == nullptr) return;
    for (const auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, changed, this, &ImageTableView::describeEmptiness);
    connect(model, &QAbstractItemModel::modelReset, this, &ImageTableView::describeEmptiness);
    describeEmptiness();
}

bool ImageTableView::isEmpty() const { return model() == nullptr || model()->rowCount() == 0; }

void ImageTableView::describeEmptiness() {
    setAccessibleDescription(isEmpty() ? emptyHint() : QString());
    viewport()->update();
}

QModelIndex ImageTableView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    // A table's Home and End go to the first and last cell of the row; the list has one cell
    // per row.
    if ((action == MoveHome || action == MoveEnd) && !isEmpty())
        return model()->index(action == MoveHome ? 0 : model()->rowCount() - 1, 0);
    return QTableView::moveCursor(action, modifiers);
}

void ImageTableView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (!isEmpty()) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const int margin = fontMetrics().height();
    painter.drawText(viewport()->rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignCenter | Qt::TextWordWrap, emptyHint());
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
