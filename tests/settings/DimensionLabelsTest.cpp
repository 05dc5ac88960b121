// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/DimensionLabels.h"

#include <gtest/gtest.h>

#include "SizeSettings.h"

namespace varnholt {
namespace {

// The default mode with the DPI override checked and set to text.
ResizeSettings withDpi(const std::string& text) {
    ResizeSettings s = sizeSettings("lock", "0", "0");
    s.changeDPI = true;
    s.dpiText = text;
    return s;
}

std::string joined(const DimensionLabels& l) {
    return l.originalWidth + "|" + l.originalHeight + "|" + l.originalDPI + "|" + l.outputDPI +
           "|" + l.outputWidth + "|" + l.outputHeight;
}

TEST(DimensionLabels, WritesTheSixLabels) {
    // What an earlier update left in the labels.
    const DimensionLabels previous{"Width: 1", "Height: 1",  "DPI: 1",
                                   "DPI: 1",   "Width: 640", "Height: 480"};
    const DisplayedImage photo{4000, 3000, 300};
    const std::string original = "Width: 4000|Height: 3000|DPI: 300|";
    const struct {
        std::optional<DisplayedImage> image;
        ResizeSettings settings;
        std::string expected;
    } rows[] = {
        {std::nullopt, sizeSettings("w", "1000", ""),
         "Width: 0|Height: 0|DPI: |DPI: |Width: 0|Height: 0"},
        {DisplayedImage{4000, 0, 300}, sizeSettings("w", "1000", ""), joined(noImageLabels())},
        {photo, sizeSettings("lock", "0", "0"), original + "DPI: 72|Width: 0|Height: 0"},
        {photo, sizeSettings("w", "1000", ""), original + "DPI: 72|Width: 1000|Height: 750"},
        {photo, withDpi("0300"), original + "DPI: 0300|Width: 0|Height: 0"},
        {photo, withDpi("0"), original + "DPI: 72|Width: 0|Height: 0"},
        {photo, sizeSettings("free", "0100", "20"), original + "DPI: 72|Width: 0100|Height: 20"},
        {DisplayedImage{4000.7, 2999.9, 96}, sizeSettings("lock", "0", "0"),
         "Width: 4000|Height: 2999|DPI: 96|DPI: 72|Width: 0|Height: 0"},
        // No output size for the entries: the output labels keep what they held.
        {photo, sizeSettings("w", "1e30", ""), original + "DPI: 72|Width: 640|Height: 480"},
        {photo, sizeSettings("none", "", ""), original + "DPI: 72|Width: 640|Height: 480"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(joined(dimensionLabels(row.image, row.settings, previous)), row.expected);
}

TEST(DimensionLabels, PreviewReadsWholeNumbersAfterThePrefixes) {
    const std::tuple<const char*, const char*, std::optional<PixelSize>> rows[] = {
        {"Width: 1000", "Height: 750", PixelSize{1000, 750}},
        {"Width: 0100", "Height: 20", PixelSize{100, 20}},
        {"Width: 1000", "Height: 0", std::nullopt},
        {"Width: -5", "Height: 5", std::nullopt},
        {"Width: 12.5", "Height: 20", std::nullopt},
        {"Width:  5", "Height: 5", std::nullopt},
        {"Width: 99999999999999999999", "Height: 5", std::nullopt},
        {"Width", "", std::nullopt},
    };
    for (const auto& [width, height, expected] : rows)
        EXPECT_EQ(previewOutputSize(width, height), expected) << width;
}

}  // namespace
}  // namespace varnholt
