// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/JpegScaledDecode.h"

// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "imaging/ImageData.h"
#include "imaging/LanczosRows.h"
#include "imaging/MemoryLeft.h"

namespace varnholt {
namespace {

// A progressive file may hold any number of scans, each a pass over the whole picture; real
// encoders write about ten. More than this and the general path decides.
constexpr int kMaxScans = 100;
// The picture reduced across, the decode's buffers and a progressive file's coefficients: at
// most this, and half the memory left.
constexpr std::int64_t kMaxDecodedBytes = 256 * 1024 * 1024;
// The largest factor handed to libvips's Lanczos reduction down.
constexpr double kMaxReduceDown = 100.0;
constexpr std::size_t kReadChunk = 64 * 1024;

struct Decoder {
    jpeg_error_mgr errors{};
    jpeg_source_mgr input{};
    jpeg_progress_mgr progress{};
    std::jmp_buf escape{};
    const SourceFile* file = nullptr;
    std::int64_t offset = 0;  // of the next read
    std::vector<std::uint8_t> chunk;
};

Decoder& decoderOf(j_decompress_ptr info) { return *static_cast<Decoder*>(info->client_data); }

// extern "C" names are global: each carries the prefix of this file.
// Every error and every warning ends this path: the general one sees the same data again.
extern "C" void scaledGiveUp(j_common_ptr info) {
    std::longjmp(static_cast<Decoder*>(info->client_data)->escape, 1);
}

extern "C" void scaledOnMessage(j_common_ptr info, int level) {
    if (level < 0) scaledGiveUp(info);
}

extern "C" void scaledOnProgress(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) scaledGiveUp(info);
}

extern "C" void scaledStartInput(j_decompress_ptr) {}

extern "C" boolean scaledFillInput(j_decompress_ptr info) {
    Decoder& d = decoderOf(info);
    d.chunk = d.file->readAt(d.offset, kReadChunk);
    // The end of the file before the end of the picture: truncated.
    if (d.chunk.empty()) scaledGiveUp(reinterpret_cast<j_common_ptr>(info));
    d.offset += static_cast<std::int64_t>(d.chunk.size());
    info->src->next_input_byte = d.chunk.data();
    info->src->bytes_in_buffer = d.chunk.size();
    return TRUE;
}

extern "C" void scaledSkipInput(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& src = *info->src;
    const auto skip = static_cast<std::size_t>(count);
    if (skip <= src.bytes_in_buffer) {
        src.next_input_byte += skip;
        src.bytes_in_buffer -= skip;
        return;
    }
    decoderOf(info).offset += static_cast<std::int64_t>(skip - src.bytes_in_buffer);
    src.bytes_in_buffer = 0;
}

extern "C" void scaledEndInput(j_decompress_ptr) {}

struct Wanted {
    int storedWidth = 0;  // the target in the file's own layout
    int storedHeight = 0;
    int headerWidth = 0;
    int headerHeight = 0;
    VipsInterpretation interpretation = VIPS_INTERPRETATION_sRGB;
};

// The smallest M of M/8 whose decode still leaves the resampling a reduction of two or more; 8
// when none does. Only 1/8, 2/8 and 4/8: libjpeg-turbo makes these by averaging blocks of the
// full decode, a box filter that a Lanczos reduction of two or more hides. Its other scales drop
// the block's high frequencies, which leaves an error that repeats with the block; measured
// against a full decode resampled in linear light, they lost up to 3 dB of PSNR on fine detail
// and on smooth gradients alike, even at two to three times the target.
unsigned smallestScale(const jpeg_decompress_struct& info, const Wanted& wanted) {
    for (unsigned m = 1; m < 8; m *= 2) {
        if (info.image_width * m / 8.0 >= 2.0 * wanted.storedWidth &&
            info.image_height * m / 8.0 >= 2.0 * wanted.storedHeight)
            return m;
    }
    return 8;
}

// Separate from decodeJpegScaled so that no object with a destructor lives across setjmp.
bool readHeader(jpeg_decompress_struct& info, Decoder& d, const Wanted& wanted) {
    if (setjmp(d.escape) != 0) return false;
    jpeg_create_decompress(&info);
    info.src = &d.input;
    info.progress = &d.progress;
    jpeg_read_header(&info, TRUE);
    const bool colour = info.num_components == 3 && info.jpeg_color_space == JCS_YCbCr &&
                        wanted.interpretation == VIPS_INTERPRETATION_sRGB;
    const bool grey = info.num_components == 1 && info.jpeg_color_space == JCS_GRAYSCALE &&
                      wanted.interpretation == VIPS_INTERPRETATION_B_W;
    if ((!colour && !grey) || static_cast<int>(info.image_width) != wanted.headerWidth ||
        static_cast<int>(info.image_height) != wanted.headerHeight)
        return false;
    info.out_color_space = colour ? JCS_RGB : JCS_GRAYSCALE;
    info.scale_num = smallestScale(info, wanted);
    info.scale_denom = 8;
    jpeg_calc_output_dimensions(&info);
    return true;
}

// Decodes kRows rows at a time into staging and reduces them horizontally into out's first
// out->Ysize rows; the rows below (a fraction of a pixel, see keptY) are decoded and dropped.
// Like readHeader, nothing here has a destructor.
bool decodeRows(jpeg_decompress_struct& info, Decoder& d, HorizontalReducer& reducer,
                std::uint8_t* staging, VipsImage* out) {
    if (setjmp(d.escape) != 0) return false;
    constexpr int kRows = HorizontalReducer::kRows;
    const std::size_t rowBytes = std::size_t{info.output_width} * info.output_components;
    JSAMPROW rows[kRows];
    std::uint8_t* reduced[kRows];
    for (int i = 0; i < kRows; ++i) rows[i] = staging + rowBytes * static_cast<std::size_t>(i);
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        const int first = static_cast<int>(info.output_scanline);
        const auto wanted = std::min<JDIMENSION>(kRows, info.output_height - info.output_scanline);
        for (JDIMENSION done = 0; done < wanted;) {
            done += jpeg_read_scanlines(&info, rows + done, wanted - done);
        }
        const int kept = std::clamp(out->Ysize - first, 0, static_cast<int>(wanted));
        for (int i = 0; i < kept; ++i) reduced[i] = VIPS_IMAGE_ADDR(out, 0, first + i);
        if (kept > 0) reducer.reduce(rows, kept, reduced);
    }
    jpeg_finish_decompress(&info);
    return true;
}

// What the general path would read from the header and act on later.
void copyField(const vips::VImage& header, VipsImage* out, const char* name) {
    GValue value = G_VALUE_INIT;
    if (vips_image_get_typeof(header.get_image(), name) == 0) return;
    if (vips_image_get(header.get_image(), name, &value) == 0) {
        vips_image_set(out, name, &value);
        g_value_unset(&value);
    }
}

}  // namespace

std::optional<vips::VImage> decodeJpegScaled(const SourceFile& file, const vips::VImage& header,
                                             int uprightWidth, int uprightHeight) {
    if (file.format() != SourceFormat::Jpeg) return std::nullopt;
    const bool sideways = header.get_typeof(VIPS_META_ORIENTATION) != 0 &&
                          header.get_int(VIPS_META_ORIENTATION) >= 5 &&
                          header.get_int(VIPS_META_ORIENTATION) <= 8;
    Wanted wanted;
    wanted.storedWidth = sideways ? uprightHeight : uprightWidth;
    wanted.storedHeight = sideways ? uprightWidth : uprightHeight;
    wanted.headerWidth = header.width();
    wanted.headerHeight = header.height();
    wanted.interpretation = header.interpretation();

    Decoder d;
    d.file = &file;
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&d.errors);
    info.client_data = &d;
    d.errors.error_exit = scaledGiveUp;
    d.errors.emit_message = scaledOnMessage;
    d.input.init_source = scaledStartInput;
    d.input.fill_input_buffer = scaledFillInput;
    d.input.skip_input_data = scaledSkipInput;
    d.input.resync_to_restart = jpeg_resync_to_restart;
    d.input.term_source = scaledEndInput;
    d.progress.progress_monitor = scaledOnProgress;
    const auto giveUp = [&info](VipsImage* out) -> std::optional<vips::VImage> {
        jpeg_destroy_decompress(&info);
        if (out) g_object_unref(out);
        clearVipsError();
        return std::nullopt;
    };
    if (!readHeader(info, d, wanted)) return giveUp(nullptr);

    // The decode's last column and row stand for a fraction of a pixel when a side is not a
    // multiple of 8 / M. The resampling is given the whole pixels nearest to the picture's true
    // extent, and the scale of that extent: the result then lines up with the source within a
    // quarter of a decoded pixel. This is done before the picture is turned, which could move
    // that edge to the top or the left.
    const double scale = static_cast<double>(info.scale_num) / info.scale_denom;
    const double extentX = wanted.headerWidth * scale;
    const double extentY = wanted.headerHeight * scale;
    const int decodedWidth = static_cast<int>(info.output_width);
    const int keptX = std::min(decodedWidth, static_cast<int>(std::lround(extentX)));
    const int keptY =
        std::min(static_cast<int>(info.output_height), static_cast<int>(std::lround(extentY)));
    // Nothing to reduce across, or an enlargement: libvips's work.
    if (wanted.storedWidth >= keptX) return giveUp(nullptr);
    const int bands = info.output_components;
    // The result, kRows decoded rows as bytes and as floats, and for a progressive file
    // libjpeg-turbo's coefficients of the whole picture (two bytes a sample at most).
    std::int64_t bytes = std::int64_t{wanted.storedWidth} * keptY * bands +
                         std::int64_t{decodedWidth} * (HorizontalReducer::kRows * bands + 4) * 5;
    if (jpeg_has_multiple_scans(&info)) {
        bytes += std::int64_t{wanted.headerWidth} * wanted.headerHeight * info.num_components * 2;
    }
    if (bytes > kMaxDecodedBytes || bytes > memoryLeft() / 2) return giveUp(nullptr);

    // Reduced across while it is decoded, straight into the image the vertical pass reads.
    HorizontalReducer reducer(keptX, extentX, wanted.storedWidth, bands);
    std::vector<std::uint8_t> staging(std::size_t{info.output_width} * bands *
                                      HorizontalReducer::kRows);
    VipsImage* out = vips_image_new_memory();
    vips_image_init_fields(out, wanted.storedWidth, keptY, bands, VIPS_FORMAT_UCHAR,
                           VIPS_CODING_NONE, wanted.interpretation, 1.0, 1.0);
    if (vips_image_write_prepare(out) != 0) return giveUp(out);
    if (!decodeRows(info, d, reducer, staging.data(), out)) return giveUp(out);
    jpeg_destroy_decompress(&info);

    copyField(header, out, VIPS_META_ORIENTATION);
    copyField(header, out, VIPS_META_ICC_NAME);
    vips::VImage pixels(out);
    const double vshrink = extentY / wanted.storedHeight;
    const auto lanczos = [] { return vips::VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3); };
    try {
        // libvips's reducev refuses a mask of over 2000 taps (a factor above 333); resize
        // shrinks by a box first, as for an enlargement it interpolates.
        if (vshrink > 1.0 && vshrink <= kMaxReduceDown) {
            pixels = pixels.reducev(vshrink, lanczos());
        } else if (vshrink != 1.0) {
            pixels = pixels.resize(1.0, lanczos()->set("vscale", 1.0 / vshrink));
        }
    } catch (const vips::VError&) {
        clearVipsError();
        return std::nullopt;
    }
    if (pixels.height() < wanted.storedHeight) return std::nullopt;
    return pixels.crop(0, 0, wanted.storedWidth, wanted.storedHeight).autorot();
}

}  // namespace varnholt
