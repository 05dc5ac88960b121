#include "settings/PreviewSize.h"

#include <gtest/gtest.h>

#include <limits>

namespace varnholt {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Row {
    const char* name;
    double outputWidth, outputHeight, viewWidth, viewHeight;
    std::optional<PreviewPixels> expected;
};

TEST(PreviewSize, KeepsTheOutputProportionsWithinTheView) {
    const Row rows[] = {
        {"height decides", 1000, 750, 600, 400, PreviewPixels{533, 400}},
        {"width decides", 4000, 1000, 600, 400, PreviewPixels{600, 150}},
        {"small output is not enlarged", 100, 20, 600, 400, PreviewPixels{100, 20}},
        {"exactly the view", 600, 400, 600, 400, PreviewPixels{600, 400}},
        {"huge output costs no more than the view", 20000, 10000, 800, 600,
         PreviewPixels{800, 400}},
        {"thin strip keeps one pixel", 20000, 1, 600, 400, PreviewPixels{600, 1}},
        {"tall strip keeps one pixel", 1, 20000, 600, 400, PreviewPixels{1, 400}},
        {"rounding stays inside a fractional view", 1201, 801, 600.6, 400.6,
         PreviewPixels{600, 400}},
        {"64-bit sized output", 9.2e18, 4.6e18, 800, 600, PreviewPixels{800, 400}},
        {"no output width", 0, 750, 600, 400, std::nullopt},
        {"negative output", -1000, 750, 600, 400, std::nullopt},
        {"view not laid out", 1000, 750, 0, 0, std::nullopt},
        {"infinite output", kInf, 750, 600, 400, std::nullopt},
        {"nan output", kNaN, 750, 600, 400, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto result =
            previewPixels(row.outputWidth, row.outputHeight, row.viewWidth, row.viewHeight);
        EXPECT_EQ(result, row.expected);
        if (result) {
            EXPECT_LE(result->width, static_cast<std::int64_t>(row.viewWidth));
            EXPECT_LE(result->height, static_cast<std::int64_t>(row.viewHeight));
        }
    }
}

}  // namespace
}  // namespace varnholt
