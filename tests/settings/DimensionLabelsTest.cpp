#include "settings/DimensionLabels.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

constexpr DisplayedImage kPhoto300{4000, 3000, 300};

ResizeSettings fixedWidth(std::string width) {
    ResizeSettings s;
    s.freeResize = false;
    s.fixedWidth = true;
    s.fixedWidthText = std::move(width);
    return s;
}

ResizeSettings freePixels(std::string width, std::string height, bool keepAspect) {
    ResizeSettings s;
    s.keepAspect = keepAspect;
    s.pixelWidthText = std::move(width);
    s.pixelHeightText = std::move(height);
    return s;
}

ResizeSettings withDpi(bool changeDPI, std::string dpi) {
    ResizeSettings s;
    s.changeDPI = changeDPI;
    s.dpiText = std::move(dpi);
    return s;
}

ResizeSettings noMode() {
    ResizeSettings s;
    s.freeResize = false;
    return s;
}

DimensionLabels labels(const char* ow, const char* oh, const char* odpi, const char* xdpi,
                       const char* xw, const char* xh) {
    return {ow, oh, odpi, xdpi, xw, xh};
}

// What an earlier update left in the output labels.
const DimensionLabels kPrevious =
    labels("Width: 1", "Height: 1", "DPI: 1", "DPI: 1", "Width: 640", "Height: 480");

struct Row {
    const char* name;
    std::optional<DisplayedImage> image;
    ResizeSettings settings;
    DimensionLabels expected;
};

TEST(DimensionLabels, WritesTheSixLabels) {
    const ResizeSettings defaults;
    const Row rows[] = {
        {"no selection", std::nullopt, fixedWidth("1000"),
         labels("Width: 0", "Height: 0", "DPI: ", "DPI: ", "Width: 0", "Height: 0")},
        {"empty image", DisplayedImage{0, 0, 300}, fixedWidth("1000"), noImageLabels()},
        {"image without height", DisplayedImage{4000, 0, 300}, fixedWidth("1000"), noImageLabels()},
        {"defaults", kPhoto300, defaults,
         labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 72", "Width: 0", "Height: 0")},
        {"fixed width", kPhoto300, fixedWidth("1000"),
         labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 72", "Width: 1000",
                "Height: 750")},
        {"override as typed", kPhoto300, withDpi(true, "0300"),
         labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 0300", "Width: 0", "Height: 0")},
        {"override 0 is not in effect", kPhoto300, withDpi(true, "0"),
         labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 72", "Width: 0", "Height: 0")},
        {"override abc", kPhoto300, withDpi(true, "abc"),
         labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 72", "Width: 0", "Height: 0")},
        {"override unchecked", kPhoto300, withDpi(false, "150"),
         labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 72", "Width: 0", "Height: 0")},
        {"file without resolution", DisplayedImage{640, 480, 72}, defaults,
         labels("Width: 640", "Height: 480", "DPI: 72", "DPI: 72", "Width: 0", "Height: 0")},
        {"entries pass through as typed", kPhoto300, freePixels("0100", "20", false),
         labels("Width: 4000", "Height: 3000", "DPI: 300", "DPI: 72", "Width: 0100", "Height: 20")},
        {"fractional image size", DisplayedImage{4000.7, 2999.9, 96}, defaults,
         labels("Width: 4000", "Height: 2999", "DPI: 96", "DPI: 72", "Width: 0", "Height: 0")},
    };
    for (const auto& row : rows)
        EXPECT_EQ(dimensionLabels(row.image, row.settings, kPrevious), row.expected) << row.name;
}

TEST(DimensionLabels, OutputSizeKeepsItsTextsWhenItCannotBeComputed) {
    const std::pair<const char*, ResizeSettings> rows[] = {
        {"12px", fixedWidth("12px")},          {"empty field", fixedWidth("")},
        {"1e30", fixedWidth("1e30")},          {"inf", freePixels("inf", "0", true)},
        {"nan", freePixels("nan", "0", true)}, {"no mode", noMode()},
    };
    for (const auto& [name, settings] : rows) {
        SCOPED_TRACE(name);
        const DimensionLabels result = dimensionLabels(kPhoto300, settings, kPrevious);
        EXPECT_EQ(result.originalWidth, "Width: 4000");
        EXPECT_EQ(result.outputDPI, "DPI: 72");
        EXPECT_EQ(result.outputWidth, kPrevious.outputWidth);
        EXPECT_EQ(result.outputHeight, kPrevious.outputHeight);
    }
}

struct PreviewRow {
    const char* width;
    const char* height;
    std::optional<OutputPixelSize> expected;
};

TEST(DimensionLabels, PreviewReadsWholeNumbersAfterThePrefixes) {
    const PreviewRow rows[] = {
        {"Width: 1000", "Height: 750", OutputPixelSize{1000, 750}},
        {"Width: 0100", "Height: 20", OutputPixelSize{100, 20}},
        {"Width: +7", "Height: 7", OutputPixelSize{7, 7}},
        {"Width: 0", "Height: 0", std::nullopt},
        {"Width: 1000", "Height: 0", std::nullopt},
        {"Width: -5", "Height: 5", std::nullopt},
        {"Width: 12.5", "Height: 20", std::nullopt},
        {"Width: 1e3", "Height: 20", std::nullopt},
        {"Width:  5", "Height: 5", std::nullopt},
        {"Width: 12px", "Height: 5", std::nullopt},
        {"Width: 99999999999999999999", "Height: 5", std::nullopt},
        {"Width: ", "Height: ", std::nullopt},
        {"Width", "", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.width);
        EXPECT_EQ(previewOutputSize(row.width, row.height), row.expected);
    }
}

TEST(DimensionLabels, PreviewFollowsWhatTheLabelsHold) {
    // A pass-through entry that is not a whole number clears the preview; a later entry that
    // cannot be computed leaves the labels, and so the preview, as they were.
    DimensionLabels shown = dimensionLabels(kPhoto300, freePixels("12.5", "20", false), kPrevious);
    EXPECT_EQ(previewOutputSize(shown.outputWidth, shown.outputHeight), std::nullopt);
    shown = dimensionLabels(kPhoto300, fixedWidth("1000"), shown);
    EXPECT_EQ(previewOutputSize(shown.outputWidth, shown.outputHeight),
              (OutputPixelSize{1000, 750}));
    shown = dimensionLabels(kPhoto300, fixedWidth("1e30"), shown);
    EXPECT_EQ(previewOutputSize(shown.outputWidth, shown.outputHeight),
              (OutputPixelSize{1000, 750}));
}

}  // namespace
}  // namespace varnholt
