#include "batch/EncodingChoice.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

ResizeSettings withFormat(std::string title, int index) {
    ResizeSettings s;
    s.outputFormat = {index, std::move(title)};
    return s;
}

TEST(EncodingChoice, OriginalFollowsEachSourcesExtension) {
    const ResizeSettings original = withFormat("Original", 12);
    struct Row {
        std::string source;
        OutputFormat expected;
    };
    const Row rows[] = {
        {"/p/a.png", OutputFormat::PNG},       {"/p/b.jpg", OutputFormat::JPG},
        {"/p/photo.JPEG", OutputFormat::JPEG}, {"/p/x.Jpe", OutputFormat::JPE},
        {"/p/x.jp2", OutputFormat::JP2},       {"/p/x.JPX", OutputFormat::JPX},
        {"/p/x.tiff", OutputFormat::TIFF},     {"/p/x.TIF", OutputFormat::TIF},
        {"/p/x.gif", OutputFormat::GIF},       {"/p/x.bmp", OutputFormat::BMP},
        {"/p/x.heif", OutputFormat::HEIF},     {"/p/x.HEIC", OutputFormat::HEIC},
        {"/p/noext", OutputFormat::JPG},       {"/p/x.webp", OutputFormat::JPG},
        {"/p/x.original", OutputFormat::JPG},  {"/p.png/x", OutputFormat::JPG},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(encodingFormat(row.source, original), row.expected);
    }
}

TEST(EncodingChoice, ConcreteFormatIgnoresTheSource) {
    EXPECT_EQ(encodingFormat("/p/a.png", withFormat("TIF", 7)), OutputFormat::TIF);
    EXPECT_EQ(encodingFormat("/p/a.png", withFormat("HEIC", 11)), OutputFormat::HEIC);
    EXPECT_EQ(encodingFormat("/p/a.png", withFormat("nonsense", 3)), OutputFormat::JPG);
}

TEST(EncodingChoice, QualityIsAFactorFormedInSinglePrecision) {
    ResizeSettings s;
    EXPECT_DOUBLE_EQ(encodingQuality(s), static_cast<double>(0.8f));
    s.quality = 100.0f;
    EXPECT_EQ(encodingQuality(s), 1.0);
    s.quality = 33.3f;
    EXPECT_EQ(encodingQuality(s), static_cast<double>(33.3f / 100.0f));
}

}  // namespace
}  // namespace varnholt
