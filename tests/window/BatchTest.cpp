#include "Fixture.h"
#include "imaging/ImageTools.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

// A batch disables every input control and command, and no display.
void expectBusy(ViewController* vc, bool busy) {
    const QRegularExpression input(QStringLiteral("^(button|radio|check|textField|combo|slider)"));
    for (QWidget* widget : outlets(vc)) {
        const QString name = widget->objectName();
        SCOPED_TRACE(str(name));
        if (busy || !name.contains(QRegularExpression(u"^(checkDoNotEnlarge|sliderQuality)"_s))) {
            EXPECT_EQ(widget->isEnabled(), !busy || !input.match(name).hasMatch());
        }
    }
    for (const auto& name : {u"actionAddImages"_s, u"actionNew"_s, u"actionResizeImages"_s}) {
        EXPECT_EQ(vc->findChild<QAction*>(name)->isEnabled(), !busy);
    }
    EXPECT_EQ(str(vc->buttonResizeImages->text()), busy ? "Resizing..." : "&Resize Images");
}

const std::string kData = VARNHOLT_TESTDATA;
const Paths kPhotos{kData + "/ianare-exif-samples/Canon_40D.jpg",
                    kData + "/ianare-exif-samples/DSCN0010.jpg", kData + "/libvips/sample.jpg",
                    kData + "/pillow/hopper_gray.jpg"};

Paths filesIn(const std::string& folder) {
    Paths names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

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
    makeWindow(false, true);
    dialogs->imageChoices.push_back(urls(kPhotos));
    std::vector<int> bar;
    QObject::connect(vc->progressIndicator, &QProgressBar::valueChanged,
                     [&bar](int value) { bar.push_back(value); });
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
    const std::string added = out.path("added.png");  // during the run: listed, not resized
    vc->openData(urls({added}));
    vc->OnFileNew();  // does nothing while a batch runs
    ASSERT_TRUE(waitForBatch(0));
    expectBusy(vc, false);
    EXPECT_FALSE(vc->sliderQuality->isEnabled());  // PNG takes no quality
    EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled());
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(str(dialogs->alerts[0].text), "Images resized successfully.");
    EXPECT_EQ(bar, (std::vector<int>{250, 500, 750, 1000, 0}));
    const Paths expected{"Canon_40D_res (1).png", "DSCN0010_res (2).png", "hopper_gray_res (4).png",
                         "sample_res (3).png"};
    EXPECT_EQ(filesIn(out.path()), expected);
    EXPECT_EQ(vc->listImagePaths.back(), added);
    for (const auto& name : expected)
        EXPECT_EQ(ImageTools::readPixelSize(out.path(name))->width, 50);
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
    vc->OnResizeImages();
    ASSERT_TRUE(waitForBatch(1));
    EXPECT_EQ(labels().substr(0, 11), "Width: 400|");
    fs::copy_file(generatedImages().png, photo + ".new");
    fs::rename(photo + ".new", photo);
    EXPECT_TRUE(QTest::qWaitFor([&] { return labels().substr(0, 11) == "Width: 640|"; }, 10000));
}

// The checks, the questions and their answers are the batch rules' own; this proves that
// they reach the user: a refused input, a dismissed overwrite question that skips the rest,
// a failed image listed in the details. An image added during the questions is not resized.
TEST_F(BatchTest, ChecksQuestionsAndFailuresReachTheUser) {
    prepare(kPhotos, "-5", "/tmp");
    vc->OnResizeImages();
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(str(dialogs->alerts[0].text), "The dimensions you entered are not valid.");
    expectBusy(vc, false);
    makeWindow();
    const Paths images{kPhotos[0], kPhotos[2], kData + "/ianare-exif-samples/corrupted.jpg"};
    prepare(images, "40", out.path());
    for (const char* name : {"Canon_40D_res (1).jpg", "sample_res (2).jpg"})
        std::ofstream(out.path(name)) << "kept";
    dialogs->answers.push_back(kYes);  // the second question is dismissed
    dialogs->whileAsking = [&](const Alert&) { vc->openData(urls({kPhotos[1]})); };
    vc->OnResizeImages();
    ASSERT_TRUE(waitForBatch(2));
    EXPECT_EQ(vc->listImagePaths.back(), kPhotos[1]);
    EXPECT_EQ(filesIn(out.path()).size(), 2u);
    ASSERT_EQ(dialogs->alerts.size(), 3u);
    EXPECT_EQ(str(dialogs->alerts[1].text), "The file " + out.path("sample_res (2).jpg") +
                                                " already exists. Do you want to overwrite it?");
    EXPECT_EQ(joined(dialogs->alerts[1].buttons), "Yes|Yes to All|No|No to All");
    EXPECT_EQ(str(dialogs->alerts[2].text), "Some images could not be resized.");
    EXPECT_EQ(str(dialogs->alerts[2].details.section(QStringLiteral(": "), 0, 0)), images[2]);
    EXPECT_EQ(ImageTools::readPixelSize(out.path("Canon_40D_res (1).jpg"))->width, 40);
    EXPECT_EQ(fs::file_size(out.path("sample_res (2).jpg")), 4u);
}

TEST_F(BatchTest, ClosingOrQuittingDuringABatchLeavesOnlyWholeFiles) {
    TempFolder in;  // large photos, so the end lands in the middle of the run
    Paths photos;
    for (int i = 0; i < 8; ++i) {
        photos.push_back(in.path("photo" + std::to_string(i) + ".jpg"));
        fs::copy_file(kData + "/ianare-exif-samples/42_IndexError.jpg", photos.back());
    }
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "quit" : "close");
        makeWindow(false, true);
        TempFolder written;
        prepare(photos, "3000", written.path());
        QSignalSpy terminated(vc, &ViewController::terminateRequested);
        vc->OnResizeImages();
        if (quit) vc->OnAppQuit();
        EXPECT_TRUE(quit ? terminated.count() == 1 : window->close());
        window.reset();  // as the application ends: waits for the images in progress
        const Paths names = filesIn(written.path());
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

}  // namespace
}  // namespace varnholt::test
