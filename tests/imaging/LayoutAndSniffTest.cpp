#include <gtest/gtest.h>

#include "imaging/ImageData.h"
#include "imaging/SourceFile.h"

namespace varnholt {
namespace {

const OrientationTurn kTurns[] = {OrientationTurn::Rotate90,     OrientationTurn::Rotate180,
                                  OrientationTurn::Rotate270,    OrientationTurn::FlipHorizontal,
                                  OrientationTurn::FlipVertical, OrientationTurn::Transpose,
                                  OrientationTurn::Transverse};

TEST(Layout, EveryCodeHasTheTurnThatUndoesItsDisplayTransform) {
    for (std::int64_t code = 1; code <= 8; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(orientationCodeUndoing(storedLayoutOf(code)), code);
        const auto turn = ImageTools::rotationForOrientation(code, OutputFormat::JPG);
        EXPECT_EQ(turn.has_value(), code != 1);
        if (turn) {
            EXPECT_EQ(layoutOf(*turn), storedLayoutOf(code));
        }
    }
}

TEST(Layout, OnlyFormatsThatRecordTheCodeGetATurn) {
    struct Row {
        OutputFormat format;
        bool turns;
    };
    const Row rows[] = {
        {OutputFormat::JPG, true},      {OutputFormat::JPEG, true},  {OutputFormat::JPE, true},
        {OutputFormat::PNG, true},      {OutputFormat::TIFF, true},  {OutputFormat::TIF, true},
        {OutputFormat::JP2, false},     {OutputFormat::JPX, false},  {OutputFormat::GIF, false},
        {OutputFormat::BMP, false},     {OutputFormat::HEIF, false}, {OutputFormat::HEIC, false},
        {OutputFormat::Original, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.format));
        for (std::int64_t code : {2, 3, 4, 5, 6, 7, 8}) {
            EXPECT_EQ(ImageTools::rotationForOrientation(code, row.format).has_value(), row.turns);
        }
    }
    for (std::int64_t code : {-1, 0, 1, 9, 65535}) {
        EXPECT_FALSE(ImageTools::rotationForOrientation(code, OutputFormat::JPG).has_value());
    }
}

TEST(Layout, TurnsComposeLikeTheSymmetriesOfASquare) {
    // A quarter turn four times, a mirror twice and each turn with its inverse are nothing.
    Layout layout;
    for (int i = 0; i < 4; ++i) layout = compose(layout, layoutOf(OrientationTurn::Rotate90));
    EXPECT_EQ(layout, Layout{});
    for (const auto turn : kTurns) {
        const Layout once = layoutOf(turn);
        const bool mirror = once.flip;
        const Layout inverse = mirror ? once : Layout{false, (4 - once.quarter) % 4};
        EXPECT_EQ(compose(once, inverse), Layout{});
    }
    // Mirrored left-right, then turned half way round, is mirrored top-bottom.
    EXPECT_EQ(
        compose(layoutOf(OrientationTurn::FlipHorizontal), layoutOf(OrientationTurn::Rotate180)),
        layoutOf(OrientationTurn::FlipVertical));
    // A transposition is a quarter turn followed by a left-right mirror.
    EXPECT_EQ(
        compose(layoutOf(OrientationTurn::Rotate90), layoutOf(OrientationTurn::FlipHorizontal)),
        layoutOf(OrientationTurn::Transpose));
    EXPECT_EQ(
        compose(layoutOf(OrientationTurn::Rotate270), layoutOf(OrientationTurn::FlipHorizontal)),
        layoutOf(OrientationTurn::Transverse));
}

TEST(Sniffing, FormatsAreToldByTheirFirstBytes) {
    struct Row {
        std::vector<std::uint8_t> head;
        std::optional<SourceFormat> format;
    };
    const auto bytes = [](std::string_view text) {
        return std::vector<std::uint8_t>(text.begin(), text.end());
    };
    const Row rows[] = {
        {{0xFF, 0xD8, 0xFF, 0xE0}, SourceFormat::Jpeg},
        {{0xFF, 0xD8}, std::nullopt},
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, SourceFormat::Png},
        {{0x89, 'P', 'N', 'G', 0x0D, 0x0D, 0x0A, 0x1A}, std::nullopt},  // CR added in transit
        {bytes("GIF89a"), SourceFormat::Gif},
        {bytes("GIF87a"), SourceFormat::Gif},
        {bytes("GIF90a"), std::nullopt},
        {{'I', 'I', 42, 0}, SourceFormat::Tiff},
        {{'M', 'M', 0, 42}, SourceFormat::Tiff},
        {{'I', 'I', 43, 0}, SourceFormat::Tiff},  // BigTIFF
        {{'I', 'I', 0, 42}, std::nullopt},
        {bytes("BM"), SourceFormat::Bmp},
        {{0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A}, SourceFormat::Jpeg2000},
        {{0xFF, 0x4F, 0xFF, 0x51}, SourceFormat::Jpeg2000},  // bare code stream
        {bytes(std::string("\0\0\0\x18"
                           "ftypheic\0\0\0\0mif1heic",
                           24)),
         SourceFormat::Heif},
        {bytes(std::string("\0\0\0\x18"
                           "ftypmif1\0\0\0\0mif1heic",
                           24)),
         SourceFormat::Heif},
        {bytes(std::string("\0\0\0\x14"
                           "ftypisom\0\0\0\0mp41",
                           20)),
         std::nullopt},  // a film
        {bytes(std::string("\0\0\0\x1c"
                           "ftypavif\0\0\0\0avifmiafMA1B",
                           28)),
         std::nullopt},
        {bytes("<?xml version=\"1.0\"?><svg"), std::nullopt},
        {bytes("%PDF-1.7"), std::nullopt},
        {{0x0A, 0x05, 0x01, 0x08}, std::nullopt},  // PCX
        {{}, std::nullopt},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sniffSourceFormat(rows[i].head), rows[i].format);
    }
}

}  // namespace
}  // namespace varnholt
