#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QTreeView>
#include <QTest>
#include <filesystem>

#include "WindowFixture.h"
#include "window/ImageTableView.h"

namespace varnholt::test {
namespace {

using Paths = std::vector<std::string>;

// Drags files over the image table as the desktop does: enter, move, drop at one point.
class DropTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
    }

    void fill(const Paths& paths) {
        vc->openData(urls(paths));
        ASSERT_EQ(vc->listImagePaths, paths);
    }

    QPoint betweenRows(int above) const {
        const QRect below = rowRect(above + 1);
        return QPoint(below.center().x(), below.top() + 1);
    }
    QPoint ontoRow(int row) const { return rowRect(row).center(); }
    QPoint belowTheRows() const {
        QWidget* viewport = vc->tableViewImage->viewport();
        return QPoint(viewport->width() / 2, viewport->height() - 4);
    }

    struct Outcome {
        bool moveAccepted = false;
        bool dropAccepted = false;
        Qt::DropAction action = Qt::IgnoreAction;
    };

    Outcome drag(const Paths& paths, QPoint at,
                 Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMimeData mime;
        mime.setUrls(urls(paths));
        QWidget* viewport = vc->tableViewImage->viewport();
        Outcome outcome;
        QDragEnterEvent enter(at, offered, &mime, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(at, offered, &mime, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(viewport, &move);
        outcome.moveAccepted = move.isAccepted();
        if (!outcome.moveAccepted) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(viewport, &leave);
            return outcome;
        }
        QDropEvent drop(QPointF(at), offered, &mime, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(viewport, &drop);
        outcome.dropAccepted = drop.isAccepted();
        outcome.action = drop.dropAction();
        return outcome;
    }

private:
    QRect rowRect(int row) const {
        auto* table = vc->tableViewImage;
        return table->visualRect(table->model()->index(row, 0));
    }
};

TEST_F(DropTest, FilesDroppedBetweenRowsGoThereInDragOrder) {
    TempFolder folder;
    const Paths five{folder.file("1.jpg"), folder.file("2.jpg"), folder.file("3.jpg"),
                     folder.file("4.jpg"), folder.file("5.jpg")};
    fill(five);
    const Paths dropped{folder.file("x.png"), five[3], folder.file("y.gif"), folder.file("z.bmp")};

    const Outcome outcome = drag(dropped, betweenRows(0));

    EXPECT_TRUE(outcome.dropAccepted);
    EXPECT_EQ(outcome.action, Qt::CopyAction);
    EXPECT_EQ(vc->listImagePaths, (Paths{five[0], dropped[0], dropped[2], dropped[3], five[1],
                                         five[2], five[3], five[4]}));
    EXPECT_EQ(vc->tableViewImage->model()->rowCount(), 8);
}

TEST_F(DropTest, DropOntoARowIsRefused) {
    TempFolder folder;
    const Paths two{folder.file("1.jpg"), folder.file("2.jpg")};
    fill(two);
    const Outcome outcome = drag({folder.file("x.jpg")}, ontoRow(1));
    EXPECT_FALSE(outcome.moveAccepted);
    EXPECT_EQ(vc->listImagePaths, two);
}

TEST_F(DropTest, DropBelowTheRowsAppendsAndIntoAnEmptyListStarts) {
    TempFolder folder;
    const std::string a = folder.file("a.jpg");
    Outcome outcome = drag({a}, belowTheRows());
    EXPECT_TRUE(outcome.dropAccepted);
    const std::string b = folder.file("b.jpg");
    outcome = drag({b}, belowTheRows());
    EXPECT_TRUE(outcome.dropAccepted);
    EXPECT_EQ(vc->listImagePaths, (Paths{a, b}));
}

TEST_F(DropTest, TakenAsCopyEvenWhenAMoveIsProposedAndRefusedWhenOnlyMoveIsOffered) {
    TempFolder folder;
    const std::string a = folder.file("a.jpg");
    // Shift proposes a move.
    Outcome outcome = drag({a}, belowTheRows(), Qt::CopyAction | Qt::MoveAction, Qt::ShiftModifier);
    EXPECT_TRUE(outcome.dropAccepted);
    EXPECT_EQ(outcome.action, Qt::CopyAction);

    outcome = drag({folder.file("b.jpg")}, belowTheRows(), Qt::MoveAction);
    EXPECT_FALSE(outcome.moveAccepted);
    EXPECT_EQ(vc->listImagePaths, (Paths{a}));
    EXPECT_TRUE(std::filesystem::exists(a));
}

TEST_F(DropTest, EachItemIsCheckedAndOnlyTheFitOnesInserted) {
    TempFolder folder;
    const std::string listed = folder.file("listed.jpg");
    const std::string upper = folder.file("UPPER.JPG");
    const std::string deleted = folder.file("deleted.jpg");
    std::filesystem::remove(deleted);
    struct Row {
        const char* name;
        Paths dropped;
        Paths added;
    };
    const Row rows[] = {
        {".JPG accepted", {upper}, {upper}},
        {".webp skipped", {folder.file("w.webp"), upper}, {upper}},
        {"folder skipped", {folder.folder("dir"), folder.folder("d.jpg"), upper}, {upper}},
        {"deleted after the drag began", {deleted, upper}, {upper}},
        {"already listed", {listed, upper}, {upper}},
        {"twice in one drop", {upper, upper}, {upper}},
        {"fifo named .jpg", {folder.fifo("p.jpg"), upper}, {upper}},
        {"not UTF-8", {folder.file("n\xff.jpg"), upper}, {upper}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        makeWindow(false);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
        fill({listed});
        const Outcome outcome = drag(row.dropped, belowTheRows());
        EXPECT_TRUE(outcome.dropAccepted);
        Paths expected{listed};
        expected.insert(expected.end(), row.added.begin(), row.added.end());
        EXPECT_EQ(vc->listImagePaths, expected);
    }
}

TEST_F(DropTest, RowsDraggedFromAnItemViewAreRefusedTheTablesOwnIncluded) {
    QListView list;
    QTreeView tree;
    QLabel label;
    struct Row {
        const char* name;
        const QObject* source;
        bool accepted;
    };
    const Row rows[] = {{"another application", nullptr, true},
                        {"the table itself", vc->tableViewImage, false},
                        {"its viewport's view", vc->tableViewImage->viewport()->parent(), false},
                        {"a list view", &list, false},
                        {"a tree view", &tree, false},
                        {"a label", &label, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ImageTableView::acceptsDragFrom(row.source), row.accepted);
    }
    // The table never starts a drag of its rows in the first place.
    EXPECT_FALSE(vc->tableViewImage->dragEnabled());
}

TEST_F(DropTest, ADragWithoutAnAcceptedImageIsNotOffered) {
    TempFolder folder;
    const Outcome outcome = drag({folder.file("a.txt"), folder.file("b.webp")}, belowTheRows());
    EXPECT_FALSE(outcome.moveAccepted);
    EXPECT_TRUE(vc->listImagePaths.empty());
}

TEST_F(DropTest, ADropInsertsInPlaceWithoutRefreshing) {
    TempFolder folder;
    const Paths two{folder.file("1.jpg"), folder.file("2.jpg")};
    fill(two);
    select(1);
    vc->currentImage = DisplayedImage{640, 480, 72};
    const std::string x = folder.file("x.jpg");

    drag({x}, betweenRows(0));

    EXPECT_EQ(vc->listImagePaths, (Paths{two[0], x, two[1]}));
    EXPECT_TRUE(vc->currentImage.has_value());
    EXPECT_EQ(vc->selectedRow(), 2);  // the selection stays on its entry
}

}  // namespace
}  // namespace varnholt::test
