#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <future>
#include <tuple>

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

enum class Image { None, Landscape, Portrait, Png };

std::string imagePath(Image image) {
    const auto& g = generatedImages();
    return image == Image::Landscape ? g.landscape : image == Image::Portrait ? g.portrait : g.png;
}

void fixedWidth(ViewController* vc, const char* width) {
    vc->textFieldFixedWidth->setText(QString::fromLatin1(width));
    vc->radioFixedWidth->click();
}

void dpi(ViewController* vc, const char* text) {
    vc->textFieldChangeDPI->setText(QString::fromLatin1(text));
    vc->checkChangeDPI->click();
}

void box(ViewController* vc, const char* width, const char* height) {
    vc->textFieldFixedDimensionsWidth->setText(QString::fromLatin1(width));
    vc->textFieldFixedDimensionsHeight->setText(QString::fromLatin1(height));
    vc->radioFixedWidthAndHeight->click();
}

struct DisplayRow {
    const char* name;
    Image image;
    std::function<void(ViewController*)> settings;  // before the selection
    const char* expected;  // width, height, DPI of the original; DPI, width, height of the output
};

// The labels' values after their prefixes, which must be there.
std::string values(const DimensionLabels& l) {
    std::string joined;
    const std::pair<std::string_view, const std::string&> parts[] = {
        {kWidthPrefix, l.originalWidth}, {kHeightPrefix, l.originalHeight},
        {kDpiPrefix, l.originalDPI},     {kDpiPrefix, l.outputDPI},
        {kWidthPrefix, l.outputWidth},   {kHeightPrefix, l.outputHeight}};
    for (const auto& [prefix, text] : parts)
        joined.append(joined.empty() ? "" : ",")
            .append(text.starts_with(prefix) ? text.substr(prefix.size()) : "?");
    return joined;
}

const DimensionLabels kNone = noImageLabels();
const auto kWidth1000 = [](ViewController* vc) { fixedWidth(vc, "1000"); };
const DisplayRow kDisplayRows[] = {
    {"no selection", Image::None, kWidth1000, "0,0,,,0,0"},
    {"defaults", Image::Landscape, [](auto) {}, "4000,3000,300,72,0,0"},
    {"fixed width", Image::Landscape, kWidth1000, "4000,3000,300,72,1000,750"},
    {"huge output", Image::Landscape, [](auto vc) { fixedWidth(vc, "20000"); },
     "4000,3000,300,72,20000,15000"},
    {"override as typed", Image::Landscape, [](auto vc) { dpi(vc, "0300"); },
     "4000,3000,300,0300,0,0"},
    {"png without resolution", Image::Png, kWidth1000, "640,480,72,72,1000,750"},
    {"turned portrait box", Image::Portrait,
     [](auto vc) {
         vc->checkWidthLargestDimension->click();
         box(vc, "800", "500");
     },
     "3000,4000,300,72,500,667"},
};

void PrintTo(const DisplayRow& row, std::ostream* os) { *os << row.name; }
class DisplayTest : public PanelTest, public testing::WithParamInterface<DisplayRow> {};

TEST_P(DisplayTest, ShowsTheLabelsAndThePreview) {
    const DisplayRow& row = GetParam();
    row.settings(vc);
    if (row.image != Image::None) listAndSelect({imagePath(row.image)}, 0);
    EXPECT_EQ(values(labels()), row.expected);
    ASSERT_TRUE(waitForPreview());
    EXPECT_FALSE(vc->progressIndicatorPreview->isVisible());
    const QSize output(std::stoi(labels().outputWidth.substr(kWidthPrefix.size())),
                       std::stoi(labels().outputHeight.substr(kHeightPrefix.size())));
    const QImage shown = preview();
    ASSERT_EQ(shown.isNull(), output.isEmpty());
    if (output.isEmpty()) return;
    // The output's proportions, within the view, never larger than the output itself.
    const QSize bound = output.scaled(output.boundedTo(previewViewPixels()), Qt::KeepAspectRatio);
    EXPECT_NEAR(shown.width(), bound.width(), 1);
    EXPECT_NEAR(shown.height(), bound.height(), 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, DisplayTest, testing::ValuesIn(kDisplayRows));

TEST_F(PanelTest, PreviewRendersAgainOnlyWhenItsSizeOrPictureChanges) {
    fixedWidth(vc, "4000");
    listAndSelect({generatedImages().landscape}, 0);
    ASSERT_TRUE(waitForPreview());
    const QSize small = preview().size();
    QSignalSpy rendered(vc->previewRenderer(), &PreviewRenderer::rendered);
    dpi(vc, "300");  // an update with the same output size
    // The busy indicator must not move the view: a rendering outlasting the resize delay
    // would start another, without end.
    const QSize view = vc->imageViewPreview->size();
    vc->progressIndicatorPreview->show();
    QTest::qWait(400);
    EXPECT_EQ(vc->imageViewPreview->size(), view);
    vc->progressIndicatorPreview->hide();
    QTest::qWait(400);
    EXPECT_EQ(rendered.size(), 0);
    EXPECT_FALSE(vc->previewRenderer()->isBusy());

    select(-1);
    select(0);  // the same file, read afresh
    ASSERT_TRUE(waitForPreview());
    EXPECT_EQ(rendered.size(), 1);

    window->resize(1600, 1100);
    QTest::qWait(400);  // the view settles, then a rendering starts
    ASSERT_TRUE(waitForPreview());
    const QSize large = preview().size();
    EXPECT_GT(large.width(), small.width());
    EXPECT_LE(large.width(), previewViewPixels().width());
    EXPECT_NEAR(large.width() * 3.0 / large.height(), 4.0, 0.02);
}

TEST_F(PanelTest, EntriesThatCannotBeComputedKeepTheLabelsAndNonWholeOnesClearThePreview) {
    listAndSelect({generatedImages().landscape}, 0);
    enter(vc->textFieldFreeResizePixelsWidth, QStringLiteral("1000"));
    ASSERT_TRUE(waitForPreview());
    const QSize before = preview().size();
    for (const char* text : {"1e30", "nan", ""}) {
        SCOPED_TRACE(text);
        fixedWidth(vc, text);
        EXPECT_EQ(labels().outputWidth + labels().outputHeight, "Width: 1000Height: 750");
        ASSERT_TRUE(waitForPreview());
        EXPECT_EQ(preview().size(), before);
        vc->radioFreeResize->click();
    }
    vc->checkFreeResizeKeepAspect->click();
    enter(vc->textFieldFreeResizePixelsWidth, QStringLiteral("12.5"));
    EXPECT_EQ(labels().outputWidth, "Width: 12.5");
    ASSERT_TRUE(waitForPreview());
    EXPECT_TRUE(preview().isNull());
}

TEST_F(PanelTest, FixedFieldsAndTheDpiFieldReachTheLabelsOnlyWithTheNextUpdate) {
    fixedWidth(vc, "1000");
    listAndSelect({generatedImages().landscape, generatedImages().portrait}, 0);
    enter(vc->textFieldFixedWidth, QStringLiteral("2000"));
    enter(vc->textFieldChangeDPI, QStringLiteral("150"));
    vc->checkChangeDPI->setChecked(true);  // not a click: no action runs
    EXPECT_EQ(labels().outputWidth + labels().outputDPI, "Width: 1000DPI: 72");
    select(1);
    EXPECT_EQ(labels().outputWidth + labels().outputHeight + labels().outputDPI,
              "Width: 2000Height: 2667DPI: 150");
}

TEST_F(PanelTest, AFileThatCannotBeReadShowsAsNoSelectionAndListChangesEmptyThePreview) {
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
    vc->openData(urls({generatedImages().portrait}));  // the row stays selected
    EXPECT_EQ(labels(), kNone);
    ASSERT_TRUE(waitForPreview());
    EXPECT_TRUE(preview().isNull());
}

enum Field { PixelW, PixelH, PercentW, PercentH };

struct SyncRow {
    const char* name;
    Image image;
    bool unlocked, largest;
    Field edited;
    const char *typed, *other;  // the other field of the pair then shows other
};

const SyncRow kSyncRows[] = {
    {"width", Image::Landscape, false, false, PixelW, "1000", "750"},
    {"portrait larger side", Image::Portrait, false, true, PixelW, "1000", "750"},
    {"too large kept", Image::Landscape, false, false, PixelW, "1e30", "0"},
    {"no image kept", Image::None, false, false, PixelW, "1000", "0"},
    {"unlocked kept", Image::Landscape, true, false, PixelW, "1000", "0"},
    {"height", Image::Landscape, false, false, PixelH, "750", "1000"},
    {"percent whole part", Image::None, false, false, PercentW, "50.7", "50"},
    {"percent from height", Image::None, false, false, PercentH, "25.9", "25"},
    {"percent unlocked", Image::None, true, false, PercentW, "50.7", "100"},
};

void PrintTo(const SyncRow& row, std::ostream* os) { *os << row.name; }
class SyncTest : public PanelTest, public testing::WithParamInterface<SyncRow> {};

TEST_P(SyncTest, TheOtherFieldFollows) {
    const SyncRow& row = GetParam();
    QLineEdit* const fields[] = {
        vc->textFieldFreeResizePixelsWidth, vc->textFieldFreeResizePixelsHeight,
        vc->textFieldFreeResizePercentsWidth, vc->textFieldFreeResizePercentsHeight};
    if (row.image != Image::None) listAndSelect({imagePath(row.image)}, 0);
    if (row.unlocked) vc->checkFreeResizeKeepAspect->click();
    if (row.largest) vc->checkWidthLargestDimension->click();
    enter(fields[row.edited], QString::fromLatin1(row.typed));
    EXPECT_EQ(str(fields[row.edited]->text()), row.typed);
    EXPECT_EQ(str(fields[row.edited ^ 1]->text()), row.other);
}

INSTANTIATE_TEST_SUITE_P(Rows, SyncTest, testing::ValuesIn(kSyncRows));

TEST_F(PanelTest, LockingCopiesThePercentWidthAndUpdatesTheDisplay) {
    listAndSelect({generatedImages().landscape}, 0);
    vc->checkFreeResizeKeepAspect->click();  // off: nothing is copied
    vc->textFieldFreeResizePercentsWidth->setText(QStringLiteral("50.5"));
    vc->textFieldFreeResizePixelsWidth->setText(QStringLiteral("1000"));
    vc->checkFreeResizeKeepAspect->click();
    EXPECT_EQ(str(vc->textFieldFreeResizePercentsHeight->text()), "50.5");
    EXPECT_EQ(str(vc->textFieldFreeResizePixelsHeight->text()), "0");
    EXPECT_EQ(labels().outputWidth, "Width: 1000");
}

// The rules are the settings' own; these steps prove the wiring.
TEST_F(PanelTest, RadiosStayExclusiveAndPanelStatesFollowTheirRules) {
    vc->radioFreeResizePercents->click();
    EXPECT_FALSE(vc->checkDoNotEnlargeImages->isEnabled());
    vc->radioFixedWidth->click();
    EXPECT_FALSE(vc->radioFreeResize->isChecked());
    EXPECT_TRUE(vc->radioFreeResizePercents->isChecked() && vc->radioFixedWidth->isChecked());
    EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled());
    vc->radioFixedWidthAndHeight->click();
    EXPECT_FALSE(vc->radioFixedWidth->isChecked());
    vc->comboFormat->setCurrentText(QStringLiteral("PNG"));
    EXPECT_FALSE(vc->sliderQuality->isEnabled());
    vc->comboFormat->setCurrentText(QStringLiteral("JP2"));
    EXPECT_TRUE(vc->sliderQuality->isEnabled());
    for (const auto& [value, label] : {std::pair{0, "1"}, {100, "100"}}) {
        vc->sliderQuality->setValue(value);
        EXPECT_EQ(str(vc->labelQuality->text()), label);
    }
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

TEST_F(PanelTest, OpensWithTheDefaultsAndResetRestoresThemAndEmptiesThePreview) {
    // The settings' own defaults are pinned where they are declared.
    const auto key = [](const ResizeSettings& s) {
        return std::tuple(resizeMode(s), s.fixedWidth || s.fixedHeight || s.fixedWidthAndHeight,
                          s.freePercents, s.keepAspect, s.widthIsLargestDimension, s.doNotEnlarge,
                          s.changeDPI, s.keepExifInfoAndCreationDate,
                          s.pixelWidthText + ' ' + s.pixelHeightText + ' ' + s.percentWidthText +
                              ' ' + s.percentHeightText + ' ' + s.fixedWidthText + ' ' +
                              s.fixedHeightText + ' ' + s.boxWidthText + ' ' + s.boxHeightText,
                          s.dpiText + '|' + s.outputFolder + '|' + s.namePattern,
                          s.outputFormat.title, s.nameCase, s.quality);
    };
    const ResizeSettings defaults;
    const auto expectDefaults = [&] {
        EXPECT_EQ(key(vc->readSettings()), key(defaults));
        EXPECT_EQ(str(vc->labelQuality->text()), "80");
        EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled() && vc->sliderQuality->isEnabled());
        EXPECT_EQ(vc->tabView->currentIndex() + vc->progressIndicator->value(), 0);
        EXPECT_TRUE(vc->listImagePaths.empty());
        EXPECT_FALSE(vc->currentImage.has_value() || vc->progressIndicatorPreview->isVisible());
        EXPECT_EQ(labels(), kNone);
    };
    EXPECT_EQ(str(window->windowTitle()), "Varnholt");
    expectDefaults();
    fixedWidth(vc, "1000");
    listAndSelect({generatedImages().landscape}, 0);
    vc->radioFreeResize->click();
    vc->radioFreeResizePercents->click();
    for (QCheckBox* box : {vc->checkDoNotEnlargeImages, vc->checkFreeResizeKeepAspect,
                           vc->checkWidthLargestDimension, vc->checkChangeDPI}) {
        box->click();
    }
    vc->comboFormat->setCurrentText(QStringLiteral("PNG"));
    vc->sliderQuality->setValue(30);
    vc->tabView->setCurrentIndex(1);
    vc->resetToDefaults();
    ASSERT_TRUE(waitForPreview());
    EXPECT_TRUE(preview().isNull());
    expectDefaults();
}

}  // namespace
}  // namespace varnholt::test
