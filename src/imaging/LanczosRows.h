// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

namespace varnholt {

// The Lanczos 3 weights of a reduction of `from` samples to `to`, where the picture spans
// `extent` of them (a scaled JPEG decode's last sample may stand for a fraction of one). Output
// sample x is centred on (x + 0.5) * extent / to - 0.5, as libvips centres its own; samples
// beyond an edge repeat the edge, folded into the weights so that every window lies inside.
struct ReductionTaps {
    int count = 0;               // taps per output sample
    std::vector<int> first;      // the first source sample of each output sample's window
    std::vector<float> weights;  // count per output sample, summing to 1
};
ReductionTaps lanczos3Taps(int from, double extent, int to);

// Reduces 8-bit rows horizontally with Lanczos 3, kRows at a time. libvips 8.14 has no vector
// code for this pass and spent two fifths of a batch in it; here the rows are turned into
// columns of kRows * bands lanes, so that each tap is one multiply-add over contiguous lanes,
// which the compiler vectorises.
class HorizontalReducer {
public:
    static constexpr int kRows = 16;

    // bands: 1 or 3.
    HorizontalReducer(int fromWidth, double extent, int toWidth, int bands);

    // Reduces count <= kRows rows of fromWidth * bands bytes into out's rows of toWidth * bands.
    void reduce(const std::uint8_t* const* rows, int count, std::uint8_t* const* out);

private:
    int fromWidth_;
    int toWidth_;
    int bands_;
    ReductionTaps taps_;
    std::vector<float> columns_;  // fromWidth columns of source samples
};

}  // namespace varnholt
