// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/LanczosRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnholt {
namespace {

double lanczos3(double d) {
    if (d == 0.0) return 1.0;
    if (std::abs(d) >= 3.0) return 0.0;
    const double pd = std::numbers::pi * d;
    return 3.0 * std::sin(pd) * std::sin(pd / 3.0) / (pd * pd);
}

// A column holds kRows * Bands lanes and room for the spare samples of its last row, so that a
// pixel moves as one vector of four in and out.
template <int Bands>
constexpr int kStride = HorizontalReducer::kRows* Bands + 4;

// One pixel of a row to four floats and back (for RGB the fourth a spare, for grey three). With
// SSE2, which every x86-64 has, these are a few instructions; elsewhere plain code.
#if defined(__SSE2__)
template <std::size_t Bytes>
void widenPixel(const std::uint8_t* from, float* to) {
    std::uint32_t packed = 0;
    std::memcpy(&packed, from, Bytes);
    const __m128i zero = _mm_setzero_si128();
    const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(packed)), zero);
    _mm_storeu_ps(to, _mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)));
}

// Rounded half up; the packs saturate, which clamps Lanczos's overshoot at either end.
template <std::size_t Bytes>
void narrowPixel(const float* from, std::uint8_t* to) {
    const __m128i ints = _mm_cvttps_epi32(_mm_add_ps(_mm_loadu_ps(from), _mm_set1_ps(0.5F)));
    const __m128i words = _mm_packs_epi32(ints, ints);
    const auto packed =
        static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
    std::memcpy(to, &packed, Bytes);
}
#else
template <std::size_t Bytes>
void widenPixel(const std::uint8_t* from, float* to) {
    for (std::size_t b = 0; b < Bytes; ++b) to[b] = from[b];
}

template <std::size_t Bytes>
void narrowPixel(const float* from, std::uint8_t* to) {
    for (std::size_t b = 0; b < Bytes; ++b) {
        to[b] = static_cast<std::uint8_t>(std::clamp(from[b] + 0.5F, 0.0F, 255.0F));
    }
}
#endif

// Rows of interleaved samples into columns, row r at lanes r * Bands, a strip of columns at a
// time so that the strip stays in the first-level cache while every row adds to it. Rows are
// filled in order, so the spare samples a pixel writes are overwritten by the next rows'.
template <int Bands>
void toColumns(const std::uint8_t* const* rows, int count, int width, float* columns) {
    constexpr int kStrip = 64;
    for (int left = 0; left < width; left += kStrip) {
        const int right = std::min(width, left + kStrip);
        for (int r = 0; r < count; ++r) {
            const std::uint8_t* row = rows[r] + static_cast<std::ptrdiff_t>(left) * Bands;
            float* lane = columns + static_cast<std::ptrdiff_t>(left) * kStride<Bands> + r * Bands;
            // The row's last byte is its last pixel's: no fourth to read there.
            const int whole = Bands == 3 ? std::min(right, width - 1) : right;
            for (int x = left; x < whole; ++x, row += Bands, lane += kStride<Bands>) {
                widenPixel<Bands == 3 ? 4 : 1>(row, lane);
            }
            if (whole < right) widenPixel<3>(row, lane);
        }
    }
}

// Every tap is a multiply-add over the lanes, contiguous floats; with their count a constant the
// loop becomes vector code. The sums run in the same order on every path, so results do not
// depend on the processor. Each output column's sums go straight into the rows, rounded to the
// nearest level; an RGB pixel writes a spare fourth byte that the next pixel overwrites,
// except at the row's end.
template <int Bands>
[[gnu::always_inline]] inline void sumTaps(const float* columns, const ReductionTaps& taps,
                                           int toWidth, int count, std::uint8_t* const* rows) {
    constexpr int kLanes = HorizontalReducer::kRows * Bands;
    const int n = taps.count;
    for (int x = 0; x < toWidth; ++x) {
        float acc[kLanes + 4] = {};
        const float* weight = &taps.weights[static_cast<std::size_t>(x) * n];
        const float* column = columns + static_cast<std::ptrdiff_t>(taps.first[x]) * kStride<Bands>;
        for (int t = 0; t < n; ++t) {
            const float w = weight[t];
            for (int k = 0; k < kLanes; ++k) acc[k] += w * column[t * kStride<Bands> + k];
        }
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(x) * Bands;
        if (Bands == 3 && x + 1 == toWidth) {
            for (int r = 0; r < count; ++r) narrowPixel<3>(acc + r * 3, rows[r] + at);
        } else {
            for (int r = 0; r < count; ++r) {
                narrowPixel<Bands == 3 ? 4 : 1>(acc + r * Bands, rows[r] + at);
            }
        }
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
template <int Bands>
[[gnu::target("avx2")]] void sumTapsAvx2(const float* columns, const ReductionTaps& taps,
                                         int toWidth, int count, std::uint8_t* const* rows) {
    sumTaps<Bands>(columns, taps, toWidth, count, rows);
}
#endif

template <int Bands>
void sumTapsBest(const float* columns, const ReductionTaps& taps, int toWidth, int count,
                 std::uint8_t* const* rows) {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return sumTapsAvx2<Bands>(columns, taps, toWidth, count, rows);
#endif
    sumTaps<Bands>(columns, taps, toWidth, count, rows);
}

}  // namespace

ReductionTaps lanczos3Taps(int from, double extent, int to) {
    const double shrink = extent / to;
    // Below 1 the kernel keeps its own width: an enlargement is not this function's work.
    const double scale = std::max(1.0, shrink);
    const double support = 3.0 * scale;
    ReductionTaps taps;
    taps.count = std::min(from, static_cast<int>(std::ceil(2.0 * support)) + 1);
    taps.first.resize(static_cast<std::size_t>(to));
    taps.weights.assign(static_cast<std::size_t>(to) * taps.count, 0.0F);
    std::vector<double> weights(static_cast<std::size_t>(taps.count));
    for (int x = 0; x < to; ++x) {
        const double centre = (x + 0.5) * shrink - 0.5;
        const int low = static_cast<int>(std::floor(centre - support)) + 1;
        const int high = static_cast<int>(std::ceil(centre + support)) - 1;
        const int start = std::clamp(low, 0, from - taps.count);
        std::fill(weights.begin(), weights.end(), 0.0);
        double sum = 0.0;
        for (int i = low; i <= high; ++i) {
            const double w = lanczos3((i - centre) / scale);
            weights[static_cast<std::size_t>(std::clamp(i, 0, from - 1) - start)] += w;
            sum += w;
        }
        taps.first[static_cast<std::size_t>(x)] = start;
        for (int t = 0; t < taps.count; ++t) {
            taps.weights[static_cast<std::size_t>(x) * taps.count + t] =
                static_cast<float>(weights[static_cast<std::size_t>(t)] / sum);
        }
    }
    return taps;
}

HorizontalReducer::HorizontalReducer(int fromWidth, double extent, int toWidth, int bands)
    : fromWidth_(fromWidth),
      toWidth_(toWidth),
      bands_(bands),
      taps_(lanczos3Taps(fromWidth, extent, toWidth)),
      columns_(static_cast<std::size_t>(fromWidth) * (bands == 1 ? kStride<1> : kStride<3>)) {}

void HorizontalReducer::reduce(const std::uint8_t* const* rows, int count,
                               std::uint8_t* const* out) {
    if (bands_ == 1) {
        toColumns<1>(rows, count, fromWidth_, columns_.data());
        sumTapsBest<1>(columns_.data(), taps_, toWidth_, count, out);
    } else {
        toColumns<3>(rows, count, fromWidth_, columns_.data());
        sumTapsBest<3>(columns_.data(), taps_, toWidth_, count, out);
    }
}

}  // namespace varnholt
