#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <functional>

#include "PanelFixture.h"
#include "window/PreviewRenderer.h"

namespace varnholt::test {
namespace {

DimensionLabels labels(const char* ow, const char* oh, const char* odpi, const char* xdpi,
                       const char* xw, const char* xh) {
    return {ow, oh, odpi, xdpi, xw, xh};
}

enum class Image { None, Landscape, Portrait, Png };

struct DisplayRow {
    const char* name;
    Image image;
    std::function<void(ViewController*)> settings;  // applied before the selection
    DimensionLabels expected;
    std::optional<QSize> previewProportions;  // nullopt: the preview stays empty
};

void fixedWidth1000(ViewController* vc) {
    vc->textFieldFixedWidth->setText(QStringLiteral("1000"));
    vc->radioFixedWidth->click();
}

void dpiOverride(ViewController* vc, const QString& text) {
    vc->textFieldChangeDPI->setText(text);
    vc->checkChangeDPI->click();
}

void unlockedPixels(ViewController* vc) {
    vc->checkFreeResizeKeepAspect->click();
    vc->textFieldFreeResizePixelsWidth->setText(QStringLiteral("0100"));
    vc->textFieldFreeResizePixelsHeight->setText(QStringLiteral("20"));
}

void box(ViewController* vc, const QString& width, const QString& height) {
    vc->textFieldFixedDimensionsWidth->setText(width);
    vc->textFieldFixedDimensionsHeight->setText(height);
    vc->radioFixedWidthAndHeight->click();
}

const DisplayRow kDisplayRows[] = {
    {"no selection", Image::None, fixedWidth1000,
     labels("Width: 0", "Height: 0", "DPI: ", "DPI: ", "Width: 0", "Height: 0"), std::nullopt},
    {"defaults", Image::Landscape, [](ViewController*) {},
     labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 72", "Width: 0", "Height: 0"),
     std::nullopt},
    {"fixed width", Image::Landscape, fixedWidth1000,
     labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 72", "Width: 1000", "Height: 750"),
     QSize(1000, 750)},
    {"override as typed", Image::Landscape,
     [](ViewController* vc) { dpiOverride(vc, QStringLiteral("0300")); },
     labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 0300", "Width: 0", "Height: 0"),
     std::nullopt},
    {"override 0 is not in effect", Image::Landscape,
     [](ViewController* vc) { dpiOverride(vc, QStringLiteral("0")); },
     labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 72", "Width: 0", "Height: 0"),
     std::nullopt},
    {"png without resolution", Image::Png, fixedWidth1000,
     labels("Width: 640", "Height: 480", "DPI: 72", "DPI: 72", "Width: 1000", "Height: 750"),
     QSize(1000, 750)},
    {"png with override", Image::Png,
     [](ViewController* vc) { dpiOverride(vc, QStringLiteral("150")); },
     labels("Width: 640", "Height: 480", "DPI: 72", "DPI: 150", "Width: 0", "Height: 0"),
     std::nullopt},
    {"entries as typed, stretched", Image::Landscape, unlockedPixels,
     labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 72", "Width: 0100", "Height: 20"),
     QSize(100, 20)},
    {"turned portrait box", Image::Portrait,
     [](ViewController* vc) {
         vc->checkWidthLargestDimension->click();
         box(vc, QStringLiteral("800"), QStringLiteral("500"));
     },
     labels("Width: 3000", "Height: 4000", "DPI: 300", "DPI: 72", "Width: 500", "Height: 667"),
     QSize(500, 667)},
    {"portrait in a square box", Image::Portrait,
     [](ViewController* vc) { box(vc, QStringLiteral("800"), QStringLiteral("800")); },
     labels("Width: 3000", "Height: 4000", "DPI: 300", "DPI: 72", "Width: 600", "Height: 800"),
     QSize(600, 800)},
};

class DimensionDisplayTest : public PanelTest, public testing::WithParamInterface<DisplayRow> {};

std::string imagePath(Image image) {
    switch (image) {
        case Image::Landscape:
            return generatedImages().landscape300;
        case Image::Portrait:
            return generatedImages().portrait300;
        case Image::Png:
            return generatedImages().pngWithoutResolution;
        case Image::None:
            break;
    }
    return {};
}

TEST_P(DimensionDisplayTest, ShowsTheLabelsAndThePreview) {
    const DisplayRow& row = GetParam();
    row.settings(vc);
    if (row.image != Image::None) listAndSelect({imagePath(row.image)}, 0);
    EXPECT_EQ(labels(), row.expected);
    ASSERT_TRUE(waitForPreview());
    EXPECT_FALSE(vc->progressIndicatorPreview->isVisible());
    const QImage shown = preview();
    ASSERT_EQ(shown.isNull(), !row.previewProportions.has_value());
    if (!row.previewProportions) return;
    // The output's proportions, within the view and never more than the output itself.
    const QSize expected = row.previewProportions->scaled(previewViewPixels(), Qt::KeepAspectRatio);
    const QSize bound =
        expected.width() > row.previewProportions->width() ? *row.previewProportions : expected;
    EXPECT_NEAR(shown.width(), bound.width(), 1);
    EXPECT_NEAR(shown.height(), bound.height(), 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, DimensionDisplayTest, testing::ValuesIn(kDisplayRows),
                         rowName<testing::TestParamInfo<DisplayRow>>);

TEST_F(PanelTest, PreviewShowsThePictureUprightAndUnmirrored) {
    listAndSelect({generatedImages().landscape300, generatedImages().portrait300}, 0);
    enter(vc->textFieldFreeResizePixelsWidth, QStringLiteral("400"));
    ASSERT_TRUE(waitForPreview());
    QImage shown = preview();
    ASSERT_FALSE(shown.isNull());
    // The grey rises from left to right.
    const int middle = shown.height() / 2;
    EXPECT_LT(qGray(shown.pixel(2, middle)), 40);
    EXPECT_GT(qGray(shown.pixel(shown.width() - 3, middle)), 215);

    select(1);
    ASSERT_TRUE(waitForPreview());
    shown = preview();
    ASSERT_FALSE(shown.isNull());
    EXPECT_GT(shown.height(), shown.width());
    const int centre = shown.width() / 2;
    EXPECT_LT(qGray(shown.pixel(centre, 2)), 40);
    EXPECT_GT(qGray(shown.pixel(centre, shown.height() - 3)), 215);
}

TEST_F(PanelTest, HugeOutputRendersNoLargerThanTheView) {
    vc->textFieldFixedWidth->setText(QStringLiteral("20000"));
    vc->radioFixedWidth->click();
    listAndSelect({generatedImages().landscape300}, 0);
    EXPECT_EQ(labels().outputWidth, "Width: 20000");
    EXPECT_EQ(labels().outputHeight, "Height: 15000");
    ASSERT_TRUE(waitForPreview());
    const QImage shown = preview();
    ASSERT_FALSE(shown.isNull());
    EXPECT_LE(shown.width(), previewViewPixels().width());
    EXPECT_LE(shown.height(), previewViewPixels().height());
}

TEST_F(PanelTest, ResizingTheWindowRendersThePreviewForTheNewViewSize) {
    vc->textFieldFixedWidth->setText(QStringLiteral("4000"));
    vc->radioFixedWidth->click();
    listAndSelect({generatedImages().landscape300}, 0);
    ASSERT_TRUE(waitForPreview());
    const QSize small = preview().size();
    ASSERT_FALSE(small.isEmpty());

    window->resize(1600, 1100);
    QTest::qWait(400);  // the view settles, then a rendering starts
    ASSERT_TRUE(waitForPreview());
    const QSize large = preview().size();
    EXPECT_GT(large.width(), small.width());
    EXPECT_LE(large.width(), previewViewPixels().width());
    EXPECT_LE(large.height(), previewViewPixels().height());
    EXPECT_NEAR(large.width() * 3.0 / large.height(), 4.0, 0.02);
    EXPECT_EQ(labels().outputWidth, "Width: 4000");
}

TEST_F(PanelTest, AShownPreviewStaysPutWhileNothingChanges) {
    vc->textFieldFixedWidth->setText(QStringLiteral("4000"));
    vc->radioFixedWidth->click();
    listAndSelect({generatedImages().landscape300}, 0);
    ASSERT_TRUE(waitForPreview());
    QSignalSpy rendered(vc->previewRenderer(), &PreviewRenderer::rendered);
    QTest::qWait(400);
    EXPECT_FALSE(vc->previewRenderer()->isBusy());
    EXPECT_EQ(rendered.size(), 0);

    // The busy indicator comes and goes without moving the view; otherwise a rendering that
    // outlasts the resize delay would start another one, and so on forever.
    const QSize view = vc->imageViewPreview->size();
    vc->progressIndicatorPreview->show();
    QTest::qWait(50);
    EXPECT_EQ(vc->imageViewPreview->size(), view);
    vc->progressIndicatorPreview->hide();
    QTest::qWait(50);
    EXPECT_EQ(vc->imageViewPreview->size(), view);
}

TEST_F(PanelTest, AnUpdateThatKeepsTheOutputSizeKeepsThePreview) {
    vc->textFieldFixedWidth->setText(QStringLiteral("1000"));
    vc->radioFixedWidth->click();
    listAndSelect({generatedImages().landscape300}, 0);
    ASSERT_TRUE(waitForPreview());
    QSignalSpy rendered(vc->previewRenderer(), &PreviewRenderer::rendered);
    vc->textFieldChangeDPI->setText(QStringLiteral("300"));
    vc->checkChangeDPI->click();
    EXPECT_EQ(labels().outputDPI, "DPI: 300");
    EXPECT_FALSE(preview().isNull());
    EXPECT_FALSE(vc->previewRenderer()->isBusy());

    // Selecting the same file again reads it afresh and renders again.
    select(-1);
    select(0);
    ASSERT_TRUE(waitForPreview());
    EXPECT_EQ(rendered.size(), 1);
    EXPECT_FALSE(preview().isNull());
}

TEST_F(PanelTest, EntriesThatCannotBeComputedKeepTheOutputLabels) {
    listAndSelect({generatedImages().landscape300}, 0);
    enter(vc->textFieldFreeResizePixelsWidth, QStringLiteral("1000"));
    ASSERT_EQ(labels().outputWidth, "Width: 1000");
    ASSERT_TRUE(waitForPreview());
    const QSize before = preview().size();
    for (const char* text : {"1e30", "inf", "nan", "", "12px"}) {
        SCOPED_TRACE(text);
        // Pixel width fields synchronise; the fixed width field reaches the display with the
        // next update, here the mode radio.
        vc->textFieldFixedWidth->setText(QString::fromLatin1(text));
        vc->radioFixedWidth->click();
        EXPECT_EQ(labels().outputWidth, "Width: 1000");
        EXPECT_EQ(labels().outputHeight, "Height: 750");
        ASSERT_TRUE(waitForPreview());
        EXPECT_EQ(preview().size(), before);
        vc->radioFreeResize->click();
    }
}

TEST_F(PanelTest, AWholeNumberThatIsNotOneClearsThePreview) {
    listAndSelect({generatedImages().landscape300}, 0);
    vc->checkFreeResizeKeepAspect->click();
    enter(vc->textFieldFreeResizePixelsHeight, QStringLiteral("20"));
    enter(vc->textFieldFreeResizePixelsWidth, QStringLiteral("100"));
    ASSERT_TRUE(waitForPreview());
    ASSERT_FALSE(preview().isNull());
    enter(vc->textFieldFreeResizePixelsWidth, QStringLiteral("12.5"));
    EXPECT_EQ(labels().outputWidth, "Width: 12.5");
    ASSERT_TRUE(waitForPreview());
    EXPECT_TRUE(preview().isNull());
}

TEST_F(PanelTest, FixedFieldsReachTheLabelsOnlyWithTheNextUpdate) {
    vc->textFieldFixedWidth->setText(QStringLiteral("1000"));
    vc->radioFixedWidth->click();
    listAndSelect({generatedImages().landscape300, generatedImages().portrait300}, 0);
    ASSERT_EQ(labels().outputWidth, "Width: 1000");
    enter(vc->textFieldFixedWidth, QStringLiteral("2000"));
    enter(vc->textFieldChangeDPI, QStringLiteral("150"));
    EXPECT_EQ(labels().outputWidth, "Width: 1000");
    vc->checkChangeDPI->setChecked(true);  // not a click: no action runs
    EXPECT_EQ(labels().outputDPI, "DPI: 72");
    select(1);
    EXPECT_EQ(labels().outputWidth, "Width: 2000");
    EXPECT_EQ(labels().outputHeight, "Height: 2667");
    EXPECT_EQ(labels().outputDPI, "DPI: 150");
}

TEST_F(PanelTest, AFileThatCannotBeReadShowsAsNoSelection) {
    TempFolder folder;
    const std::string copy = folder.path("gone.jpg");
    std::filesystem::copy_file(generatedImages().landscape300, copy);
    const std::string notAnImage = folder.file("text.jpg");
    vc->textFieldFixedWidth->setText(QStringLiteral("1000"));
    vc->radioFixedWidth->click();
    listAndSelect({copy, notAnImage, generatedImages().pngWithoutResolution}, 0);
    ASSERT_EQ(labels().originalWidth, "Width: 4000");

    select(2);
    std::filesystem::remove(copy);
    select(0);
    EXPECT_FALSE(vc->currentImage.has_value());
    EXPECT_EQ(labels(), noImageLabels());
    select(1);
    EXPECT_EQ(labels(), noImageLabels());
    ASSERT_TRUE(waitForPreview());
    EXPECT_TRUE(preview().isNull());
}

TEST_F(PanelTest, ListChangesEmptyThePreviewWhileARowStaysSelected) {
    vc->textFieldFixedWidth->setText(QStringLiteral("1000"));
    vc->radioFixedWidth->click();
    listAndSelect({generatedImages().landscape300}, 0);
    vc->openData(urls({generatedImages().portrait300}));
    EXPECT_EQ(labels(), noImageLabels());
    ASSERT_TRUE(waitForPreview());
    EXPECT_TRUE(preview().isNull());
    EXPECT_FALSE(vc->progressIndicatorPreview->isVisible());
}

TEST_F(PanelTest, ARenderForAnOldSelectionNeverReplacesANewerOne) {
    vc->textFieldFixedWidth->setText(QStringLiteral("1000"));
    vc->radioFixedWidth->click();
    listAndSelect({generatedImages().landscape300, generatedImages().portrait300}, 0);
    EXPECT_TRUE(vc->progressIndicatorPreview->isVisible());
    select(1);  // the landscape rendering is still running or queued
    ASSERT_TRUE(waitForPreview());
    // Let any overtaken completion arrive: it must be dropped.
    vc->previewRenderer()->waitForJobs(10000);
    QCoreApplication::processEvents();
    const QImage shown = preview();
    ASSERT_FALSE(shown.isNull());
    EXPECT_GT(shown.height(), shown.width());  // 1000 x 1333, the portrait
    EXPECT_FALSE(vc->progressIndicatorPreview->isVisible());
}

}  // namespace
}  // namespace varnholt::test
