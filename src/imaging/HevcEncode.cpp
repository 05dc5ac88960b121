// SPDX-License-Identifier: GPL-3.0-or-later
#include <libheif/heif.h>

#include <cstring>
#include <memory>

#include "imaging/Savers.h"

namespace varnholt {
namespace {

// x265's preset, chosen by measurement (docs/performance.md): libvips leaves it at libheif's
// "slow", which took 1.9 s for a 12 MP photo to 1920 px; libvips's effort does not reach it.
constexpr const char* kPreset = "ultrafast";
constexpr int kQuality = 50;  // libvips's default, which the HEIF formats always had

template <auto Release>
struct Releaser {
    template <typename T>
    void operator()(T* p) const {
        Release(p);
    }
};
using Context = std::unique_ptr<heif_context, Releaser<heif_context_free>>;
using Encoder = std::unique_ptr<heif_encoder, Releaser<heif_encoder_release>>;
using Picture = std::unique_ptr<heif_image, Releaser<heif_image_release>>;
using Handle = std::unique_ptr<heif_image_handle, Releaser<heif_image_handle_release>>;

void check(heif_error error) {
    if (error.code != heif_error_Ok) throw vips::VError(error.message ? error.message : "libheif");
}

heif_error appendBytes(heif_context*, const void* data, size_t size, void* userdata) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(userdata);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

Picture pictureOf(const vips::VImage& pixels) {
    const int width = pixels.width();
    const int height = pixels.height();
    const bool alpha = pixels.bands() == 4;
    heif_image* created = nullptr;
    check(heif_image_create(width, height, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            &created));
    Picture picture(created);
    check(heif_image_add_plane(picture.get(), heif_channel_interleaved, width, height, 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(picture.get(), heif_channel_interleaved, &stride);
    const vips::VImage memory = pixels.copy_memory();
    const auto* rows = static_cast<const std::uint8_t*>(memory.data());
    const std::size_t rowBytes = static_cast<std::size_t>(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y) {
        std::memcpy(plane + static_cast<std::ptrdiff_t>(y) * stride,
                    rows + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    }
    return picture;
}

}  // namespace

std::vector<std::uint8_t> encodeHevc(const vips::VImage& pixels, const EncodeExtras& extras) {
    Context context(heif_context_alloc());
    heif_encoder* found = nullptr;
    check(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &found));
    Encoder encoder(found);
    check(heif_encoder_set_lossy_quality(encoder.get(), kQuality));
    check(heif_encoder_set_parameter_string(encoder.get(), "preset", kPreset));
    const Picture picture = pictureOf(pixels);
    heif_image_handle* encoded = nullptr;
    check(
        heif_context_encode_image(context.get(), picture.get(), encoder.get(), nullptr, &encoded));
    const Handle handle(encoded);
    if (!extras.exif.empty()) {
        check(heif_context_add_exif_metadata(context.get(), handle.get(), extras.exif.data(),
                                             static_cast<int>(extras.exif.size())));
    }
    if (!extras.xmp.empty()) {
        check(heif_context_add_XMP_metadata(context.get(), handle.get(), extras.xmp.data(),
                                            static_cast<int>(extras.xmp.size())));
    }
    std::vector<std::uint8_t> bytes;
    heif_writer writer{1, appendBytes};
    check(heif_context_write(context.get(), &writer, &bytes));
    return bytes;
}

}  // namespace varnholt
