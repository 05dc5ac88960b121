#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "Fixture.h"
#include "imaging/ImageTools.h"

namespace varnholt::test {
namespace {

namespace fs = std::filesystem;

// Control by control: a batch disables every input control and no display; the two with their
// own enabling rule are checked by the callers once the batch has ended. The accessible states
// and the busy title's name are checked in the accessibility test.
void expectBusy(ViewController* vc, bool busy) {
    const QRegularExpression input(QStringLiteral("^(button|radio|check|textField|combo|slider)"));
    const QList<QWidget*> all = outlets(vc);
    EXPECT_EQ(all.size(), 42);
    for (QWidget* widget : all) {
        const QString name = widget->objectName();
        SCOPED_TRACE(name.toStdString());
        if (busy || (name != QStringLiteral("checkDoNotEnlargeImages") &&
                     name != QStringLiteral("sliderQuality"))) {
            EXPECT_EQ(widget->isEnabled(), !busy || !input.match(name).hasMatch());
        }
    }
    for (const char* name :
         {"actionAddImages", "actionNew", "actionResizeImages", "actionRemoveSelected"})
        EXPECT_EQ(vc->findChild<QAction*>(QString::fromLatin1(name))->isEnabled(), !busy);
    EXPECT_EQ(str(vc->buttonResizeImages->text()), busy ? "Resizing..." : "&Resize Images");
    EXPECT_EQ(vc->isBusy(), busy);
}

const std::string kData = VARNHOLT_TESTDATA;
const Paths kPhotos{kData + "/ianare-exif-samples/Canon_40D.jpg",
                    kData + "/ianare-exif-samples/DSCN0010.jpg", kData + "/libvips/sample.jpg",
                    kData + "/pillow/hopper_gray.jpg"};

// Until the batch has ended and its final message was asked, or a minute has passed.
bool waitForBatch(ViewController* vc, ScriptedDialogs* dialogs, std::size_t alertsBefore) {
    QElapsedTimer waited;
    waited.start();
    while ((vc->isBusy() || dialogs->alerts.size() == alertsBefore) && waited.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return !vc->isBusy() && dialogs->alerts.size() > alertsBefore;
}

Paths filesIn(const std::string& folder) {
    Paths names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string firstLine(const std::string& path) {
    std::string line;
    std::getline(std::ifstream(path), line);
    return line;
}

class BatchTest : public WindowTest {
protected:
    void prepare(const Paths& images, const char* width, const std::string& folder) {
        vc->openData(urls(images));
        vc->radioFreeResize->setChecked(false);
        vc->radioFixedWidth->setChecked(true);
        vc->textFieldFixedWidth->setText(QString::fromLatin1(width));
        vc->textFieldOutputFolder->setText(QString::fromStdString(folder));
    }
    std::string overwriteQuestion(const std::string& name) const {
        return "The file " + out.path(name) + " already exists. Do you want to overwrite it?";
    }
    TempFolder out;
};

// Without the mouse: add the images, choose and type a fixed width, switch to the Output tab,
// pick a format and the folder, run, with the busy state, the bar and the final message.
TEST_F(BatchTest, AWholeBatchFromTheKeyboard) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
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
    ASSERT_TRUE(waitForBatch(vc, dialogs, 0));
    expectBusy(vc, false);
    EXPECT_FALSE(vc->sliderQuality->isEnabled());  // PNG takes no quality
    EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled());
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(str(dialogs->alerts[0].text), "Images resized successfully.");
    EXPECT_EQ(dialogs->alerts[0].style, AlertStyle::Informational);
    EXPECT_EQ(bar, (std::vector<int>{250, 500, 750, 1000, 0}));
    const Paths expected{"Canon_40D_res (1).png", "DSCN0010_res (2).png", "hopper_gray_res (4).png",
                         "sample_res (3).png"};
    EXPECT_EQ(filesIn(out.path()), expected);
    for (const auto& name : expected)
        EXPECT_EQ(ImageTools::readPixelSize(out.path(name))->width, 50);
}

// The labels follow the selected file: replaced by the batch, then by another program.
TEST_F(BatchTest, TheSelectedFileIsReadAgainWhenItChanges) {
    const std::string photo = out.path("photo.jpg");
    fs::copy_file(generatedImages().landscape, photo);
    prepare({photo}, "400", out.path());
    vc->textFieldName->setText(QStringLiteral("[FileName]"));
    vc->textFieldChangeDPI->setText(QStringLiteral("150"));
    vc->checkChangeDPI->setChecked(true);
    select(0);
    EXPECT_EQ(labels().originalWidth + labels().originalDPI, "Width: 4000DPI: 300");
    dialogs->answers.push_back(kYes);
    vc->OnResizeImages();
    ASSERT_TRUE(waitForBatch(vc, dialogs, 1));
    EXPECT_EQ(labels().originalWidth + labels().originalDPI, "Width: 400DPI: 150");
    fs::copy_file(generatedImages().png, photo + ".new");
    fs::rename(photo + ".new", photo);
    EXPECT_TRUE(QTest::qWaitFor([&] { return labels().originalWidth == "Width: 640"; }, 10000));
}

// The checks and their order are the batch rules' own; this proves the wiring.
TEST_F(BatchTest, InputChecksStopBeforeAnythingHappens) {
    prepare(kPhotos, "-5", "/tmp");
    vc->OnResizeImages();
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(str(dialogs->alerts[0].text), "The dimensions you entered are not valid.");
    EXPECT_EQ(joined(dialogs->alerts[0].buttons), "OK");
    expectBusy(vc, false);
}

// A dismissed overwrite question skips the rest; a failed image is listed in the details.
TEST_F(BatchTest, QuestionsAndFailuresReachTheUser) {
    const Paths images{kPhotos[0], kPhotos[2], kPhotos[3],
                       kData + "/ianare-exif-samples/corrupted.jpg"};
    prepare(images, "40", out.path());
    for (const char* name :
         {"Canon_40D_res (1).jpg", "sample_res (2).jpg", "hopper_gray_res (3).jpg"}) {
        std::ofstream(out.path(name)) << "keep me";
    }
    dialogs->answers.push_back(kYes);  // the second question is dismissed
    vc->OnResizeImages();
    ASSERT_TRUE(waitForBatch(vc, dialogs, 2));
    ASSERT_EQ(dialogs->alerts.size(), 3u);
    EXPECT_EQ(str(dialogs->alerts[0].text), overwriteQuestion("Canon_40D_res (1).jpg"));
    EXPECT_EQ(joined(dialogs->alerts[0].buttons), "Yes|Yes to All|No|No to All");
    EXPECT_EQ(str(dialogs->alerts[1].text), overwriteQuestion("sample_res (2).jpg"));
    EXPECT_EQ(str(dialogs->alerts[2].text), "Some images could not be resized.");
    EXPECT_EQ(str(dialogs->alerts[2].details.section(QStringLiteral(": "), 0, 0)), images[3]);
    EXPECT_EQ(ImageTools::readPixelSize(out.path("Canon_40D_res (1).jpg"))->width, 40);
    EXPECT_EQ(firstLine(out.path("sample_res (2).jpg")), "keep me");
    EXPECT_EQ(firstLine(out.path("hopper_gray_res (3).jpg")), "keep me");
}

TEST_F(BatchTest, AddingOrNewDuringTheQuestionsAndTheRunLeavesTheBatchAlone) {
    prepare(kPhotos, "20", out.path());
    std::ofstream(out.path("Canon_40D_res (1).jpg")) << "old";
    TempFolder extra;
    const std::string asked = extra.file("asked.jpg"), running = extra.file("running.png");
    dialogs->answers.push_back(kYes);
    dialogs->whileAsking = [&](const Alert& alert) {
        if (alert.buttons.size() == 4) vc->openData(urls({asked}));
    };
    vc->OnResizeImages();
    vc->openData(urls({running}));
    vc->OnFileNew();  // does nothing while a batch runs
    ASSERT_TRUE(waitForBatch(vc, dialogs, 1));
    EXPECT_EQ(str(dialogs->alerts.back().text), "Images resized successfully.");
    EXPECT_EQ(filesIn(out.path()).size(), 4u);
    Paths expected = kPhotos;
    expected.insert(expected.end(), {asked, running});
    EXPECT_EQ(vc->listImagePaths, expected);
}

TEST_F(BatchTest, ClosingOrQuittingDuringABatchLeavesOnlyWholeFiles) {
    // Large photos, so the end lands in the middle of the run.
    TempFolder in;
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
        EXPECT_EQ(quit ? terminated.count() == 1 : window->close(), true);
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
