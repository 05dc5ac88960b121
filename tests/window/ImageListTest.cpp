// SPDX-License-Identifier: GPL-3.0-or-later
#include "Fixture.h"
#include "window/FileUrls.h"
#include "window/ImageTableView.h"

namespace varnholt::test {
namespace {

// A refresh empties the display, so it shows as the armed state being gone.
bool refreshed(ViewController* vc, const std::function<void()>& act) {
    vc->currentImage = DisplayedImage{4000, 3000, 300};
    act();
    return !vc->currentImage;
}

// The filter is the list rules' own; this proves the wiring of the open dialog (which also
// skips missing names) and open-with, the HEIF flag, the cells and the refresh.
TEST_F(WindowTest, AddingAppendsWhatTheListRulesAcceptAndShowsIt) {
    TempFolder f;
    const std::string a = f.write("a.jpg"), heic = f.write("c.heic"), missing = f.path("m.TIFF");
    for (const bool heif : {false, true}) {
        makeWindow(heif);
        dialogs->imageChoices = {urls({a, missing, a}), std::nullopt, QList<QUrl>{}};
        EXPECT_TRUE(refreshed(vc, [&] { vc->OnAddImages(); }));
        EXPECT_EQ(dialogs->extensionsOffered.contains(QStringLiteral("heic")), heif);
        EXPECT_EQ(vc->comboFormat->findText(QStringLiteral("HEIF")) >= 0, heif);
        EXPECT_TRUE(refreshed(vc, [&] { vc->openData(urls({heic, a, missing})); }));
        EXPECT_EQ(vc->listImagePaths, heif ? Paths({a, heic, missing}) : Paths({a, missing}));
        const QModelIndex cell = vc->tableViewImage->model()->index(1, 0);  // path and icon
        EXPECT_EQ(str(cell.data().toString()), vc->listImagePaths[1]);
        EXPECT_FALSE(cell.data(Qt::DecorationRole).value<QIcon>().pixmap(40, 24).isNull());
        EXPECT_FALSE(refreshed(vc, [&] { vc->OnAddImages(); }));  // cancelled
        EXPECT_FALSE(refreshed(vc, [&] { vc->OnAddImages(); }));  // confirmed without files
        EXPECT_FALSE(refreshed(vc, [&] { vc->openData({}); }));
        ASSERT_EQ(dialogs->alerts.size(), 1u);
        EXPECT_EQ(str(dialogs->alerts[0].text), "The images could not be loaded.");
    }
}

// Delete (the table's key for Remove Selected) removes the selected entry unless a batch
// runs; Remove All asks, and only "Yes" empties the list.
TEST_F(WindowTest, RemoveSelectedAndRemoveAll) {
    TempFolder f;
    const Paths three{f.write("a.jpg"), f.write("b.jpg"), f.write("c.jpg")};
    makeWindow(false, true);
    vc->openData(urls(three));
    vc->tableViewImage->setFocus();
    for (const bool busy : {false, true}) {
        if (busy) vc->enterBusyState();
        select(1);
        EXPECT_EQ(refreshed(vc, [&] { QTest::keyClick(vc->tableViewImage, Qt::Key_Delete); }),
                  !busy);
        EXPECT_EQ(vc->listImagePaths, (Paths{three[0], three[2]}));
    }
    EXPECT_TRUE(std::filesystem::exists(three[1]));
    for (const int answer : {kYes, kNo}) {
        makeWindow();
        vc->openData(urls(three));
        dialogs->answers.push_back(answer);
        vc->OnRemoveAll();
        ASSERT_EQ(dialogs->alerts.size(), 1u);
        EXPECT_EQ(vc->listImagePaths.empty(), answer == kYes);
    }
}

TEST(FileUrlsTest, PathsKeepTheirBytesThroughUrlsAndOnlyLocalFilesArePaths) {
    for (const std::string path : {"/tmp/bad\xff\xfe ä.jpg", "/tmp/percent%41#q?.jpg"}) {
        const QUrl url = fileUrlFromPath(path);
        EXPECT_EQ(pathFromFileUrl(url), path);
        EXPECT_EQ(pathFromFileUrl(QUrl(url.toString(QUrl::FullyEncoded))), path);  // as dropped
    }
    EXPECT_FALSE(pathFromFileUrl(QUrl(QStringLiteral("https://example.org/a.jpg"))));
    EXPECT_FALSE(pathFromFileUrl(QUrl(QStringLiteral("file://server/share/a.jpg"))));
}

// Drags files over the table as the desktop does: enter, move, then drop at one point.
enum Where { Between0And1, OntoRow1, BelowTheRows };
Qt::DropAction drag(ImageTableView* table, const Paths& paths, Where where, Qt::DropActions offered,
                    Qt::KeyboardModifiers modifiers = {}) {
    const QRect row1 = table->visualRect(table->model()->index(1, 0));
    const QPoint at = where == Between0And1 ? QPoint(row1.center().x(), row1.top() + 1)
                      : where == OntoRow1   ? row1.center()
                                            : QPoint(8, table->viewport()->height() - 4);
    QMimeData mime;
    mime.setUrls(urls(paths));
    QDragEnterEvent enter(at, offered, &mime, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(table->viewport(), &enter);
    QDragMoveEvent move(at, offered, &mime, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(table->viewport(), &move);
    QDropEvent drop(QPointF(at), offered, &mime, Qt::LeftButton, modifiers);
    if (move.isAccepted()) QCoreApplication::sendEvent(table->viewport(), &drop);
    return move.isAccepted() && drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// Dropped files are inserted where they land, as copies whatever the desktop proposes, and
// only files the list rules accept; the selection stays on its entry.
TEST_F(WindowTest, DropsAreInsertedAsCopies) {
    TempFolder f;
    const std::string one = f.write("1.jpg"), two = f.write("2.jpg"), x = f.write("x.png");
    const Qt::DropActions both = Qt::CopyAction | Qt::MoveAction;
    const struct {
        Paths dropped;
        Where where;
        Qt::DropActions offered;
        Qt::KeyboardModifiers modifiers;
        Paths expected;  // empty: refused, the list unchanged
    } rows[] = {
        {{x, f.write("w.pcx"), f.path("gone.jpg"), one}, Between0And1, both, {}, {one, x, two}},
        {{x}, OntoRow1, both, {}, {}},
        {{x}, BelowTheRows, both, Qt::ShiftModifier, {one, two, x}},
        {{x}, BelowTheRows, Qt::MoveAction, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected.size());
        makeWindow(false, true);
        vc->openData(urls({one, two}));
        select(1);
        vc->currentImage = DisplayedImage{640, 480, 72};
        EXPECT_EQ(drag(vc->tableViewImage, row.dropped, row.where, row.offered, row.modifiers),
                  row.expected.empty() ? Qt::IgnoreAction : Qt::CopyAction);
        EXPECT_EQ(vc->listImagePaths, row.expected.empty() ? Paths({one, two}) : row.expected);
        EXPECT_EQ(vc->listImagePaths.at(vc->selectedRow()), two);
        EXPECT_TRUE(vc->currentImage.has_value());  // inserted in place, not refreshed
    }
    EXPECT_TRUE(std::filesystem::exists(x));
    makeWindow(false, true);  // into an empty list; rows dragged from a list view are refused
    EXPECT_EQ(drag(vc->tableViewImage, {x}, BelowTheRows, Qt::CopyAction), Qt::CopyAction);
    EXPECT_EQ(vc->listImagePaths, Paths{x});
    EXPECT_TRUE(ImageTableView::acceptsDragFrom(nullptr));  // another application
    EXPECT_FALSE(ImageTableView::acceptsDragFrom(vc->tableViewImage));
}

// A folder stands for the images inside it, by open-with and by drop alike; the walk runs off
// the main thread and the list fills in one step when it is done, unless overtaken.
TEST_F(WindowTest, AFolderAddsTheImagesInsideOnceWalked) {
    TempFolder f;
    std::filesystem::create_directories(f.path("trip"));
    const std::string two = f.write("trip/img2.jpg"), ten = f.write("trip/img10.jpg");
    const std::string a = f.write("a.jpg");
    for (const char way : {'o', 'd', 'n', 'r', 'a'}) {  // open-with, drop; New, Remove All, add
        makeWindow(false, true);
        if (way == 'd') {
            EXPECT_EQ(drag(vc->tableViewImage, {f.path("trip")}, BelowTheRows, Qt::CopyAction),
                      Qt::CopyAction);
        } else {
            vc->openData(urls({f.path("trip")}));
        }
        EXPECT_TRUE(vc->listImagePaths.empty());  // walking
        if (way == 'n') vc->OnFileNew();
        if (way == 'r') vc->OnRemoveAll();
        if (way == 'a') vc->openData(urls({a}));
        ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
        QCoreApplication::processEvents();  // delivers the walk's rows, if it may
        EXPECT_EQ(vc->listImagePaths, way == 'a'                 ? Paths({a, two, ten})
                                      : way == 'o' || way == 'd' ? Paths({two, ten})
                                                                 : Paths{});
    }
}

}  // namespace
}  // namespace varnholt::test
