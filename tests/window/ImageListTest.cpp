#include <QDragEnterEvent>
#include <QIcon>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QTest>

#include <filesystem>

#include "Fixture.h"
#include "window/FileUrls.h"
#include "window/ImageTableView.h"

namespace varnholt::test {
namespace {

// A refresh empties the display, so it shows as the armed state being gone.
struct RefreshProbe {
    explicit RefreshProbe(ViewController* vc) : vc(vc) {
        vc->currentImage = DisplayedImage{4000, 3000, 300};
        vc->labelOutputDimensionsWidth->setText(QStringLiteral("Width: 1234"));
    }
    bool refreshed() const {
        return !vc->currentImage && str(vc->labelOutputDimensionsWidth->text()) == "Width: 0";
    }
    ViewController* vc;
};

TEST_F(WindowTest, OpenDialogAppendsInOrderSkippingListedAndUnlistable) {
    TempFolder f;
    const std::string a = f.file("a.jpg"), b = f.file("b.png"), upper = f.file("A.jpg");
    vc->openData(urls({a}));
    dialogs->imageChoices.push_back(
        urls({b, a, upper, f.fifo("p.jpg"), f.path("gone.jpg"), f.file("bad\xff.jpg"), b}));
    RefreshProbe probe(vc);
    vc->OnAddImages();
    EXPECT_EQ(vc->listImagePaths, (Paths{a, b, upper}));
    EXPECT_EQ(vc->tableViewImage->model()->rowCount(), 3);
    EXPECT_TRUE(probe.refreshed());
    EXPECT_TRUE(dialogs->alerts.empty());
    EXPECT_EQ(joined(dialogs->imageDialogExtensions.at(0)),
              "jpg|jpeg|jpe|jp2|jpx|png|tiff|tif|gif|bmp");

    RefreshProbe untouched(vc);
    vc->OnAddImages();  // cancelled
    dialogs->imageChoices.push_back(QList<QUrl>{});
    vc->OnAddImages();  // confirmed without files
    EXPECT_FALSE(untouched.refreshed());
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(str(dialogs->alerts[0].text), "The images could not be loaded.");
    EXPECT_EQ(vc->listImagePaths.size(), 3u);
}

// The filter is the list rules' own; this proves the wiring, the HEIF flag and the refresh.
TEST_F(WindowTest, OpenWithAppendsWhatTheListRulesAcceptAndShowsIt) {
    TempFolder f;
    const std::string a = f.file("a.jpg"), heic = f.file("c.heic"), missing = f.path("m.TIFF");
    for (const bool heif : {false, true}) {
        makeWindow(heif);
        vc->openData(urls({a}));
        RefreshProbe probe(vc);
        vc->openData(urls({heic, a, missing}));
        EXPECT_EQ(vc->listImagePaths, heif ? Paths({a, heic, missing}) : Paths({a, missing}));
        EXPECT_TRUE(probe.refreshed());
        // Each cell shows the full path and the type icon of the lower-cased extension.
        const QAbstractItemModel* model = vc->tableViewImage->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            EXPECT_EQ(str(model->data(index).toString()), vc->listImagePaths[row]);
            EXPECT_FALSE(
                model->data(index, Qt::DecorationRole).value<QIcon>().pixmap(40, 24).isNull());
        }
    }
    RefreshProbe untouched(vc);
    vc->openData({});
    EXPECT_FALSE(untouched.refreshed());
}

// Delete (the table's key for Remove Selected) removes the selected entry unless a batch
// runs; Remove All asks, and only "No" (as a dismissal answers) keeps the list.
TEST_F(WindowTest, RemoveSelectedAndRemoveAll) {
    TempFolder f;
    const Paths three{f.file("a.jpg"), f.file("b.jpg"), f.file("c.jpg")};
    vc->OnRemoveAll();  // an empty list: nothing to ask
    EXPECT_TRUE(dialogs->alerts.empty());
    vc->openData(urls(three));
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
    vc->tableViewImage->setFocus();
    vc->OnRemoveSelected();  // nothing selected
    for (const bool busy : {false, true}) {
        if (busy) vc->enterBusyState();
        select(1);
        RefreshProbe probe(vc);
        QTest::keyClick(vc->tableViewImage, Qt::Key_Delete);
        EXPECT_EQ(vc->listImagePaths, (Paths{three[0], three[2]}));
        EXPECT_EQ(probe.refreshed(), !busy);
    }
    EXPECT_TRUE(std::filesystem::exists(three[1]));
    const std::pair<std::optional<int>, bool> rows[] = {{kYes, true}, {std::nullopt, false}};
    for (const auto& [answer, empties] : rows) {
        makeWindow();
        vc->openData(urls(three));
        if (answer) dialogs->answers.push_back(*answer);
        vc->OnRemoveAll();
        ASSERT_EQ(dialogs->alerts.size(), 1u);
        EXPECT_EQ(str(dialogs->alerts[0].text),
                  "Are you sure you want to remove all the images from the list?");
        EXPECT_EQ(vc->listImagePaths.empty(), empties);
    }
}

TEST(FileUrlsTest, PathsKeepTheirBytesThroughUrlsAndArgumentsBecomeAbsolute) {
    for (const std::string path : {"/tmp/bad\xff\xfe ä.jpg", "/tmp/percent%41#q?.jpg"}) {
        SCOPED_TRACE(path);
        const QUrl url = fileUrlFromPath(path);
        EXPECT_EQ(pathFromFileUrl(url), path);
        EXPECT_EQ(pathFromFileUrl(QUrl(url.toString(QUrl::FullyEncoded))), path);  // as dropped
    }
    EXPECT_FALSE(pathFromFileUrl(QUrl(QStringLiteral("https://example.org/a.jpg"))));
    EXPECT_FALSE(pathFromFileUrl(QUrl(QStringLiteral("file://server/share/a.jpg"))));
    EXPECT_EQ(absolutePath("./a.jpg", "/home/u/"), "/home/u/a.jpg");
    EXPECT_EQ(absolutePath("/abs/a.jpg", "/home/u"), "/abs/a.jpg");
    EXPECT_EQ(absolutePath("sub/b.png", "/"), "/sub/b.png");
}

// Drags files over the table as the desktop does: enter, move, then drop at one point.
class DropTest : public WindowTest {
protected:
    enum Where { Between0And1, OntoRow1, BelowTheRows };
    struct Outcome {
        bool accepted = false;
        Qt::DropAction action = Qt::IgnoreAction;
    };
    Outcome drag(const Paths& paths, Where where, Qt::DropActions offered,
                 Qt::KeyboardModifiers modifiers) {
        auto* table = vc->tableViewImage;
        const QRect row1 = table->visualRect(table->model()->index(1, 0));
        const QPoint at = where == Between0And1 ? QPoint(row1.center().x(), row1.top() + 1)
                          : where == OntoRow1   ? row1.center()
                                                : QPoint(table->viewport()->width() / 2,
                                                         table->viewport()->height() - 4);
        QMimeData mime;
        mime.setUrls(urls(paths));
        QDragEnterEvent enter(at, offered, &mime, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(table->viewport(), &enter);
        QDragMoveEvent move(at, offered, &mime, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(table->viewport(), &move);
        if (!move.isAccepted()) return {};
        QDropEvent drop(QPointF(at), offered, &mime, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(table->viewport(), &drop);
        return {drop.isAccepted(), drop.dropAction()};
    }
};

TEST_F(DropTest, DropsAreCheckedItemByItemAndInsertedAsCopies) {
    TempFolder f;
    const std::string one = f.file("1.jpg"), two = f.file("2.jpg"), x = f.file("x.png");
    const std::string y = f.file("y.gif"), upper = f.file("UPPER.JPG"), gone = f.file("gone.jpg");
    std::filesystem::remove(gone);
    const Qt::DropActions both = Qt::CopyAction | Qt::MoveAction;
    const struct {
        const char* name;
        Paths dropped;
        Where where;
        Qt::DropActions offered;
        Qt::KeyboardModifiers modifiers;
        Paths expected;  // empty: refused, the list unchanged
    } rows[] = {
        {"between rows in drag order", {x, two, y}, Between0And1, both, {}, {one, x, y, two}},
        {"onto a row", {x}, OntoRow1, both, {}, {}},
        {"move proposed", {x}, BelowTheRows, both, Qt::ShiftModifier, {one, two, x}},
        {"only move offered", {x}, BelowTheRows, Qt::MoveAction, {}, {}},
        {"unfit items skipped",
         {f.file("w.webp"), f.folder("d.jpg"), gone, upper, one, upper, f.fifo("p.jpg"),
          f.file("n\xff.jpg")},
         BelowTheRows,
         both,
         {},
         {one, two, upper}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        makeWindow(false, true);
        vc->openData(urls({one, two}));
        const Outcome outcome = drag(row.dropped, row.where, row.offered, row.modifiers);
        EXPECT_EQ(outcome.accepted, !row.expected.empty());
        if (outcome.accepted) {
            EXPECT_EQ(outcome.action, Qt::CopyAction);
        }
        EXPECT_EQ(vc->listImagePaths, row.expected.empty() ? Paths({one, two}) : row.expected);
    }
    EXPECT_TRUE(std::filesystem::exists(x));
}

TEST_F(DropTest, ADropKeepsTheSelectionOnItsEntryAndStartsAnEmptyList) {
    TempFolder f;
    makeWindow(false, true);
    const std::string a = f.file("a.jpg"), b = f.file("b.jpg"), x = f.file("x.jpg");
    drag({a}, BelowTheRows, Qt::CopyAction, {});
    drag({b}, BelowTheRows, Qt::CopyAction, {});
    select(1);
    vc->currentImage = DisplayedImage{640, 480, 72};
    drag({x}, Between0And1, Qt::CopyAction, {});
    EXPECT_EQ(vc->listImagePaths, (Paths{a, x, b}));
    EXPECT_TRUE(vc->currentImage.has_value());  // inserted in place, not refreshed
    EXPECT_EQ(vc->selectedRow(), 2);
}

TEST_F(DropTest, RowsDraggedFromAnItemViewAreRefused) {
    QListView list;
    QLabel label;
    EXPECT_TRUE(ImageTableView::acceptsDragFrom(nullptr));  // another application
    EXPECT_TRUE(ImageTableView::acceptsDragFrom(&label));
    EXPECT_FALSE(ImageTableView::acceptsDragFrom(vc->tableViewImage));
    EXPECT_FALSE(ImageTableView::acceptsDragFrom(&list));
    EXPECT_FALSE(vc->tableViewImage->dragEnabled());
}

}  // namespace
}  // namespace varnholt::test
