#include <QAction>
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
// own enabling rule are checked by the callers once the batch has ended.
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
    EXPECT_EQ(str(vc->buttonResizeImages->text()), busy ? "Resizing..." : "Resize Images");
    EXPECT_EQ(vc->isBusy(), busy);
}

TEST_F(WindowTest, LeavingTheBusyStateFollowsThePanelsEnablingRules) {
    const struct {
        bool percents, fixedWidth;
        const char* format;
        bool doNotEnlarge, quality;
    } rows[] = {{true, false, "PNG", false, false}, {true, true, "JPX", true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.format);
        makeWindow();
        vc->radioFreeResizePixels->setChecked(!row.percents);
        vc->radioFreeResizePercents->setChecked(row.percents);
        vc->radioFreeResize->setChecked(!row.fixedWidth);
        vc->radioFixedWidth->setChecked(row.fixedWidth);
        vc->comboFormat->setCurrentText(QString::fromLatin1(row.format));
        vc->enterBusyState();
        expectBusy(vc, true);
        vc->leaveBusyState();
        expectBusy(vc, false);
        EXPECT_EQ(vc->checkDoNotEnlargeImages->isEnabled(), row.doNotEnlarge);
        EXPECT_EQ(vc->sliderQuality->isEnabled(), row.quality);
    }
}

TEST_F(WindowTest, WhileBusyNewDoesNothingButOpenWithStillAdds) {
    TempFolder f;
    const std::string a = f.file("a.jpg"), b = f.file("b.jpg");
    vc->openData(urls({a}));
    vc->enterBusyState();
    vc->OnFileNew();
    vc->openData(urls({b}));
    EXPECT_EQ(vc->listImagePaths, (Paths{a, b}));
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

TEST_F(BatchTest, FromTheButtonToTheMessageWithTheBusyStateAndTheBar) {
    prepare(kPhotos, "50", out.path());
    std::vector<int> bar;
    QObject::connect(vc->progressIndicator, &QProgressBar::valueChanged,
                     [&bar](int value) { bar.push_back(value); });
    vc->buttonResizeImages->click();
    expectBusy(vc, true);
    ASSERT_TRUE(waitForBatch(vc, dialogs, 0));
    expectBusy(vc, false);
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(str(dialogs->alerts[0].text), "Images resized successfully.");
    EXPECT_EQ(dialogs->alerts[0].style, AlertStyle::Informational);
    EXPECT_EQ(bar, (std::vector<int>{250, 500, 750, 1000, 0}));
    const Paths expected{"Canon_40D_res (1).jpg", "DSCN0010_res (2).jpg", "hopper_gray_res (4).jpg",
                         "sample_res (3).jpg"};
    EXPECT_EQ(filesIn(out.path()), expected);
    for (const auto& name : expected)
        EXPECT_EQ(ImageTools::readPixelSize(out.path(name))->width, 50);
    EXPECT_EQ(vc->listImagePaths, kPhotos);
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

TEST_F(BatchTest, ExistingFilesAreAskedAboutAndADismissedQuestionSkipsTheRest) {
    prepare(kPhotos, "40", out.path());
    for (const char* name :
         {"Canon_40D_res (1).jpg", "sample_res (3).jpg", "hopper_gray_res (4).jpg"}) {
        std::ofstream(out.path(name)) << "keep me";
    }
    dialogs->answers.push_back(kYes);  // the second question is dismissed
    vc->OnResizeImages();
    ASSERT_TRUE(waitForBatch(vc, dialogs, 2));
    ASSERT_EQ(dialogs->alerts.size(), 3u);
    EXPECT_EQ(str(dialogs->alerts[0].text), overwriteQuestion("Canon_40D_res (1).jpg"));
    EXPECT_EQ(joined(dialogs->alerts[0].buttons), "Yes|Yes to All|No|No to All");
    EXPECT_EQ(str(dialogs->alerts[1].text), overwriteQuestion("sample_res (3).jpg"));
    EXPECT_EQ(str(dialogs->alerts[2].text), "Images resized successfully.");
    EXPECT_EQ(ImageTools::readPixelSize(out.path("Canon_40D_res (1).jpg"))->width, 40);
    EXPECT_EQ(firstLine(out.path("sample_res (3).jpg")), "keep me");
    EXPECT_EQ(firstLine(out.path("hopper_gray_res (4).jpg")), "keep me");
}

TEST_F(BatchTest, FailedImagesAreListedInTheDetails) {
    const Paths images{kPhotos[0], kPhotos[1], kData + "/ianare-exif-samples/corrupted.jpg"};
    prepare(images, "30", out.path("missing"));
    vc->OnResizeImages();
    ASSERT_TRUE(waitForBatch(vc, dialogs, 0));
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(str(dialogs->alerts[0].text), "Some images could not be resized.");
    const QStringList lines = dialogs->alerts[0].details.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(str(lines[i]).starts_with(images[i] + ": ")) << lines[i].toStdString();
    }
}

TEST_F(BatchTest, AddingDuringTheQuestionsAndTheRunLeavesTheBatchAlone) {
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
