#include <gtest/gtest.h>

#include "imaging/ImageData.h"
#include "imaging/SourceFile.h"

namespace varnholt {
namespace {

using namespace std::string_view_literals;

TEST(Layout, EveryCodeHasTheTurnThatUndoesItsDisplayTransform) {
    for (std::int64_t code = 1; code <= 8; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(orientationCodeUndoing(storedLayoutOf(code)), code);
        const auto turn = ImageTools::rotationForOrientation(code, OutputFormat::JPG);
        ASSERT_EQ(turn.has_value(), code != 1);
        if (turn) {
            EXPECT_EQ(layoutOf(*turn), storedLayoutOf(code));
        }
    }
    for (std::int64_t code : {-1, 0, 9, 65535}) {
        EXPECT_FALSE(ImageTools::rotationForOrientation(code, OutputFormat::JPG).has_value());
    }
    // A mirror reverses the sense of the turns before it.
    EXPECT_EQ(
        compose(layoutOf(OrientationTurn::Rotate90), layoutOf(OrientationTurn::FlipHorizontal)),
        layoutOf(OrientationTurn::Transpose));
    EXPECT_EQ(
        compose(layoutOf(OrientationTurn::FlipHorizontal), layoutOf(OrientationTurn::Rotate180)),
        layoutOf(OrientationTurn::FlipVertical));
}

TEST(Layout, OnlyFormatsThatRecordTheCodeGetATurn) {
    // The others are written upright with code 1.
    const std::pair<OutputFormat, bool> rows[] = {
        {OutputFormat::JPG, true},      {OutputFormat::JPEG, true},  {OutputFormat::JPE, true},
        {OutputFormat::PNG, true},      {OutputFormat::TIFF, true},  {OutputFormat::TIF, true},
        {OutputFormat::JP2, false},     {OutputFormat::JPX, false},  {OutputFormat::GIF, false},
        {OutputFormat::BMP, false},     {OutputFormat::HEIF, false}, {OutputFormat::HEIC, false},
        {OutputFormat::Original, false}};
    for (const auto& [format, turns] : rows) {
        for (std::int64_t code = 2; code <= 8; ++code) {
            EXPECT_EQ(ImageTools::rotationForOrientation(code, format).has_value(), turns)
                << static_cast<int>(format) << " code " << code;
        }
    }
}

TEST(Sniffing, FormatsAreToldByTheirFirstBytes) {
    const std::pair<std::string_view, std::optional<SourceFormat>> rows[] = {
        {"\xFF\xD8\xFF\xE0", SourceFormat::Jpeg},
        {"\xFF\xD8", std::nullopt},
        {"\x89PNG\r\n\x1A\n", SourceFormat::Png},
        {"\x89PNG\r\r\n\x1A", std::nullopt},  // CR added in transit
        {"GIF89a", SourceFormat::Gif},
        {"GIF87a", SourceFormat::Gif},
        {"GIF90a", std::nullopt},
        {"II*\0"sv, SourceFormat::Tiff},
        {"MM\0*"sv, SourceFormat::Tiff},
        {"II+\0"sv, SourceFormat::Tiff},  // BigTIFF
        {"II\0*"sv, std::nullopt},
        {"BM", SourceFormat::Bmp},
        {"\0\0\0\x0C"
         "jP  \r\n\x87\n"sv,
         SourceFormat::Jpeg2000},
        {"\xFFO\xFFQ", SourceFormat::Jpeg2000},  // bare code stream
        {"\0\0\0\x18"
         "ftypheic\0\0\0\0mif1heic"sv,
         SourceFormat::Heif},
        {"\0\0\0\x18"
         "ftypmif1\0\0\0\0mif1heic"sv,
         SourceFormat::Heif},
        {"\0\0\0\x14"
         "ftypisom\0\0\0\0mp41"sv,
         std::nullopt},  // a film
        {"\0\0\0\x1C"
         "ftypavif\0\0\0\0avifmiafMA1B"sv,
         std::nullopt},
        {"<?xml version=\"1.0\"?><svg", std::nullopt},
        {"%PDF-1.7", std::nullopt},
        {"\x0A\x05\x01\x08", std::nullopt},  // PCX
        {"", std::nullopt},
    };
    for (const auto& [head, format] : rows) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.data());
        EXPECT_EQ(sniffSourceFormat({bytes, head.size()}), format) << head;
    }
}

}  // namespace
}  // namespace varnholt
