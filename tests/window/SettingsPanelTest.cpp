#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include "PanelFixture.h"

namespace varnholt::test {
namespace {

enum class Field { PixelWidth, PixelHeight, PercentWidth, PercentHeight };

struct SyncRow {
    const char* name;
    bool portrait;  // the 3000 x 4000 image instead of 4000 x 3000
    bool selected;
    bool keepAspect;
    bool largest;
    Field edited;
    const char* typed;
    const char* other;  // what the other field of the pair then shows
};

const SyncRow kSyncRows[] = {
    {"width 1000", false, true, true, false, Field::PixelWidth, "1000", "750"},
    {"width 1001 rounds up", false, true, true, false, Field::PixelWidth, "1001", "751"},
    {"portrait larger side", true, true, true, true, Field::PixelWidth, "1000", "750"},
    {"portrait option off", true, true, true, false, Field::PixelWidth, "1000", "1333"},
    {"leading number", false, true, true, false, Field::PixelWidth, "12px", "9"},
    {"no number reads 0", false, true, true, false, Field::PixelWidth, "abc", "0"},
    {"too large keeps the other", false, true, true, false, Field::PixelWidth, "1e30", "0"},
    {"no image keeps the other", false, false, true, false, Field::PixelWidth, "1000", "0"},
    {"lock off keeps the other", false, true, false, false, Field::PixelWidth, "1000", "0"},
    {"height 750", false, true, true, false, Field::PixelHeight, "750", "1000"},
    {"portrait height larger side", true, true, true, true, Field::PixelHeight, "750", "1000"},
    {"portrait height option off", true, true, true, false, Field::PixelHeight, "750", "563"},
    {"percent whole part", false, false, true, false, Field::PercentWidth, "50.7", "50"},
    {"percent from height", false, false, true, false, Field::PercentHeight, "25.9", "25"},
    {"percent lock off", false, false, false, false, Field::PercentWidth, "50.7", "100"},
    {"percent too large", false, false, true, false, Field::PercentWidth, "1e39", "100"},
};

class SyncTest : public PanelTest, public testing::WithParamInterface<SyncRow> {
protected:
    QLineEdit* field(Field f) const {
        switch (f) {
            case Field::PixelWidth:
                return vc->textFieldFreeResizePixelsWidth;
            case Field::PixelHeight:
                return vc->textFieldFreeResizePixelsHeight;
            case Field::PercentWidth:
                return vc->textFieldFreeResizePercentsWidth;
            case Field::PercentHeight:
                return vc->textFieldFreeResizePercentsHeight;
        }
        return nullptr;
    }
    QLineEdit* partner(Field f) const {
        switch (f) {
            case Field::PixelWidth:
                return field(Field::PixelHeight);
            case Field::PixelHeight:
                return field(Field::PixelWidth);
            case Field::PercentWidth:
                return field(Field::PercentHeight);
            case Field::PercentHeight:
                return field(Field::PercentWidth);
        }
        return nullptr;
    }
};

TEST_P(SyncTest, TheOtherFieldFollows) {
    const SyncRow& row = GetParam();
    const auto& images = generatedImages();
    if (row.selected) listAndSelect({row.portrait ? images.portrait300 : images.landscape300}, 0);
    if (!row.keepAspect) vc->checkFreeResizeKeepAspect->click();
    if (row.largest) vc->checkWidthLargestDimension->click();
    const QString typed = QString::fromLatin1(row.typed);

    enter(field(row.edited), typed);

    EXPECT_EQ(field(row.edited)->text(), typed);  // the edited field keeps its text
    EXPECT_EQ(partner(row.edited)->text().toStdString(), row.other);
}

INSTANTIATE_TEST_SUITE_P(Rows, SyncTest, testing::ValuesIn(kSyncRows),
                         rowName<testing::TestParamInfo<SyncRow>>);

TEST_F(PanelTest, AnEditWithoutAnImageStillUpdatesTheDisplay) {
    // The output labels hold something else before the edit, so the update is visible.
    vc->labelOutputDimensionsWidth->setText(QStringLiteral("Width: 5"));
    enter(vc->textFieldFreeResizePixelsWidth, QStringLiteral("1000"));
    EXPECT_EQ(vc->textFieldFreeResizePixelsHeight->text(), QStringLiteral("0"));
    EXPECT_EQ(labels(), noImageLabels());
}

TEST_F(PanelTest, LockingCopiesThePercentWidthAsANumber) {
    listAndSelect({generatedImages().landscape300}, 0);
    vc->checkFreeResizeKeepAspect->click();  // off: nothing is copied
    vc->textFieldFreeResizePercentsWidth->setText(QStringLiteral("50.5"));
    vc->textFieldFreeResizePixelsWidth->setText(QStringLiteral("1000"));
    vc->checkFreeResizeKeepAspect->click();  // on
    EXPECT_EQ(vc->textFieldFreeResizePercentsHeight->text(), QStringLiteral("50.5"));
    EXPECT_EQ(vc->textFieldFreeResizePixelsHeight->text(), QStringLiteral("0"));
    EXPECT_EQ(labels().outputWidth, "Width: 1000");  // the click updated the display
}

struct RadioState {
    bool freeResize, fixedWidth, fixedHeight, box, pixels, percents;
    bool doNotEnlargeEnabled;
};

RadioState radioState(const ViewController* vc) {
    return {vc->radioFreeResize->isChecked(),        vc->radioFixedWidth->isChecked(),
            vc->radioFixedHeight->isChecked(),       vc->radioFixedWidthAndHeight->isChecked(),
            vc->radioFreeResizePixels->isChecked(),  vc->radioFreeResizePercents->isChecked(),
            vc->checkDoNotEnlargeImages->isEnabled()};
}

bool operator==(const RadioState& a, const RadioState& b) {
    return a.freeResize == b.freeResize && a.fixedWidth == b.fixedWidth &&
           a.fixedHeight == b.fixedHeight && a.box == b.box && a.pixels == b.pixels &&
           a.percents == b.percents && a.doNotEnlargeEnabled == b.doNotEnlargeEnabled;
}

void PrintTo(const RadioState& s, std::ostream* os) {
    *os << s.freeResize << s.fixedWidth << s.fixedHeight << s.box << " " << s.pixels << s.percents
        << " enabled " << s.doNotEnlargeEnabled;
}

TEST_F(PanelTest, RadiosStayExclusiveAndDoNotEnlargeFollowsThePercentMode) {
    vc->checkDoNotEnlargeImages->click();  // checked: the mark must survive every step
    struct Step {
        QRadioButton* ViewController::*radio;
        RadioState expected;
    };
    const Step steps[] = {
        {&ViewController::radioFreeResizePercents, {true, false, false, false, false, true, false}},
        {&ViewController::radioFixedWidth, {false, true, false, false, false, true, true}},
        {&ViewController::radioFixedHeight, {false, false, true, false, false, true, true}},
        {&ViewController::radioFreeResize, {true, false, false, false, false, true, false}},
        // Clicking the chosen radio again keeps it chosen.
        {&ViewController::radioFreeResize, {true, false, false, false, false, true, false}},
        {&ViewController::radioFreeResizePixels, {true, false, false, false, true, false, true}},
        {&ViewController::radioFixedWidthAndHeight, {false, false, false, true, true, false, true}},
        {&ViewController::radioFreeResizePercents, {false, false, false, true, false, true, true}},
        {&ViewController::radioFreeResize, {true, false, false, false, false, true, false}},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        (vc->*steps[i].radio)->click();
        EXPECT_EQ(radioState(vc), steps[i].expected);
        EXPECT_TRUE(vc->checkDoNotEnlargeImages->isChecked());
    }
}

TEST_F(PanelTest, FormatDecidesWhetherTheQualitySliderIsEnabled) {
    for (const bool heif : {false, true}) {
        SCOPED_TRACE(heif);
        makeShownWindow(heif);
        struct Row {
            const char* title;
            bool enabled;
        };
        const Row rows[] = {{"PNG", false},  {"JPX", true},      {"GIF", false}, {"JPG", true},
                            {"TIFF", false}, {"Original", true}, {"BMP", false}, {"JP2", true},
                            {"HEIF", false}, {"HEIC", false}};
        for (const auto& row : rows) {
            const int index = vc->comboFormat->findText(QString::fromLatin1(row.title));
            if (index < 0) {
                EXPECT_FALSE(heif) << row.title;
                continue;
            }
            SCOPED_TRACE(row.title);
            vc->comboFormat->setCurrentIndex(index);
            EXPECT_EQ(vc->sliderQuality->isEnabled(), row.enabled);
        }
    }
}

TEST_F(PanelTest, QualityLabelShowsTheWholePartAndAtLeastOne) {
    const std::pair<int, const char*> rows[] = {{0, "1"},   {1, "1"},     {2, "2"},
                                                {99, "99"}, {100, "100"}, {80, "80"}};
    for (const auto& [value, label] : rows) {
        SCOPED_TRACE(value);
        vc->sliderQuality->setValue(value);
        EXPECT_EQ(vc->labelQuality->text().toStdString(), label);
    }
}

TEST_F(PanelTest, BrowseAsksForAFolderAndOnlyAChoiceChangesTheField) {
    TempFolder folder;
    vc->textFieldOutputFolder->setText(QStringLiteral("/kept"));
    dialogs->folderChoices.push_back(std::nullopt);
    dialogs->folderChoices.push_back(QUrl::fromLocalFile(QString::fromStdString(folder.path())));

    vc->buttonBrowse->click();
    EXPECT_EQ(vc->textFieldOutputFolder->text(), QStringLiteral("/kept"));
    vc->buttonBrowse->click();
    EXPECT_EQ(vc->textFieldOutputFolder->text().toStdString(), folder.path());
    EXPECT_EQ(recording->folderPrompts, (std::vector<QString>{QStringLiteral("Select Folder"),
                                                              QStringLiteral("Select Folder")}));
}

TEST_F(PanelTest, ResetPutsThePanelBackAndEmptiesThePreview) {
    vc->textFieldFixedWidth->setText(QStringLiteral("1000"));
    vc->radioFixedWidth->click();
    listAndSelect({generatedImages().landscape300}, 0);
    vc->radioFreeResize->click();
    vc->radioFreeResizePercents->click();
    vc->checkDoNotEnlargeImages->click();
    vc->checkFreeResizeKeepAspect->click();
    vc->checkWidthLargestDimension->click();
    vc->comboFormat->setCurrentIndex(vc->comboFormat->findText(QStringLiteral("PNG")));
    vc->sliderQuality->setValue(30);
    vc->tabView->setCurrentIndex(1);

    vc->resetToDefaults();

    const ResizeSettings s = vc->readSettings();
    EXPECT_EQ(resizeMode(s), ResizeMode::FreePixels);
    EXPECT_TRUE(s.keepAspect);
    EXPECT_EQ(s.pixelWidthText, "0");
    EXPECT_EQ(s.pixelHeightText, "0");
    EXPECT_EQ(s.percentWidthText, "100");
    EXPECT_EQ(s.percentHeightText, "100");
    EXPECT_EQ(s.fixedWidthText, "0");
    EXPECT_FALSE(s.fixedWidth || s.fixedHeight || s.fixedWidthAndHeight || s.freePercents);
    EXPECT_FALSE(s.widthIsLargestDimension);
    EXPECT_FALSE(s.doNotEnlarge);
    EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled());
    EXPECT_EQ(s.dpiText, "");
    EXPECT_EQ(s.outputFormat.title, "JPG");
    EXPECT_TRUE(vc->sliderQuality->isEnabled());
    EXPECT_EQ(s.quality, 80.0f);
    EXPECT_EQ(vc->labelQuality->text(), QStringLiteral("80"));
    EXPECT_EQ(s.namePattern, "[FileName]_res ([FileIndex])");
    EXPECT_EQ(s.outputFolder, "");
    EXPECT_EQ(vc->tabView->currentIndex(), 0);
    EXPECT_TRUE(vc->listImagePaths.empty());
    EXPECT_FALSE(vc->currentImage.has_value());
    EXPECT_EQ(labels(), noImageLabels());
    ASSERT_TRUE(waitForPreview());
    EXPECT_TRUE(preview().isNull());
    EXPECT_FALSE(vc->progressIndicatorPreview->isVisible());
}

}  // namespace
}  // namespace varnholt::test
