#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>

#include "Fixture.h"
#include "window/PreviewRenderer.h"

namespace varnholt::test {
namespace {

// Jobs that render a w x 1 image once released, so the test orders their completions.
class Gate {
public:
    PreviewRenderer::Job job(int width) {
        return [this, width] {
            std::unique_lock lock(mutex_);
            ++started_;
            changed_.notify_all();
            changed_.wait_for(lock, std::chrono::seconds(10),
                              [&] { return released_.count(width); });
            return QImage(width, 1, QImage::Format_RGBA8888);
        };
    }
    void release(int width) {
        std::lock_guard lock(mutex_);
        released_.insert(width);
        changed_.notify_all();
    }
    bool waitForStarted(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return started_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<int> released_;
    int started_ = 0;
};

TEST(PreviewRendererTest, OnlyTheNewestRequestIsShownWhateverFinishesFirst) {
    for (const auto& order : {std::vector<int>{1, 2}, std::vector<int>{2, 1}}) {
        SCOPED_TRACE(order[0]);
        Gate gate;
        PreviewRenderer renderer;
        QSignalSpy shown(&renderer, &PreviewRenderer::rendered);
        renderer.start(gate.job(1));
        ASSERT_TRUE(gate.waitForStarted(1));  // running: can no longer be skipped
        renderer.start(gate.job(2));
        ASSERT_TRUE(gate.waitForStarted(2));
        for (const int width : order) gate.release(width);
        ASSERT_TRUE(renderer.waitForJobs(10000));
        QTest::qWait(50);  // queued completions arrive
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown.at(0).at(0).value<QImage>().width(), 2);
        EXPECT_FALSE(renderer.isBusy());
    }
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
    for (const auto& [prefix, text] : parts) {
        joined += (joined.empty() ? "" : ",") +
                  (text.starts_with(prefix) ? text.substr(prefix.size()) : "?");
    }
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
    {"override 0 not in effect", Image::Landscape, [](auto vc) { dpi(vc, "0"); },
     "4000,3000,300,72,0,0"},
    {"png without resolution", Image::Png, kWidth1000, "640,480,72,72,1000,750"},
    {"png with override", Image::Png, [](auto vc) { dpi(vc, "150"); }, "640,480,72,150,0,0"},
    {"entries as typed, stretched", Image::Landscape,
     [](auto vc) {
         vc->checkFreeResizeKeepAspect->click();
         vc->textFieldFreeResizePixelsWidth->setText(QStringLiteral("0100"));
         vc->textFieldFreeResizePixelsHeight->setText(QStringLiteral("20"));
     },
     "4000,3000,300,72,0100,20"},
    {"turned portrait box", Image::Portrait,
     [](auto vc) {
         vc->checkWidthLargestDimension->click();
         box(vc, "800", "500");
     },
     "3000,4000,300,72,500,667"},
    {"portrait in a square box", Image::Portrait, [](auto vc) { box(vc, "800", "800"); },
     "3000,4000,300,72,600,800"},
};

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

INSTANTIATE_TEST_SUITE_P(Rows, DisplayTest, testing::ValuesIn(kDisplayRows),
                         rowName<testing::TestParamInfo<DisplayRow>>);

TEST_F(PanelTest, PreviewShowsThePictureUprightAndUnmirrored) {
    listAndSelect({generatedImages().landscape, generatedImages().portrait}, 0);
    enter(vc->textFieldFreeResizePixelsWidth, QStringLiteral("400"));
    for (const bool portrait : {false, true}) {
        select(portrait ? 1 : 0);
        ASSERT_TRUE(waitForPreview());
        const QImage shown = preview();
        ASSERT_FALSE(shown.isNull());
        EXPECT_EQ(shown.height() > shown.width(), portrait);
        // The grey rises left to right (downwards in the portrait).
        const QPoint dark = portrait ? QPoint(shown.width() / 2, 2) : QPoint(2, shown.height() / 2);
        const QPoint light = portrait ? QPoint(shown.width() / 2, shown.height() - 3)
                                      : QPoint(shown.width() - 3, shown.height() / 2);
        EXPECT_LT(qGray(shown.pixel(dark)), 40);
        EXPECT_GT(qGray(shown.pixel(light)), 215);
    }
}

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
    for (const char* text : {"1e30", "inf", "nan", "", "12px"}) {
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

TEST_F(PanelTest, ARenderForAnOldSelectionNeverReplacesANewerOne) {
    fixedWidth(vc, "1000");
    listAndSelect({generatedImages().landscape, generatedImages().portrait}, 0);
    EXPECT_TRUE(vc->progressIndicatorPreview->isVisible());
    select(1);  // the landscape is still rendering or queued
    ASSERT_TRUE(waitForPreview());
    vc->previewRenderer()->waitForJobs(10000);
    QCoreApplication::processEvents();  // an overtaken completion arrives and is dropped
    EXPECT_GT(preview().height(), preview().width());
    EXPECT_FALSE(vc->progressIndicatorPreview->isVisible());
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
    {"width rounds half up", Image::Landscape, false, false, PixelW, "1001", "751"},
    {"portrait larger side", Image::Portrait, false, true, PixelW, "1000", "750"},
    {"portrait option off", Image::Portrait, false, false, PixelW, "1000", "1333"},
    {"too large kept", Image::Landscape, false, false, PixelW, "1e30", "0"},
    {"no image kept", Image::None, false, false, PixelW, "1000", "0"},
    {"unlocked kept", Image::Landscape, true, false, PixelW, "1000", "0"},
    {"height", Image::Landscape, false, false, PixelH, "750", "1000"},
    {"portrait height option off", Image::Portrait, false, false, PixelH, "750", "563"},
    {"percent whole part", Image::None, false, false, PercentW, "50.7", "50"},
    {"percent from height", Image::None, false, false, PercentH, "25.9", "25"},
    {"percent unlocked", Image::None, true, false, PercentW, "50.7", "100"},
    {"percent too large", Image::None, false, false, PercentW, "1e39", "100"},
};

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

INSTANTIATE_TEST_SUITE_P(Rows, SyncTest, testing::ValuesIn(kSyncRows),
                         rowName<testing::TestParamInfo<SyncRow>>);

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

TEST_F(PanelTest, RadiosStayExclusiveAndDoNotEnlargeFollowsThePercentMode) {
    vc->checkDoNotEnlargeImages->click();  // its mark survives every step
    // Checked: free, fixed width, fixed height, box | pixels, percents | do-not-enlarge enabled.
    const std::pair<QRadioButton * ViewController::*, const char*> steps[] = {
        {&ViewController::radioFreeResizePercents, "1000010"},
        {&ViewController::radioFixedWidth, "0100011"},
        {&ViewController::radioFixedHeight, "0010011"},
        {&ViewController::radioFreeResize, "1000010"},
        {&ViewController::radioFreeResize, "1000010"},
        {&ViewController::radioFreeResizePixels, "1000101"},
        {&ViewController::radioFixedWidthAndHeight, "0001101"},
        {&ViewController::radioFreeResizePercents, "0001011"},
        {&ViewController::radioFreeResize, "1000010"},
    };
    const QAbstractButton* const radios[] = {
        vc->radioFreeResize,          vc->radioFixedWidth,       vc->radioFixedHeight,
        vc->radioFixedWidthAndHeight, vc->radioFreeResizePixels, vc->radioFreeResizePercents,
        vc->checkDoNotEnlargeImages};
    for (const auto& [radio, expected] : steps) {
        (vc->*radio)->click();
        std::string state;
        for (const QAbstractButton* b : radios)
            state += (b == radios[6] ? b->isEnabled() : b->isChecked()) ? '1' : '0';
        EXPECT_EQ(state, expected) << str((vc->*radio)->objectName());
        EXPECT_TRUE(vc->checkDoNotEnlargeImages->isChecked());
    }
}

TEST_F(PanelTest, FormatDecidesTheQualitySliderWhichDecidesItsLabel) {
    makeWindow(true, true);
    const std::pair<const char*, bool> rows[] = {
        {"PNG", false}, {"JPX", true}, {"GIF", false},  {"JPG", true},   {"TIFF", false},
        {"BMP", false}, {"JP2", true}, {"HEIF", false}, {"HEIC", false}, {"Original", true}};
    for (const auto& [title, enabled] : rows) {
        vc->comboFormat->setCurrentText(QString::fromLatin1(title));
        EXPECT_EQ(vc->sliderQuality->isEnabled(), enabled) << title;
    }
    for (const auto& [value, label] : {std::pair{0, "1"}, {2, "2"}, {100, "100"}}) {
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
    const auto expectDefaults = [this] {
        const ResizeSettings s = vc->readSettings();
        EXPECT_EQ(resizeMode(s), ResizeMode::FreePixels);
        EXPECT_FALSE(s.fixedWidth || s.fixedHeight || s.fixedWidthAndHeight || s.freePercents);
        EXPECT_TRUE(s.keepAspect);
        EXPECT_FALSE(s.widthIsLargestDimension || s.doNotEnlarge || s.changeDPI ||
                     s.keepExifInfoAndCreationDate);
        const std::string texts = s.pixelWidthText + ' ' + s.pixelHeightText + ' ' +
                                  s.percentWidthText + ' ' + s.percentHeightText + ' ' +
                                  s.fixedWidthText + ' ' + s.fixedHeightText + ' ' +
                                  s.boxWidthText + ' ' + s.boxHeightText;
        EXPECT_EQ(texts, "0 0 100 100 0 0 0 0");
        EXPECT_EQ(s.dpiText + '|' + s.outputFolder + '|' + s.namePattern,
                  "||[FileName]_res ([FileIndex])");
        EXPECT_EQ(s.outputFormat.title, "JPG");
        EXPECT_EQ(s.nameCase, 0);
        EXPECT_EQ(s.quality, 80.0f);
        EXPECT_EQ(str(vc->labelQuality->text()), "80");
        EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled() && vc->sliderQuality->isEnabled());
        EXPECT_EQ(vc->tabView->currentIndex(), 0);
        EXPECT_EQ(vc->progressIndicator->value(), 0);
        EXPECT_TRUE(vc->listImagePaths.empty());
        EXPECT_FALSE(vc->currentImage.has_value());
        EXPECT_FALSE(vc->progressIndicatorPreview->isVisible());
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
