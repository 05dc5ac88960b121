#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <future>

#include "Fixture.h"
#include "window/PreviewRenderer.h"

namespace varnholt::test {
namespace {

// The newer request finishes first; the older one, already running, must never be shown.
TEST(PreviewRendererTest, AnOvertakenRenderingIsNeverShown) {
    std::promise<void> release1, release2;  // outlive the renderer, which waits for its jobs
    std::atomic<int> started = 0;
    const auto job = [&started](int width, std::shared_future<void> go) {
        return [&started, width, go] {
            ++started;
            go.wait_for(std::chrono::seconds(10));
            return QImage(width, 1, QImage::Format_RGBA8888);
        };
    };
    PreviewRenderer renderer;
    QSignalSpy shown(&renderer, &PreviewRenderer::rendered);
    renderer.start(job(1, release1.get_future().share()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started == 1; }, 10000));  // can no longer be skipped
    renderer.start(job(2, release2.get_future().share()));
    release2.set_value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() == 1; }, 10000));
    release1.set_value();
    ASSERT_TRUE(renderer.waitForJobs(10000));
    QTest::qWait(50);  // a queued stale completion would arrive now
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.at(0).at(0).value<QImage>().width(), 2);
    EXPECT_FALSE(renderer.isBusy());
}

void fixedWidth(ViewController* vc, const char* width) {
    vc->textFieldFixedWidth->setText(QString::fromLatin1(width));
    vc->radioFixedWidth->click();
}

void box(ViewController* vc, const char* width, const char* height) {
    vc->textFieldFixedDimensionsWidth->setText(QString::fromLatin1(width));
    vc->textFieldFixedDimensionsHeight->setText(QString::fromLatin1(height));
    vc->radioFixedWidthAndHeight->click();
}

std::string shown(const DimensionLabels& l) {
    return l.originalWidth + '|' + l.originalHeight + '|' + l.originalDPI + '|' + l.outputDPI +
           '|' + l.outputWidth + '|' + l.outputHeight;
}

const DimensionLabels kNone = noImageLabels();

// The labels are the settings' own rules; this proves that they, the preview at the output's
// proportions and its description reach the window.
TEST_F(PanelTest, ShowsTheLabelsThePreviewAndItsDescription) {
    const struct {
        std::string image;
        std::function<void(ViewController*)> settings;  // before the selection
        const char *labels, *described;
        QSize output;
    } rows[] = {
        {{},
         [](auto vc) { fixedWidth(vc, "1000"); },
         "Width: 0|Height: 0|DPI: |DPI: |Width: 0|Height: 0",
         "No image selected",
         {}},
        {generatedImages().landscape,
         [](auto vc) { fixedWidth(vc, "1000"); },
         "Width: 4000|Height: 3000|DPI: 300|DPI: 72|Width: 1000|Height: 750",
         "landscape.jpg at 1000 by 750 pixels",
         {1000, 750}},
        {generatedImages().portrait,
         [](auto vc) {
             vc->checkWidthLargestDimension->click();
             box(vc, "800", "500");
         },
         "Width: 3000|Height: 4000|DPI: 300|DPI: 72|Width: 500|Height: 667",
         "portrait.jpg at 500 by 667 pixels",
         {500, 667}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.described);
        makeWindow(false, true);
        row.settings(vc);
        if (!row.image.empty()) listAndSelect({row.image}, 0);
        EXPECT_EQ(shown(labels()), row.labels);
        EXPECT_EQ(str(vc->imageViewPreview->accessibleDescription()), row.described);
        ASSERT_TRUE(waitForPreview());
        EXPECT_FALSE(vc->progressIndicatorPreview->isVisible());
        ASSERT_EQ(preview().isNull(), row.output.isEmpty());
        if (row.output.isEmpty()) continue;
        const QSize bound =
            row.output.scaled(row.output.boundedTo(previewViewPixels()), Qt::KeepAspectRatio);
        EXPECT_NEAR(preview().width(), bound.width(), 1);
        EXPECT_NEAR(preview().height(), bound.height(), 1);
    }
}

TEST_F(PanelTest, AFileThatCannotBeReadShowsAsNoSelectionAndListChangesKeepTheSelection) {
    TempFolder f;
    const std::string copy = f.path("gone.jpg");
    std::filesystem::copy_file(generatedImages().landscape, copy);
    fixedWidth(vc, "1000");
    listAndSelect({copy, f.file("text.jpg"), generatedImages().png}, 2);
    std::filesystem::remove(copy);
    for (const int row : {0, 1}) {
        select(row);
        EXPECT_FALSE(vc->currentImage.has_value());
        EXPECT_EQ(labels(), kNone);
        ASSERT_TRUE(waitForPreview());
        EXPECT_TRUE(preview().isNull());
    }
    select(2);
    ASSERT_TRUE(waitForPreview());
    ASSERT_FALSE(preview().isNull());
    const DimensionLabels shown = labels();
    vc->openData(urls({generatedImages().portrait}));
    EXPECT_EQ(vc->selectedRow(), 2);
    EXPECT_EQ(labels(), shown);
    ASSERT_TRUE(waitForPreview());
    EXPECT_FALSE(preview().isNull());
    vc->OnRemoveSelected();
    EXPECT_EQ(labels(), kNone);
    EXPECT_TRUE(preview().isNull());
}

// One row per synchronising field; the rules are the settings' own.
TEST_F(PanelTest, TheOtherFieldFollows) {
    enum Field { PixelW, PixelH, PercentW, PercentH, Lock };
    const struct {
        std::string image;
        bool unlocked, largest;
        Field edited;
        const char *typed, *other;  // the other field of the pair then shows other
    } rows[] = {
        {generatedImages().portrait, false, true, PixelW, "1000", "750"},
        {generatedImages().landscape, false, false, PixelH, "750", "1000"},
        {{}, false, false, PercentW, "50.7", "50"},
        {{}, true, false, PercentH, "25.9", "100"},
        {{}, true, false, Lock, "50.5", "50.5"},  // locking copies the percent width
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edited);
        makeWindow(false, true);
        QLineEdit* const fields[] = {
            vc->textFieldFreeResizePixelsWidth, vc->textFieldFreeResizePixelsHeight,
            vc->textFieldFreeResizePercentsWidth, vc->textFieldFreeResizePercentsHeight};
        if (!row.image.empty()) listAndSelect({row.image}, 0);
        if (row.unlocked) vc->checkFreeResizeKeepAspect->click();
        if (row.largest) vc->checkWidthLargestDimension->click();
        if (row.edited == Lock) {
            vc->textFieldFreeResizePercentsWidth->setText(QString::fromLatin1(row.typed));
            vc->checkFreeResizeKeepAspect->click();
        } else {
            enter(fields[row.edited], QString::fromLatin1(row.typed));
            EXPECT_EQ(str(fields[row.edited]->text()), row.typed);
        }
        EXPECT_EQ(str(fields[row.edited == Lock ? PercentH : row.edited ^ 1]->text()), row.other);
    }
}

// Every way of choosing a mode runs the panel's rules: the set stays exclusive, the other
// set keeps its choice, the enabling rule and the labels follow. The rules are the settings'
// own; the format and the slider prove the rest of the wiring.
TEST_F(PanelTest, EveryWayOfChoosingAModeRunsThePanelRules) {
    const auto key = [](QRadioButton* radio, Qt::Key key) {
        radio->setFocus();
        QTest::keyClick(radio, key);
    };
    const std::pair<const char*, std::function<void(ViewController*)>> ways[] = {
        {"mouse", [](auto vc) { QTest::mouseClick(vc->radioFixedHeight, Qt::LeftButton); }},
        {"space", [&](auto vc) { key(vc->radioFixedHeight, Qt::Key_Space); }},
        {"arrow",
         [&](auto vc) {
             vc->radioFixedWidth->click();
             key(vc->radioFixedWidth, Qt::Key_Down);
         }},
        {"mnemonic",
         [](auto vc) {
             QTest::keyClick(vc, Qt::Key_G, Qt::AltModifier);  // an animated click
             EXPECT_TRUE(QTest::qWaitFor([vc] { return vc->radioFixedHeight->isChecked(); }, 5000));
         }},
        {"accessibility",
         [](auto vc) {
             QAccessible::queryAccessibleInterface(vc->radioFixedHeight)
                 ->actionInterface()
                 ->doAction(QAccessibleActionInterface::toggleAction());
         }},
        {"code", [](auto vc) { vc->radioFixedHeight->setChecked(true); }},
    };
    for (const auto& [name, choose] : ways) {
        SCOPED_TRACE(name);
        makeWindow(false, true);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
        vc->textFieldFixedHeight->setText(QStringLiteral("300"));
        vc->radioFreeResizePercents->click();
        EXPECT_FALSE(vc->checkDoNotEnlargeImages->isEnabled());
        listAndSelect({generatedImages().landscape}, 0);
        choose(vc);
        EXPECT_TRUE(vc->radioFixedHeight->isChecked() && vc->radioFreeResizePercents->isChecked());
        EXPECT_FALSE(vc->radioFreeResize->isChecked() || vc->radioFixedWidth->isChecked());
        EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled());
        EXPECT_EQ(labels().outputWidth + labels().outputHeight, "Width: 400Height: 300");
    }
    vc->comboFormat->setCurrentText(QStringLiteral("PNG"));
    EXPECT_FALSE(vc->sliderQuality->isEnabled());
    vc->sliderQuality->setValue(0);
    EXPECT_EQ(str(vc->labelQuality->text()), "1");
}

TEST_F(PanelTest, BrowseAsksForAFolderAndOnlyAChoiceChangesTheField) {
    vc->textFieldOutputFolder->setText(QStringLiteral("/kept"));
    dialogs->folderChoices = {std::nullopt, QUrl::fromLocalFile(QStringLiteral("/tmp/out"))};
    vc->buttonBrowse->click();
    EXPECT_EQ(str(vc->textFieldOutputFolder->text()), "/kept");
    vc->buttonBrowse->click();
    EXPECT_EQ(str(vc->textFieldOutputFolder->text()), "/tmp/out");
    EXPECT_EQ(dialogs->folderPrompts, std::vector<QString>(2, QStringLiteral("Select Folder")));
}

}  // namespace
}  // namespace varnholt::test
