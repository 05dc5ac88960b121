// SPDX-License-Identifier: GPL-3.0-or-later
#include "Fixture.h"
#include "batch/ImageList.h"
#include "imaging/ImageTools.h"
#include "window/WidgetDialogs.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

// A batch disables every input control and command, and no display; only Stop is enabled
// exactly while a batch runs.
void expectBusy(ViewController* vc, bool busy) {
    const QRegularExpression input(QStringLiteral("^(button|radio|check|textField|combo|slider)"));
    for (QWidget* widget : outlets(vc)) {
        const QString name = widget->objectName();
        SCOPED_TRACE(str(name));
        const bool stop = name == u"buttonStop"_s;
        if (stop || busy || !name.contains(QRegularExpression(u"^(checkDoNotEnlarge|slider)"_s))) {
            EXPECT_EQ(widget->isEnabled(), stop ? busy : !busy || !input.match(name).hasMatch());
        }
    }
    for (const auto& name : {u"actionAddImages"_s, u"actionNew"_s, u"actionResizeImages"_s,
                             u"actionRemoveSelected"_s, u"actionStop"_s}) {
        EXPECT_EQ(vc->findChild<QAction*>(name)->isEnabled(), busy == (name == u"actionStop"_s));
    }
    EXPECT_EQ(str(vc->buttonResizeImages->text()), busy ? "Resizing..." : "&Resize Images");
}

const std::string kData = VARNHOLT_TESTDATA;
const Paths kPhotos{kData + "/ianare-exif-samples/Canon_40D.jpg",
                    kData + "/ianare-exif-samples/DSCN0010.jpg", kData + "/libvips/sample.jpg",
                    kData + "/pillow/hopper_gray.jpg"};

class BatchTest : public WindowTest {
protected:
    void prepare(const Paths& images, const char* width, const std::string& folder) {
        vc->openData(urls(images));
        vc->radioFixedWidth->setChecked(true);
        vc->textFieldFixedWidth->setText(QString::fromLatin1(width));
        vc->textFieldOutputFolder->setText(QString::fromStdString(folder));
    }
    // Until the batch has ended and its final message was shown, with a timeout.
    bool waitForBatch(std::size_t alertsBefore) {
        return QTest::qWaitFor(
            [&] { return !vc->isBusy() && dialogs->alerts.size() > alertsBefore; }, 60000);
    }
    TempFolder out;
};

// Without the mouse: add the images, choose and type a fixed width, switch to the Output tab,
// pick a format and the folder, run, with the busy state, the bar and the final message.
TEST_F(BatchTest, AWholeBatchFromTheKeyboard) {
    dialogs->imageChoices.push_back(urls(kPhotos));
    QStringList bar;
    QObject::connect(vc->progressIndicator, &QProgressBar::valueChanged,
                     [&](int) { bar << vc->progressIndicator->text(); });
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    press(Qt::Key_O, Qt::ControlModifier);
    press(Qt::Key_X, Qt::AltModifier);  // an animated click
    ASSERT_TRUE(QTest::qWaitFor([this] { return vc->radioFixedWidth->isChecked(); }, 5000));
    press(Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("50"));
    press(Qt::Key_PageDown, Qt::ControlModifier);
    press(Qt::Key_T, Qt::AltModifier);
    for (int i = 0; i < 5; ++i) press(Qt::Key_Down);
    press(Qt::Key_D, Qt::AltModifier);
    QTest::keyClicks(QApplication::focusWidget(), QString::fromStdString(out.path()));
    press(Qt::Key_R, Qt::ControlModifier);
    expectBusy(vc, true);
    vc->openData(urls({files.write("added.png")}));  // during the run: listed, not resized
    vc->OnFileNew();                                 // does nothing while a batch runs
    ASSERT_TRUE(waitForBatch(0));
    expectBusy(vc, false);
    EXPECT_FALSE(vc->sliderQuality->isEnabled());  // PNG takes no quality
    EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled());
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(str(dialogs->alerts[0].text), "Images resized successfully.");
    EXPECT_EQ(joined(bar), "1 of 4|2 of 4|3 of 4|4 of 4|0%");
    const Paths expected{"Canon_40D_res (1).png", "DSCN0010_res (2).png", "hopper_gray_res (4).png",
                         "sample_res (3).png"};
    EXPECT_EQ(out.entries(), expected);
    EXPECT_EQ(listed().back(), files.path("added.png"));
    for (const auto& name : expected)
        EXPECT_EQ(ImageTools::readPixelSize(out.path(name))->width, 50);
}

// A walked folder's sub-folder is kept under the output folder; a file added alone is not.
TEST_F(BatchTest, KeptSubFoldersFollowTheAddedFolder) {
    fs::create_directories(files.path("trip/day"));
    fs::copy_file(kPhotos[2], files.path("trip/day/sample.jpg"));
    prepare({files.path("trip"), kPhotos[3]}, "20", out.path());
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->imageList().size() == 2; }, 10000));
    vc->checkKeepSubFolders->setChecked(true);
    vc->actionResizeImages->trigger();
    ASSERT_TRUE(waitForBatch(0));
    EXPECT_EQ(out.entries(), (Paths{"day", "hopper_gray_res (2).jpg"}));
    EXPECT_EQ(out.entries("day"), Paths{"sample_res (1).jpg"});
}

// The labels follow the selected file: replaced by the batch, then by another program.
TEST_F(BatchTest, TheSelectedFileIsReadAgainWhenItChanges) {
    const std::string photo = out.path("photo.jpg");
    fs::copy_file(generatedImages().landscape, photo);
    prepare({photo}, "400", out.path());
    vc->textFieldName->setText(QStringLiteral("[FileName]"));
    select(0);
    EXPECT_EQ(labels().substr(0, 11), "Width: 4000");
    dialogs->answers.push_back(kYes);
    vc->actionResizeImages->trigger();
    ASSERT_TRUE(waitForBatch(1));
    EXPECT_EQ(dialogs->alerts[0].text, overwriteQuestion(photo, true).text);  // the source itself
    EXPECT_EQ(labels().substr(0, 11), "Width: 400|");
    fs::copy_file(generatedImages().png, photo + ".new");
    fs::rename(photo + ".new", photo);
    EXPECT_TRUE(QTest::qWaitFor([&] { return labels().substr(0, 11) == "Width: 640|"; }, 10000));
}

// The checks, the questions and their answers are the batch rules' own; this proves that
// they reach the user: a refused input, a dismissed overwrite question that skips the rest,
// a failed image listed in the details. An image added during the questions (no Stop yet)
// is not resized.
TEST_F(BatchTest, ChecksQuestionsAndFailuresReachTheUser) {
    prepare(kPhotos, "-5", "/tmp");
    vc->actionResizeImages->trigger();
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(str(dialogs->alerts[0].text), "The dimensions you entered are not valid.");
    expectBusy(vc, false);
    makeWindow();
    const Paths images{kPhotos[0], kPhotos[2], kData + "/ianare-exif-samples/corrupted.jpg"};
    prepare(images, "40", out.path());
    for (const char* name : {"Canon_40D_res (1).jpg", "sample_res (2).jpg"})
        std::ofstream(out.path(name)) << "kept";
    dialogs->answers.push_back(kYes);  // the second question is dismissed
    dialogs->whileAsking = [&](const Alert&) {
        vc->openData(urls({kPhotos[1]}));
        EXPECT_FALSE(vc->buttonStop->isEnabled() || vc->actionStop->isEnabled());  // nothing runs
    };
    vc->actionResizeImages->trigger();
    ASSERT_TRUE(waitForBatch(2));
    EXPECT_EQ(out.entries().size(), 2u);
    ASSERT_EQ(dialogs->alerts.size(), 3u);
    EXPECT_EQ(dialogs->alerts[1].text, overwriteQuestion(out.path("sample_res (2).jpg")).text);
    EXPECT_EQ(str(dialogs->alerts[2].text), "Some images could not be resized.");
    EXPECT_EQ(str(dialogs->alerts[2].details.section(u'\n', -1).section(u": "_s, 0, 0)), images[2]);
    EXPECT_EQ(ImageTools::readPixelSize(out.path("Canon_40D_res (1).jpg"))->width, 40);
    EXPECT_EQ(fs::file_size(out.path("sample_res (2).jpg")), 4u);
}

// Stopped (by the button's letter or Esc), closed or quit, a batch starts no further image and
// finishes those in flight whole; only Stop ends with a message: how many were written.
TEST_F(BatchTest, EndingABatchEarlyLeavesOnlyWholeFiles) {
    Paths photos;  // large, so the end lands in the middle of the run
    for (int i = 0; i < 8; ++i) {
        photos.push_back(files.path("photo" + std::to_string(i) + ".jpg"));
        fs::copy_file(kData + "/ianare-exif-samples/42_IndexError.jpg", photos.back());
    }
    for (const char way : {'s', 'e', 'c', 'q'}) {  // Alt+S, Esc, close, quit
        SCOPED_TRACE(way);
        makeWindow();
        TempFolder written;
        prepare(photos, "3000", written.path());
        QSignalSpy terminated(vc, &ViewController::terminateRequested);
        vc->actionResizeImages->trigger();
        if (way == 'q') vc->OnAppQuit();
        if (way == 's' || way == 'e') {
            QTest::keyClick(vc->tableViewImage, way == 's' ? Qt::Key_S : Qt::Key_Escape,
                            way == 's' ? Qt::AltModifier : Qt::NoModifier);
            ASSERT_TRUE(waitForBatch(0));
            expectBusy(vc, false);
            const std::string resized = std::to_string(written.entries().size());
            EXPECT_EQ(str(dialogs->alerts.at(0).text),
                      "The resizing was stopped. " + resized + " of 8 images were resized.");
        } else {
            EXPECT_TRUE(way == 'q' ? terminated.count() == 1 : window->close());
        }
        EXPECT_EQ(dialogs->alerts.size(), way == 's' || way == 'e' ? 1u : 0u);
        window.reset();  // as the application ends: waits for the images in progress
        const Paths names = written.entries();
        EXPECT_LT(names.size(), photos.size());
        for (const auto& name : names) {
            SCOPED_TRACE(name);
            EXPECT_NE(name.front(), '.');  // no temporary file left
            const auto image = ImageTools::loadImage(written.path(name));
            ASSERT_TRUE(image.has_value());
            EXPECT_TRUE(ImageTools::rasterizeImage(*image).has_value());  // whole to the end
        }
    }
}

// The open dialog's Add button takes a selected folder, with files, for the images inside.
TEST_F(WindowTest, TheOpenDialogAddsFoldersWithFiles) {
    std::filesystem::create_directories(files.path("trip"));
    const Paths added{files.write("a.jpg"), files.write("trip/b.jpg")};
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        dialog->setDirectory(QString::fromStdString(files.path()));
        auto* view = dialog->findChild<QListView*>(u"listView"_s);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 2; }));
        dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(uR"("trip" "a.jpg")"_s);
        auto* add = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
        EXPECT_EQ(str(add->text()), "&Add");
        add->click();
        if (dialog->isVisible()) dialog->reject();  // the folder was not taken
    });
    dialogs->imageChoices.push_back(WidgetDialogs(nullptr).chooseImageFiles({u"jpg"_s}));
    vc->actionAddImages->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vc->imageList().size() == 2; }, 10000));
    EXPECT_TRUE(std::is_permutation(added.begin(), added.end(), listed().begin()));
}

}  // namespace
}  // namespace varnholt::test
