// SPDX-License-Identifier: GPL-3.0-or-later
#include "Fixture.h"
#include "window/FileUrls.h"

namespace varnholt::test {
namespace {

std::string countLine(const ViewController* vc) { return str(vc->labelImageCount->text()); }

// The rules are the list's own; this proves the wiring of the open dialog and open-with, the
// HEIF flag, the cells and the count line with its name.
TEST_F(WindowTest, AddingAppendsWhatTheListTakesAndCountsIt) {
    const std::string a = files.write("a.jpg"), heic = files.write("c.heic");
    for (const bool heif : {false, true}) {
        makeWindow(heif);
        dialogs->imageChoices = {urls({a}), std::nullopt, QList<QUrl>{}};
        vc->actionAddImages->trigger();
        EXPECT_EQ(countLine(vc), "1 image listed");
        EXPECT_EQ(dialogs->extensionsOffered.contains(u"heic"_s), heif);
        EXPECT_EQ(vc->comboFormat->findText(u"HEIF"_s) >= 0, heif);
        vc->openData(urls({heic}));
        EXPECT_EQ(countLine(vc), heif ? "2 images listed" : "1 image listed");
        EXPECT_EQ(vc->labelImageCount->accessibleName(), vc->labelImageCount->text());
        const QModelIndex cell = vc->tableViewImage->model()->index(0, 0);  // path and icon
        EXPECT_EQ(str(cell.data().toString()), a);
        EXPECT_FALSE(cell.data(Qt::DecorationRole).value<QIcon>().pixmap(40, 24).isNull());
        vc->actionAddImages->trigger();  // cancelled
        vc->actionAddImages->trigger();  // confirmed without files
        ASSERT_EQ(dialogs->alerts.size(), 1u);
        EXPECT_EQ(str(dialogs->alerts[0].text), "The images could not be loaded.");
    }
}

// Shift selects many rows; Home and End go to the first and the last row. Delete (the key of
// Remove Selected) removes every selected row, in one run or scattered, and the current row
// stays on its image unless it goes too; Remove All asks first. The empty list shows how to
// fill it, painted and to readers.
TEST_F(WindowTest, ManyRowsAreSelectedAndRemovedAtOnce) {
    Paths six;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"})
        six.push_back(files.write(name));
    ImageTableView* table = vc->tableViewImage;
    const QImage empty = table->viewport()->grab().toImage();
    EXPECT_NE(empty, empty.mirrored(true, false));  // a blank view would be its own mirror
    const std::string hint = "Drop images here or use Add Images...";
    EXPECT_EQ(str(table->accessibleDescription()), hint);
    vc->openData(urls(six));
    EXPECT_EQ(str(table->accessibleDescription()), "");
    const auto row = [&](int at) { return table->model()->index(at, 0); };
    table->setFocus();
    QTest::keyClick(table, Qt::Key_End);
    EXPECT_EQ(table->currentIndex().row(), 5);
    QTest::keyClick(table, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(table->selectionModel()->selectedRows().size(), 6);
    QTest::keyClick(table, Qt::Key_Down);  // rows 1 and 2
    QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(listed(), (Paths{six[0], six[3], six[4], six[5]}));
    EXPECT_FALSE(table->currentIndex().isValid());
    vc->openData(urls({six[1], six[2]}));  // a, d, e, f, b, c
    table->selectionModel()->setCurrentIndex(row(3), QItemSelectionModel::NoUpdate);
    for (const int at : {0, 2, 4})
        table->selectionModel()->select(row(at), QItemSelectionModel::Select);
    vc->buttonRemoveSelected->click();
    EXPECT_EQ(listed(), (Paths{six[3], six[5], six[2]}));
    EXPECT_EQ(table->currentIndex().row(), 1);
    dialogs->answers = {kNo, kYes};
    vc->buttonRemoveAll->click();
    EXPECT_EQ(listed().size(), 3u);
    vc->buttonRemoveAll->click();
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(countLine(vc), "");
    EXPECT_EQ(str(table->accessibleDescription()), hint);
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
    const std::string one = files.write("1.jpg"), two = files.write("2.jpg");
    const std::string x = files.write("x.png"), pcx = files.write("w.pcx");
    const Qt::DropActions both = Qt::CopyAction | Qt::MoveAction;
    const struct {
        Paths dropped;
        Where where;
        Qt::DropActions offered;
        Qt::KeyboardModifiers modifiers;
        Paths expected;  // empty: refused, the list unchanged
    } rows[] = {
        {{x, pcx, files.path("gone.jpg"), one}, Between0And1, both, {}, {one, x, two}},
        {{x}, OntoRow1, both, {}, {}},
        {{x}, BelowTheRows, both, Qt::ShiftModifier, {one, two, x}},
        {{x}, BelowTheRows, Qt::MoveAction, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected.size());
        makeWindow();
        vc->openData(urls({one, two}));
        select(1);
        EXPECT_EQ(drag(vc->tableViewImage, row.dropped, row.where, row.offered, row.modifiers),
                  row.expected.empty() ? Qt::IgnoreAction : Qt::CopyAction);
        EXPECT_EQ(listed(), row.expected.empty() ? Paths({one, two}) : row.expected);
        EXPECT_EQ(listed().at(vc->tableViewImage->currentIndex().row()), two);
    }
    // Rows dragged from a list view are refused; another application's files are taken.
    EXPECT_TRUE(ImageTableView::acceptsDragFrom(nullptr));
    EXPECT_FALSE(ImageTableView::acceptsDragFrom(vc->tableViewImage));
}

// A folder stands for the images inside it, by open-with and by drop alike; the walk runs off
// the main thread and the list fills in one step when it is done, unless overtaken.
TEST_F(WindowTest, AFolderAddsTheImagesInsideOnceWalked) {
    std::filesystem::create_directories(files.path("trip"));
    const std::string two = files.write("trip/img2.jpg"), ten = files.write("trip/img10.jpg");
    const std::string a = files.write("a.jpg");
    for (const char way : {'o', 'd', 'n', 'r', 'a'}) {  // open-with, drop; New, Remove All, add
        makeWindow();
        if (way == 'd')
            drag(vc->tableViewImage, {files.path("trip")}, BelowTheRows, Qt::CopyAction);
        else
            vc->openData(urls({files.path("trip")}));
        EXPECT_TRUE(listed().empty());  // walking
        if (way == 'n') vc->OnFileNew();
        if (way == 'r') vc->buttonRemoveAll->click();
        if (way == 'a') vc->openData(urls({a}));
        ASSERT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
        QCoreApplication::processEvents();  // delivers the walk's rows, if it may
        EXPECT_EQ(listed(), way == 'a'                 ? Paths({a, two, ten})
                            : way == 'o' || way == 'd' ? Paths({two, ten})
                                                       : Paths{});
    }
}

}  // namespace
}  // namespace varnholt::test
