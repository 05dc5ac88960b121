#include <array>

#include "imaging/ImageData.h"

namespace varnholt {
namespace {

// Indexed by code - 1: the layout that displaying with that code undoes.
constexpr std::array<Layout, 8> kStoredLayouts{{
    {false, 0},  // 1
    {true, 0},   // 2 mirrored left-right
    {false, 2},  // 3 half turn
    {true, 2},   // 4 mirrored top-bottom
    {true, 3},   // 5 transposed
    {false, 3},  // 6 stored a quarter turn counter-clockwise, shown turned clockwise
    {true, 1},   // 7 transversed
    {false, 1},  // 8
}};

vips::VImage toSrgb8(vips::VImage in) {
    const bool cmyk = in.interpretation() == VIPS_INTERPRETATION_CMYK;
    if (cmyk || in.get_typeof(VIPS_META_ICC_NAME) != 0) {
        // depth 16 keeps a 16-bit alpha from being clipped by the transform.
        const int depth = in.format() == VIPS_FORMAT_USHORT ? 16 : 8;
        try {
            in = in.icc_transform("srgb", vips::VImage::option()
                                              ->set("embedded", true)
                                              ->set("input_profile", cmyk ? "cmyk" : "srgb")
                                              ->set("depth", depth));
        } catch (const vips::VError&) {
            // An unusable embedded profile: read the numbers as they stand.
            clearVipsError();
            if (cmyk) {
                in = in.icc_transform(
                    "srgb",
                    vips::VImage::option()->set("input_profile", "cmyk")->set("depth", depth));
            }
        }
    }
    if (in.interpretation() != VIPS_INTERPRETATION_sRGB || in.format() != VIPS_FORMAT_UCHAR) {
        in = in.colourspace(VIPS_INTERPRETATION_sRGB);
    }
    if (in.format() != VIPS_FORMAT_UCHAR) in = in.cast(VIPS_FORMAT_UCHAR);
    in = in.copy();
    // The pixels are sRGB now; the source's profile no longer describes them.
    in.remove(VIPS_META_ICC_NAME);
    return in;
}

vips::VImage applyLayout(vips::VImage in, Layout layout) {
    if (layout.flip) in = in.flip(VIPS_DIRECTION_HORIZONTAL);
    switch (layout.quarter) {
        case 1:
            return in.rot(VIPS_ANGLE_D90);
        case 2:
            return in.rot(VIPS_ANGLE_D180);
        case 3:
            return in.rot(VIPS_ANGLE_D270);
        default:
            return in;
    }
}

}  // namespace

Layout layoutOf(OrientationTurn turn) {
    switch (turn) {
        case OrientationTurn::Rotate90:
            return {false, 1};
        case OrientationTurn::Rotate180:
            return {false, 2};
        case OrientationTurn::Rotate270:
            return {false, 3};
        case OrientationTurn::FlipHorizontal:
            return {true, 0};
        case OrientationTurn::FlipVertical:
            return {true, 2};
        case OrientationTurn::Transpose:
            return {true, 3};
        case OrientationTurn::Transverse:
            return {true, 1};
    }
    return {};
}

Layout compose(Layout first, Layout second) {
    // A mirror reverses the sense of the rotations that come before it.
    const int quarter =
        second.flip ? second.quarter - first.quarter : second.quarter + first.quarter;
    return {first.flip != second.flip, ((quarter % 4) + 4) % 4};
}

std::int64_t orientationCodeUndoing(Layout layout) {
    for (std::size_t i = 0; i < kStoredLayouts.size(); ++i) {
        if (kStoredLayouts[i] == layout) return static_cast<std::int64_t>(i) + 1;
    }
    return 1;
}

Layout storedLayoutOf(std::int64_t code) {
    if (code < 1 || code > 8) return {};
    return kStoredLayouts[static_cast<std::size_t>(code - 1)];
}

void clearVipsError() { vips_error_clear(); }

vips::VImage buildPixels(const ImageData& data, VipsFailOn failOn) {
    const auto file = SourceFile::open(data.path);
    if (!file || file->format() != data.format) throw vips::VError("the source changed");
    const auto header = file->loadHeader(failOn);
    if (!withinPixelCap(header)) throw vips::VError("too many pixels");
    const vips::VImage upright =
        data.scaled ? file->thumbnail(data.uprightWidth, data.uprightHeight, failOn)
                    : header.autorot();
    return applyLayout(toSrgb8(upright), data.layout);
}

}  // namespace varnholt
