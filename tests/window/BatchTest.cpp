#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "WindowFixture.h"
#include "imaging/ImageTools.h"
#include "window/BatchRunner.h"

namespace varnholt::test {

void expectBusy(ViewController* vc);
void expectIdle(ViewController* vc);

namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

const std::string kData = VARNHOLT_TESTDATA;

Paths smallPhotos() {
    return {kData + "/ianare-exif-samples/Canon_40D.jpg",
            kData + "/ianare-exif-samples/DSCN0010.jpg", kData + "/libvips/sample.jpg",
            kData + "/pillow/hopper_gray.jpg"};
}

// Waits (with a timeout) until the batch has ended and its message was asked.
bool waitForBatch(ViewController* vc, ScriptedDialogs* dialogs, std::size_t alertsBefore) {
    QElapsedTimer waited;
    waited.start();
    while ((vc->isBusy() || dialogs->alerts.size() == alertsBefore) && waited.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return !vc->isBusy() && dialogs->alerts.size() > alertsBefore;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class BatchTest : public WindowTest {
protected:
    void prepare(const Paths& images, const std::string& width) {
        vc->openData(urls(images));
        vc->radioFreeResize->setChecked(false);
        vc->radioFixedWidth->setChecked(true);
        vc->textFieldFixedWidth->setText(QString::fromStdString(width));
        vc->textFieldOutputFolder->setText(QString::fromStdString(out.path()));
    }

    TempFolder out;
};

TEST_F(BatchTest, FromTheButtonToTheMessageWithTheBusyStateAndTheBar) {
    const Paths photos = smallPhotos();
    prepare(photos, "50");
    std::vector<int> bar;
    QObject::connect(vc->progressIndicator, &QProgressBar::valueChanged,
                     [&bar](int value) { bar.push_back(value); });

    vc->buttonResizeImages->click();
    expectBusy(vc);
    ASSERT_TRUE(waitForBatch(vc, dialogs, 0));

    expectIdle(vc);
    ASSERT_EQ(dialogs->alerts.size(), 1u);
    EXPECT_EQ(dialogs->alerts[0].text, QStringLiteral("Images resized successfully."));
    EXPECT_EQ(dialogs->alerts[0].style, AlertStyle::Informational);
    EXPECT_TRUE(dialogs->alerts[0].details.isEmpty());
    EXPECT_EQ(bar, (std::vector<int>{250, 500, 750, 1000, 0}));
    const std::vector<std::string> expected{"Canon_40D_res (1).jpg", "DSCN0010_res (2).jpg",
                                            "hopper_gray_res (4).jpg", "sample_res (3).jpg"};
    EXPECT_EQ(filesIn(out.path()), expected);
    for (const auto& name : expected) {
        SCOPED_TRACE(name);
        const auto size = ImageTools::readPixelSize(out.path(name));
        ASSERT_TRUE(size.has_value());
        EXPECT_EQ(size->width, 50);
    }
    EXPECT_EQ(vc->listImagePaths, photos);
}

TEST_F(BatchTest, InputChecksStopBeforeAnythingHappens) {
    struct Row {
        const char* name;
        bool images;
        const char* width;
        const char* folder;
        const char* message;
    };
    const Row rows[] = {
        {"empty list with everything else wrong", false, "0", "", "There are no images to resize."},
        {"bad size and no folder", true, "0", "", "The dimensions you entered are not valid."},
        {"negative size", true, "-5", "/tmp", "The dimensions you entered are not valid."},
        {"no folder", true, "10", "", "Please select an output folder."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        makeWindow(false);
        if (row.images) vc->openData(urls(smallPhotos()));
        vc->radioFreeResize->setChecked(false);
        vc->radioFixedWidth->setChecked(true);
        vc->textFieldFixedWidth->setText(QString::fromLatin1(row.width));
        vc->textFieldOutputFolder->setText(QString::fromLatin1(row.folder));
        vc->OnResizeImages();
        ASSERT_EQ(dialogs->alerts.size(), 1u);
        EXPECT_EQ(dialogs->alerts[0].text, QString::fromLatin1(row.message));
        EXPECT_EQ(dialogs->alerts[0].buttons, QStringList{QStringLiteral("OK")});
        EXPECT_EQ(dialogs->alerts[0].style, AlertStyle::Warning);
        expectIdle(vc);
    }
}

TEST_F(BatchTest, ExistingFilesAreAskedAboutAndADismissedQuestionSkipsTheRest) {
    const Paths photos = smallPhotos();
    prepare(photos, "40");
    const std::string first = out.path("Canon_40D_res (1).jpg");
    const std::string third = out.path("sample_res (3).jpg");
    const std::string fourth = out.path("hopper_gray_res (4).jpg");
    for (const auto& path : {first, third, fourth}) std::ofstream(path) << "keep me";
    dialogs->answers.push_back(1000);  // Yes for the first; the second question is dismissed

    vc->OnResizeImages();
    ASSERT_TRUE(waitForBatch(vc, dialogs, 2));

    ASSERT_EQ(dialogs->alerts.size(), 3u);
    EXPECT_EQ(dialogs->alerts[0].text,
              QStringLiteral("The file %1 already exists. Do you want to overwrite it?")
                  .arg(QString::fromStdString(first)));
    EXPECT_EQ(dialogs->alerts[0].buttons,
              (QStringList{QStringLiteral("Yes"), QStringLiteral("Yes to All"),
                           QStringLiteral("No"), QStringLiteral("No to All")}));
    EXPECT_EQ(dialogs->alerts[1].text,
              QStringLiteral("The file %1 already exists. Do you want to overwrite it?")
                  .arg(QString::fromStdString(third)));
    EXPECT_EQ(dialogs->alerts[2].text, QStringLiteral("Images resized successfully."));
    EXPECT_EQ(ImageTools::readPixelSize(first)->width, 40);
    for (const auto& kept : {third, fourth}) {
        std::ifstream in(kept);
        std::string text;
        std::getline(in, text);
        EXPECT_EQ(text, "keep me");
    }
}

TEST_F(BatchTest, FailedImagesAreListedInTheDetails) {
    Paths images = smallPhotos();
    images.resize(2);
    images.push_back(kData + "/ianare-exif-samples/corrupted.jpg");
    prepare(images, "30");
    vc->textFieldOutputFolder->setText(QString::fromStdString(out.path("missing")));

    vc->OnResizeImages();
    ASSERT_TRUE(waitForBatch(vc, dialogs, 0));

    ASSERT_EQ(dialogs->alerts.size(), 1u);
    const Alert& message = dialogs->alerts[0];
    EXPECT_EQ(message.text, QStringLiteral("Some images could not be resized."));
    EXPECT_EQ(message.style, AlertStyle::Warning);
    const QStringList lines = message.details.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(lines[i].startsWith(QString::fromStdString(images[static_cast<size_t>(i)]) +
                                        QStringLiteral(": ")))
            << lines[i].toStdString();
    }
    expectIdle(vc);
}

TEST_F(BatchTest, AddingDuringTheQuestionsAndTheRunLeavesTheBatchAlone) {
    const Paths photos = smallPhotos();
    prepare(photos, "20");
    std::ofstream(out.path("Canon_40D_res (1).jpg")) << "old";
    TempFolder extra;
    const std::string added = extra.file("late.jpg");
    const std::string dropped = extra.file("dropped.png");
    dialogs->answers.push_back(1000);
    // Open-with arrives while the overwrite question is up.
    dialogs->whileAsking = [this, added](const Alert& alert) {
        if (alert.buttons.size() == 4) vc->openData(urls({added}));
    };

    vc->OnResizeImages();
    vc->openData(urls({dropped}));  // and again while the images are processed
    ASSERT_TRUE(waitForBatch(vc, dialogs, 1));

    EXPECT_EQ(dialogs->alerts.back().text, QStringLiteral("Images resized successfully."));
    EXPECT_EQ(filesIn(out.path()).size(), 4u);
    Paths expected = photos;
    expected.push_back(added);
    expected.push_back(dropped);
    EXPECT_EQ(vc->listImagePaths, expected);
    EXPECT_EQ(vc->progressIndicator->value(), 0);
}

TEST_F(BatchTest, ClosingOrQuittingDuringABatchLeavesOnlyWholeFiles) {
    // Large photos, each taking a while, so the end lands in the middle of the run.
    TempFolder in;
    Paths photos;
    const std::string photo = kData + "/ianare-exif-samples/42_IndexError.jpg";
    for (int i = 0; i < 8; ++i) {
        photos.push_back(in.path("photo" + std::to_string(i) + ".jpg"));
        fs::copy_file(photo, photos.back());
    }
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "quit" : "close");
        makeWindow(false);
        TempFolder written;
        prepare(photos, "3000");
        vc->textFieldOutputFolder->setText(QString::fromStdString(written.path()));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 5000));
        QSignalSpy terminated(vc, &ViewController::terminateRequested);

        vc->OnResizeImages();
        if (quit) {
            vc->OnAppQuit();
            EXPECT_EQ(terminated.count(), 1);
        } else {
            EXPECT_TRUE(window->close());
        }
        // As when the application ends: the window goes, waiting for the images in progress.
        window.reset();

        const auto names = filesIn(written.path());
        EXPECT_LT(names.size(), photos.size());
        for (const auto& name : names) {
            SCOPED_TRACE(name);
            EXPECT_NE(name.front(), '.');  // no temporary file left
            const auto image = ImageTools::loadImage(written.path(name));
            ASSERT_TRUE(image.has_value());
            EXPECT_TRUE(ImageTools::rasterizeImage(*image).has_value());  // decodes to the end
        }
    }
}

}  // namespace
}  // namespace varnholt::test

namespace varnholt::test {
namespace {

// A step that holds every image until released, to stop a batch at a known point.
class HeldStep {
public:
    ImageOutcome operator()(const ImageTask& task, const ResizeSettings&) {
        ++started;
        std::unique_lock lock(mutex);
        released.wait(lock, [this] { return open; });
        return ImageOutcome{task.index, ImageStatus::Written, {}, task.sourcePath, task.outputPath};
    }
    void release() {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        released.notify_all();
    }
    bool waitForStart() const {
        QElapsedTimer waited;
        waited.start();
        while (started.load() == 0 && waited.elapsed() < 5000) QThread::msleep(2);
        return started.load() > 0;
    }

    std::atomic<int> started{0};
    std::mutex mutex;
    std::condition_variable released;
    bool open = false;
};

std::unique_ptr<BatchRunner> heldRunner(HeldStep& step, std::size_t count) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < count; ++i) paths.push_back("/in/" + std::to_string(i) + ".jpg");
    ResizeSettings settings;
    settings.outputFolder = "/out";
    std::vector<OverwriteDecision> decisions(count, OverwriteDecision::Write);
    return std::make_unique<BatchRunner>(
        paths, settings, decisions,
        [&step](const ImageTask& task, const ResizeSettings& s) { return step(task, s); });
}

TEST(BatchRunnerTest, AStopLetsTheRunningImageFinishAndStartsNoOther) {
    HeldStep step;
    auto runner = heldRunner(step, 5);
    std::optional<BatchResult> result;
    QObject::connect(runner.get(), &BatchRunner::finished,
                     [&result](const BatchResult& finished) { result = finished; });
    runner->start();
    ASSERT_TRUE(step.waitForStart());
    runner->requestStop();
    // Every image started so far is held: none may start after the stop.
    const int startedBeforeStop = step.started.load();
    step.release();
    QElapsedTimer waited;
    waited.start();
    while (!result && waited.elapsed() < 5000) QCoreApplication::processEvents();
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(result->stopped);
    EXPECT_FALSE(result->allSucceeded);
    EXPECT_EQ(step.started.load(), startedBeforeStop);
    EXPECT_LT(startedBeforeStop, 5);
    EXPECT_EQ(result->outcomes.size(), static_cast<std::size_t>(startedBeforeStop));
}

TEST(BatchRunnerTest, DestroyingTheRunnerWaitsForTheRunningImageAndDropsItsReports) {
    HeldStep step;
    auto runner = heldRunner(step, 5);
    int reports = 0;
    QObject::connect(runner.get(), &BatchRunner::finished, [&reports] { ++reports; });
    QObject::connect(runner.get(), &BatchRunner::progressed, [&reports] { ++reports; });
    runner->start();
    ASSERT_TRUE(step.waitForStart());
    std::thread releaser([&step] {
        QThread::msleep(50);
        step.release();
    });
    runner.reset();  // returns only once the held images are done
    releaser.join();
    QCoreApplication::processEvents();
    EXPECT_LT(step.started.load(), 5);
    EXPECT_EQ(reports, 0);
}

}  // namespace
}  // namespace varnholt::test
