// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <vips/vips8>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/LanczosRows.h"

namespace varnholt {
namespace {

// Noise, where a shifted centre, a wrong kernel width, a mixed-up band or row shows as tens of
// levels, against libvips's own Lanczos 3 reduction of the same pixels. Rows go through in
// blocks as the decoder hands them over, the last one short; a guard byte after each output
// row catches a write past its end.
TEST(LanczosRows, ReduceAsLibvipsDoesWithinALevel) {
    struct Row {
        int from, to, bands, rows;
    };
    for (const Row row : {Row{97, 57, 3, 37}, Row{100, 37, 1, 5}, Row{64, 9, 3, 16},
                          Row{10, 3, 3, 1}, Row{7, 1, 1, 3}, Row{200, 8, 3, 3}, Row{2, 1, 1, 2}}) {
        SCOPED_TRACE(testing::Message() << row.from << " -> " << row.to << " x " << row.bands);
        std::mt19937 random(row.from);
        std::vector<std::uint8_t> source(static_cast<std::size_t>(row.from * row.bands * row.rows));
        for (auto& sample : source) sample = static_cast<std::uint8_t>(random());
        const int outBytes = row.to * row.bands;
        std::vector<std::uint8_t> reduced(static_cast<std::size_t>((outBytes + 1) * row.rows),
                                          0xAB);
        HorizontalReducer reducer(row.from, row.from, row.to, row.bands);
        for (int first = 0; first < row.rows; first += HorizontalReducer::kRows) {
            const int count = std::min(HorizontalReducer::kRows, row.rows - first);
            const std::uint8_t* in[HorizontalReducer::kRows];
            std::uint8_t* out[HorizontalReducer::kRows];
            for (int i = 0; i < count; ++i) {
                in[i] = &source[static_cast<std::size_t>((first + i) * row.from * row.bands)];
                out[i] = &reduced[static_cast<std::size_t>((first + i) * (outBytes + 1))];
            }
            reducer.reduce(in, count, out);
        }

        const vips::VImage image = vips::VImage::new_from_memory(
            source.data(), source.size(), row.from, row.rows, row.bands, VIPS_FORMAT_UCHAR);
        const vips::VImage expected =
            image
                .reduceh(static_cast<double>(row.from) / row.to,
                         vips::VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3))
                .crop(0, 0, row.to, row.rows);
        const auto* pixels = static_cast<const std::uint8_t*>(expected.data());
        int worst = 0;
        for (int y = 0; y < row.rows; ++y) {
            const std::uint8_t* ours = &reduced[static_cast<std::size_t>(y * (outBytes + 1))];
            for (int i = 0; i < outBytes; ++i) {
                worst = std::max(worst, std::abs(ours[i] - pixels[y * outBytes + i]));
            }
            EXPECT_EQ(ours[outBytes], 0xAB) << "row " << y << " written past its end";
        }
        EXPECT_LE(worst, 2);  // libvips rounds its weights to 12 bits
    }
}

// A scaled decode's last column may stand for a fraction of a pixel: the reduction spans the
// picture's true extent. On a ramp each output pixel is the ramp at its centre.
TEST(LanczosRows, ReduceOverThePicturesTrueExtent) {
    constexpr int kFrom = 97, kTo = 20;
    constexpr double kExtent = 96.5;
    std::vector<std::uint8_t> ramp(kFrom);
    for (int i = 0; i < kFrom; ++i)
        ramp[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(2 * i);
    std::vector<std::uint8_t> reduced(kTo);
    const std::uint8_t* in[] = {ramp.data()};
    std::uint8_t* out[] = {reduced.data()};
    HorizontalReducer(kFrom, kExtent, kTo, 1).reduce(in, 1, out);
    for (int x = 3; x < kTo - 3; ++x) {  // clear of the edges, which repeat
        EXPECT_NEAR(reduced[static_cast<std::size_t>(x)], 2 * ((x + 0.5) * kExtent / kTo - 0.5),
                    0.6)
            << "pixel " << x;
    }
}

}  // namespace
}  // namespace varnholt
