// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ImageData.h"
#include "imaging/JpegScaledDecode.h"
#include "imaging/SrgbProfile.h"

namespace varnholt {
namespace {

// An embedded profile that is sRGB already: the transform would only cost time.
bool hasSrgbProfile(const vips::VImage& in) {
    if (in.interpretation() != VIPS_INTERPRETATION_sRGB || in.format() != VIPS_FORMAT_UCHAR ||
        in.bands() < 3 || in.get_typeof(VIPS_META_ICC_NAME) == 0)
        return false;
    const void* profile = nullptr;
    size_t size = 0;
    if (vips_image_get_blob(in.get_image(), VIPS_META_ICC_NAME, &profile, &size) != 0) {
        clearVipsError();
        return false;
    }
    const bool srgb = isSrgbProfile(profile, size);
    clearVipsError();  // lcms2 reports an unreadable profile through libvips
    return srgb;
}

vips::VImage toSrgb8(vips::VImage in) {
    const bool cmyk = in.interpretation() == VIPS_INTERPRETATION_CMYK;
    if (cmyk || (in.get_typeof(VIPS_META_ICC_NAME) != 0 && !hasSrgbProfile(in))) {
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
    if (!data.scaled) return toSrgb8(file.loadHeader(failOn).autorot());
    if (data.draft) {
        return toSrgb8(file.loadPreviewPicture().thumbnail_image(
            data.uprightWidth, vips::VImage::option()
                                   ->set("height", data.uprightHeight)
                                   ->set("size", VIPS_SIZE_FORCE)));
    }
    // A JPEG reduced across while it is decoded, at a fraction of its size where that keeps
    // the quality: libvips 8.14 has no vector code for that pass.
    if (auto scaled =
            decodeJpegScaled(file, data.source->header, data.uprightWidth, data.uprightHeight)) {
        return toSrgb8(*scaled);
    }
    return toSrgb8(file.thumbnail(data.uprightWidth, data.uprightHeight, failOn));
}

}  // namespace varnholt
