#include <QAbstractItemModel>
#include <QIcon>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>

#include "WindowFixture.h"
#include "window/FileUrls.h"
#include "window/ImageTableView.h"
#include "window/TypeIcons.h"

namespace varnholt::test {
namespace {

using Paths = std::vector<std::string>;

const QString kRemoveAllQuestion =
    QStringLiteral("Are you sure you want to remove all the images from the list?");

// Counts refreshes by the preview being emptied: a refresh always clears it.
class RefreshProbe {
public:
    explicit RefreshProbe(ViewController* vc) : vc_(vc) { arm(); }
    void arm() {
        vc_->currentImage = DisplayedImage{4000, 3000, 300};
        vc_->labelOutputDimensionsWidth->setText(QStringLiteral("Width: 1234"));
    }
    bool refreshed() const {
        return !vc_->currentImage.has_value() &&
               vc_->labelOutputDimensionsWidth->text() == QStringLiteral("Width: 0");
    }

private:
    ViewController* vc_;
};

TEST_F(WindowTest, OpenDialogAppendsInOrderSkippingListedAndUnlistable) {
    TempFolder folder;
    const std::string a = folder.file("a.jpg");
    const std::string b = folder.file("b.png");
    const std::string upper = folder.file("A.jpg");
    const std::string fifo = folder.fifo("pipe.jpg");
    const std::string gone = folder.path("gone.jpg");  // as a dialog gives a name it mangled
    const std::string notUtf8 = folder.file("bad\xff.jpg");
    vc->openData(urls({a}));

    dialogs->imageChoices.push_back(urls({b, a, upper, fifo, gone, notUtf8, b}));
    RefreshProbe probe(vc);
    vc->OnAddImages();

    EXPECT_EQ(vc->listImagePaths, (Paths{a, b, upper}));
    EXPECT_TRUE(probe.refreshed());
    EXPECT_TRUE(dialogs->alerts.empty());
    ASSERT_EQ(dialogs->imageDialogExtensions.size(), 1u);
    EXPECT_EQ(dialogs->imageDialogExtensions[0].size(), 10);
    EXPECT_EQ(dialogs->imageDialogExtensions[0][6], QStringLiteral("tiff"));
    EXPECT_EQ(vc->tableViewImage->model()->rowCount(), 3);
}

TEST_F(WindowTest, OpenDialogCancelledChangesNothingAndConfirmedEmptyWarns) {
    TempFolder folder;
    vc->openData(urls({folder.file("a.jpg")}));

    RefreshProbe probe(vc);
    vc->OnAddImages();  // cancelled
    EXPECT_FALSE(probe.refreshed());
    EXPECT_TRUE(dialogs->alerts.empty());

    dialogs->imageChoices.push_back(QList<QUrl>{});
    vc->OnAddImages();
    EXPECT_FALSE(probe.refreshed());
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(dialogs->alerts[0].text, QStringLiteral("The images could not be loaded."));
    EXPECT_EQ(dialogs->alerts[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(vc->listImagePaths.size(), 1u);
}

TEST_F(WindowTest, OpenDialogOfOnlyListedFilesStillRefreshes) {
    TempFolder folder;
    const std::string a = folder.file("a.jpg");
    vc->openData(urls({a}));
    dialogs->imageChoices.push_back(urls({a}));
    RefreshProbe probe(vc);
    vc->OnAddImages();
    EXPECT_EQ(vc->listImagePaths, (Paths{a}));
    EXPECT_TRUE(probe.refreshed());
}

TEST_F(WindowTest, OpenWithFiltersByTypeAndDuplicatesWithoutTestingExistence) {
    TempFolder folder;
    const std::string a = folder.file("a.jpg");
    const std::string heic = folder.file("c.heic");
    const std::string missing = folder.path("missing.TIFF");
    struct Row {
        const char* name;
        Paths offered;
        bool heif;
        Paths expected;
        bool refreshes;
    };
    const Row rows[] = {
        {"three in order",
         {a, missing, folder.file("b.gif")},
         false,
         {a, missing, folder.path("b.gif")},
         true},
        {"twice in one request", {a, a}, false, {a}, true},
        {"unaccepted types only", {folder.file("t.txt"), folder.file("w.webp")}, false, {}, true},
        {"heic without HEIF", {heic}, false, {}, true},
        {"heic with HEIF", {heic}, true, {heic}, true},
        {"fifo and non-UTF-8", {folder.fifo("p.jpg"), folder.file("x\xfe.png")}, false, {}, true},
        {"nothing", {}, false, {}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        makeWindow(row.heif);
        RefreshProbe probe(vc);
        vc->openData(urls(row.offered));
        EXPECT_EQ(vc->listImagePaths, row.expected);
        EXPECT_EQ(probe.refreshed(), row.refreshes);
    }
}

TEST_F(WindowTest, OpenWithAppendsAfterTheListedOnes) {
    TempFolder folder;
    const std::string a = folder.file("a.jpg");
    const std::string b = folder.file("b.jpg");
    const std::string c = folder.file("c.jpg");
    vc->openData(urls({b}));
    vc->openData(urls({c, b, a}));
    EXPECT_EQ(vc->listImagePaths, (Paths{b, c, a}));
}

TEST_F(WindowTest, RemoveSelectedTakesOnlyTheSelectedRow) {
    TempFolder folder;
    const Paths three{folder.file("a.jpg"), folder.file("b.jpg"), folder.file("c.jpg")};
    vc->openData(urls(three));

    vc->OnRemoveSelected();  // nothing selected
    EXPECT_EQ(vc->listImagePaths, three);

    select(1);
    RefreshProbe probe(vc);
    vc->OnRemoveSelected();
    EXPECT_EQ(vc->listImagePaths, (Paths{three[0], three[2]}));
    EXPECT_TRUE(probe.refreshed());
    EXPECT_TRUE(dialogs->alerts.empty());
}

TEST_F(WindowTest, RemoveAllAsksAndOnlyNoKeepsTheList) {
    TempFolder folder;
    const Paths two{folder.file("a.jpg"), folder.file("b.jpg")};
    struct Row {
        const char* name;
        std::optional<int> answer;
        bool empties;
    };
    const Row rows[] = {{"yes", kYes, true},
                        {"no", kNo, false},
                        {"dismissed", std::nullopt, false},
                        {"other code", 1002, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        makeWindow(false);
        vc->openData(urls(two));
        if (row.answer) dialogs->answers.push_back(*row.answer);
        vc->OnRemoveAll();
        ASSERT_EQ(dialogs->alerts.size(), 1u);
        EXPECT_EQ(dialogs->alerts[0].text, kRemoveAllQuestion);
        EXPECT_EQ(vc->listImagePaths.empty(), row.empties);
    }

    makeWindow(false);
    vc->OnRemoveAll();
    EXPECT_TRUE(dialogs->alerts.empty());
}

TEST_F(WindowTest, CellsShowTheFullPathAndTheTypeIcon) {
    TempFolder folder;
    const Paths paths{folder.file("a.jpeg"), folder.file("b.TIFF"), folder.file("c.heic")};
    makeWindow(true);
    vc->openData(urls(paths));
    const QAbstractItemModel* model = vc->tableViewImage->model();
    ASSERT_EQ(model->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        const QModelIndex index = model->index(row, 0);
        EXPECT_EQ(model->data(index, Qt::DisplayRole).toString(),
                  QString::fromStdString(paths[static_cast<std::size_t>(row)]));
        const QIcon icon = model->data(index, Qt::DecorationRole).value<QIcon>();
        EXPECT_FALSE(icon.isNull());
        EXPECT_FALSE(icon.pixmap(40, 24).isNull());
    }
}

TEST(TypeIconsTest, NamedByTheLowerCasedExtension) {
    struct Row {
        const char* path;
        const char* icon;  // nullptr: no icon
    };
    const Row rows[] = {
        {"/a/b.jpg", "JPG"},    {"/a/b.JPEG", "JPG"}, {"/a/b.jpe", "JPG"},   {"/a/b.jp2", "JPG"},
        {"/a/b.Jpx", "JPG"},    {"/a/b.png", "PNG"},  {"/a/b.tiff", "TIF"},  {"/a/b.TIF", "TIF"},
        {"/a/b.gif", "GIF"},    {"/a/b.bmp", "BMP"},  {"/a/b.heif", "HEIF"}, {"/a/b.HEIC", "HEIC"},
        {"/a/b.webp", nullptr}, {"/a/jpg", nullptr},  {"/a.png/b", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const auto name = typeIconName(row.path);
        if (row.icon == nullptr) {
            EXPECT_FALSE(name.has_value());
            continue;
        }
        ASSERT_TRUE(name.has_value());
        EXPECT_EQ(*name, row.icon);
        const QIcon icon = typeIcon(*name);
        EXPECT_FALSE(icon.pixmap(40, 24).isNull());
    }
}

TEST(FileUrlsTest, LocalPathsKeepTheirBytesThroughUrls) {
    const std::string rows[] = {
        "/tmp/a.jpg",          "/tmp/with space/ä ö.png", "/tmp/bad\xff\xfe.jpg",
        "/tmp/percent%41.jpg", "/tmp/hash#q?.jpg",        "/tmp/emoji \xf0\x9f\x93\xb7.heic",
    };
    for (const auto& path : rows) {
        SCOPED_TRACE(path);
        const QUrl url = fileUrlFromPath(path);
        EXPECT_TRUE(url.isLocalFile());
        EXPECT_EQ(pathFromFileUrl(url), path);
        // The same URL as a drop delivers it: text, parsed again.
        const QUrl reparsed(url.toString(QUrl::FullyEncoded));
        EXPECT_EQ(pathFromFileUrl(reparsed), path);
    }
    EXPECT_FALSE(pathFromFileUrl(QUrl(QStringLiteral("https://example.org/a.jpg"))));
    EXPECT_FALSE(pathFromFileUrl(QUrl(QStringLiteral("file://server/share/a.jpg"))));
    EXPECT_EQ(pathFromFileUrl(QUrl(QStringLiteral("file:///tmp/%C3%A4.jpg"))), "/tmp/\xc3\xa4.jpg");
}

TEST(FileUrlsTest, CommandLineArgumentsBecomeAbsolute) {
    struct Row {
        const char* argument;
        const char* folder;
        const char* expected;
    };
    const Row rows[] = {
        {"/abs/a.jpg", "/home/u", "/abs/a.jpg"},     {"a.jpg", "/home/u", "/home/u/a.jpg"},
        {"./a.jpg", "/home/u/", "/home/u/a.jpg"},    {"sub/b.png", "/", "/sub/b.png"},
        {"../c.gif", "/home/u", "/home/u/../c.gif"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.argument);
        EXPECT_EQ(absolutePath(row.argument, row.folder), row.expected);
    }
}

}  // namespace
}  // namespace varnholt::test

namespace varnholt::test {
namespace {

TEST_F(WindowTest, DeleteKeyInTheListRemovesTheSelectedEntry) {
    using Paths = std::vector<std::string>;
    TempFolder folder;
    const Paths two{folder.file("a.jpg"), folder.file("b.jpg")};
    vc->openData(urls(two));
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
    vc->tableViewImage->setFocus();
    select(0);
    QTest::keyClick(vc->tableViewImage, Qt::Key_Delete);
    EXPECT_EQ(vc->listImagePaths, Paths{two[1]});
    EXPECT_TRUE(std::filesystem::exists(two[0]));

    vc->enterBusyState();  // the batch reads the list: Delete does nothing then
    select(0);
    QTest::keyClick(vc->tableViewImage, Qt::Key_Delete);
    EXPECT_EQ(vc->listImagePaths, Paths{two[1]});
}

}  // namespace
}  // namespace varnholt::test
