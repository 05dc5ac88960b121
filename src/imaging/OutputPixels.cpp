// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ImageData.h"
#include "imaging/Savers.h"

namespace varnholt {
namespace {

// Removes every metadata item the loader attached: libvips would otherwise write the
// source's EXIF (rebuilt from its exif-* items), XMP, IPTC and thumbnail.
vips::VImage withoutMetadata(const vips::VImage& in) {
    vips::VImage out = in.copy();
    gchar** fields = vips_image_get_fields(out.get_image());
    for (gchar** field = fields; *field; ++field) out.remove(*field);
    g_strfreev(fields);
    return out;
}

// libvips writes its EXIF from the exif-* items, so the EXIF it should write comes in as the
// items of a 1 x 1 JPEG that carries it; what that JPEG cannot take is left out.
LeftOut attachLibvipsMetadata(vips::VImage& image, const OutputMetadata& metadata) {
    auto carrierBytes =
        takeBlob(vips::VImage::black(1, 1).cast(VIPS_FORMAT_UCHAR).jpegsave_buffer());
    const LeftOut left = embedMetadata(carrierBytes, metadata);
    if (left.exif) return left;
    VipsBlob* blob = vips_blob_copy(carrierBytes.data(), carrierBytes.size());
    const vips::VImage carrier = vips::VImage::jpegload_buffer(blob);
    vips_area_unref(VIPS_AREA(blob));
    gchar** fields = vips_image_get_fields(carrier.get_image());
    for (gchar** field = fields; *field; ++field) {
        const std::string name = *field;
        if (name.rfind("exif-", 0) != 0 && name != VIPS_META_XMP_NAME) continue;
        GValue value = G_VALUE_INIT;
        if (vips_image_get(carrier.get_image(), name.c_str(), &value) == 0) {
            vips_image_set(image.get_image(), name.c_str(), &value);
            g_value_unset(&value);
        }
    }
    g_strfreev(fields);
    return left;
}

}  // namespace

vips::VImage pixelsForEncode(const vips::VImage& in, const FormatRow& row, const Saver& saver,
                             std::int64_t dpi, const std::optional<OutputMetadata>& metadata,
                             LeftOut& left) {
    vips::VImage pixels = in;
    if (!row.keepsAlpha && pixels.has_alpha()) {
        // libvips would flatten onto black.
        pixels = pixels.flatten(
            vips::VImage::option()->set("background", std::vector<double>{255, 255, 255}));
    }
    // libvips writes the EXIF resolution in thousandths truncated from xres * 25.4 (1 DPI
    // became 999/1000); half a thousandth more makes them exact.
    const double pixelsPerMm =
        (static_cast<double>(dpi) + (saver.libvipsExif ? 0.0005 : 0.0)) / 25.4;
    pixels = withoutMetadata(
        pixels.copy(vips::VImage::option()->set("xres", pixelsPerMm)->set("yres", pixelsPerMm)));
    if (saver.libvipsExif) {
        // libvips builds a small EXIF block for these; it should say sRGB, not uncalibrated.
        pixels.set("exif-ifd2-ColorSpace", "1 (sRGB, Short, 1 components, 2 bytes)");
    }
    if (saver.metadata == MetadataRoute::Libvips) {
        pixels.set(VIPS_META_ORIENTATION, static_cast<int>(kWrittenOrientation));
        if (metadata) left = attachLibvipsMetadata(pixels, *metadata);
    }
    return pixels;
}

}  // namespace varnholt
