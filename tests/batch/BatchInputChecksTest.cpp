#include "batch/BatchInputChecks.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

ResizeSettings withFolder(ResizeSettings s) {
    s.outputFolder = "/out";
    return s;
}

ResizeSettings freePixels(std::string w, std::string h) {
    ResizeSettings s;
    s.pixelWidthText = std::move(w);
    s.pixelHeightText = std::move(h);
    return s;
}

ResizeSettings percents(std::string w, std::string h) {
    ResizeSettings s = freePixels("0", "0");
    s.freePixels = false;
    s.freePercents = true;
    s.percentWidthText = std::move(w);
    s.percentHeightText = std::move(h);
    return s;
}

ResizeSettings fixedHeight(std::string width, std::string height) {
    ResizeSettings s;
    s.freeResize = false;
    s.fixedHeight = true;
    s.fixedWidthText = std::move(width);
    s.fixedHeightText = std::move(height);
    return s;
}

ResizeSettings fixedWidth(std::string width, std::string height) {
    ResizeSettings s = fixedHeight(std::move(width), std::move(height));
    s.fixedHeight = false;
    s.fixedWidth = true;
    return s;
}

struct Row {
    const char* name;
    std::size_t count;
    ResizeSettings settings;
    std::optional<std::string_view> expected;
};

TEST(BatchInputChecks, FirstFailingCheckWins) {
    ResizeSettings noMode = freePixels("0", "0");
    noMode.freeResize = false;
    const Row rows[] = {
        {"empty list beats everything", 0, freePixels("", ""), kNoImagesMessage},
        {"empty list with valid settings", 0, withFolder(freePixels("10", "10")), kNoImagesMessage},
        {"size before folder", 3, freePixels("0", "0"), kInvalidDimensionsMessage},
        {"folder missing", 3, freePixels("10", "10"), kNoOutputFolderMessage},
        {"all good", 1, withFolder(freePixels("10", "10")), std::nullopt},
        {"aspect lock still needs a height", 1, withFolder(freePixels("800", "0")),
         kInvalidDimensionsMessage},
        {"negative width", 1, withFolder(freePixels("-5", "10")), kInvalidDimensionsMessage},
        {"leading number is read", 1, withFolder(freePixels(" 12px", "3")), std::nullopt},
        {"percent with a zero", 1, withFolder(percents("50", "0")), kInvalidDimensionsMessage},
        {"percent ignores pixel fields", 1, withFolder(percents("50", "50")), std::nullopt},
        {"fixed height 0 with width 0", 1, withFolder(fixedHeight("0", "0")),
         kInvalidDimensionsMessage},
        {"fixed width ignores height field", 1, withFolder(fixedWidth("100", "0")), std::nullopt},
        {"no mode checks nothing", 1, withFolder(noMode), std::nullopt},
        {"non-existent folder passes", 1,
         [] {
             ResizeSettings s = freePixels("10", "10");
             s.outputFolder = "/no/such/folder";
             return s;
         }(),
         std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto message = checkBatchInputs(row.count, row.settings);
        if (row.expected) {
            ASSERT_TRUE(message.has_value());
            EXPECT_EQ(*message, *row.expected);
        } else {
            EXPECT_FALSE(message.has_value()) << *message;
        }
    }
}

TEST(BatchInputChecks, FinalMessageFollowsTheFlag) {
    EXPECT_EQ(finalMessage(true), "Images resized successfully.");
    EXPECT_EQ(finalMessage(false), "Some images could not be resized.");
}

}  // namespace
}  // namespace varnholt
