// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ImageData.h"

namespace varnholt {
namespace {

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

}  // namespace

void clearVipsError() { vips_error_clear(); }

vips::VImage buildPixels(const ImageData& data, VipsFailOn failOn) {
    const SourceFile& file = data.source->file;
    // The pixel cap was checked on the header of this same descriptor.
    const vips::VImage upright = data.scaled
                                     ? file.thumbnail(data.uprightWidth, data.uprightHeight, failOn)
                                     : file.loadHeader(failOn).autorot();
    return toSrgb8(upright);
}

}  // namespace varnholt
