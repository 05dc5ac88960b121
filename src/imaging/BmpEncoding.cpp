// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/BmpCodec.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace varnholt {
namespace {

constexpr std::int64_t kFileHeader = 14;
constexpr std::uint32_t kRgb = 0, kBitfields = 3;

void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct BmpWriter {
    std::vector<std::uint8_t>* file;
    std::int64_t pixelOffset, rowBytes;
    int height, bands;
};

int writeRows(VipsRegion* region, VipsRect* area, void* a) {
    const auto& w = *static_cast<BmpWriter*>(a);
    const auto bands = static_cast<std::size_t>(w.bands);
    for (int y = area->top; y < area->top + area->height; ++y) {
        const auto* in = static_cast<const std::uint8_t*>(VIPS_REGION_ADDR(region, area->left, y));
        std::uint8_t* row = w.file->data() + w.pixelOffset + (w.height - 1 - y) * w.rowBytes;
        for (std::size_t x = 0; x < static_cast<std::size_t>(area->width); ++x) {
            const std::uint8_t* px = in + x * bands;
            std::uint8_t* to = row + x * bands;
            to[0] = px[2];
            to[1] = px[1];
            to[2] = px[0];
            if (bands == 4) to[3] = px[3];
        }
    }
    return 0;
}

}  // namespace

std::vector<std::uint8_t> encodeBmp(const vips::VImage& pixels) {
    vips::VImage image = pixels;
    if (image.bands() < 3) image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    if (image.format() != VIPS_FORMAT_UCHAR) image = image.cast(VIPS_FORMAT_UCHAR);
    if (image.bands() > 4) image = image.extract_band(0, vips::VImage::option()->set("n", 4));
    const bool alpha = image.bands() == 4;
    const int bands = alpha ? 4 : 3;
    const std::int64_t width = image.width(), height = image.height();
    const std::int64_t rowBytes = (width * bands + 3) / 4 * 4;
    const std::uint32_t infoSize = alpha ? 108 : 40;  // alpha needs the masks of a V4 header
    const std::int64_t pixelOffset = kFileHeader + infoSize;
    const std::int64_t total = pixelOffset + rowBytes * height;
    if (total > std::numeric_limits<std::uint32_t>::max()) throw vips::VError("BMP: too large");

    std::vector<std::uint8_t> file(static_cast<std::size_t>(total));
    file[0] = 'B';
    file[1] = 'M';
    put32(&file[2], static_cast<std::uint32_t>(total));
    put32(&file[10], static_cast<std::uint32_t>(pixelOffset));
    std::uint8_t* info = &file[kFileHeader];
    put32(info, infoSize);
    put32(info + 4, static_cast<std::uint32_t>(width));
    put32(info + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up
    info[12] = 1;                                         // planes
    info[14] = static_cast<std::uint8_t>(bands * 8);
    put32(info + 16, alpha ? kBitfields : kRgb);
    put32(info + 20, static_cast<std::uint32_t>(rowBytes * height));
    const auto perMetre = [](double perMm) {
        return static_cast<std::uint32_t>(std::clamp(std::round(perMm * 1000), 0.0, 2147483647.0));
    };
    put32(info + 24, perMetre(image.xres()));
    put32(info + 28, perMetre(image.yres()));
    if (alpha) {
        put32(info + 40, 0x00FF0000);
        put32(info + 44, 0x0000FF00);
        put32(info + 48, 0x000000FF);
        put32(info + 52, 0xFF000000);
        std::copy_n("BGRs", 4, info + 56);  // LCS_sRGB, little-endian
    }
    BmpWriter writer{&file, pixelOffset, rowBytes, static_cast<int>(height), bands};
    if (vips_sink_disc(image.get_image(), writeRows, &writer) != 0) throw vips::VError();
    return file;
}

}  // namespace varnholt
