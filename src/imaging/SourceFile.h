// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vips/vips8>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/ImageTools.h"

namespace varnholt {

// The accepted input formats, told apart by content, never by the name.
enum class SourceFormat { Jpeg, Jpeg2000, Png, Gif, Tiff, Bmp, Heif, WebP, Avif, Jxl };

std::optional<SourceFormat> sniffSourceFormat(std::span<const std::uint8_t> head);

// Decoded input is capped so that a decompression bomb fails cleanly (16383 x 16383).
inline constexpr std::int64_t kMaxInputPixels = 268'402'689;

// One open source file: a regular file of an accepted format, held by its descriptor so
// that every later read sees the same file. Opening never blocks (a FIFO is refused before
// anything is read).
class SourceFile {
public:
    // failure, when given, says why the file cannot be opened.
    static std::optional<SourceFile> open(const std::string& path, ImageFailure* failure = nullptr);
    // A file being written, read back through a descriptor of its own.
    static std::optional<SourceFile> reopen(int descriptor);
    ~SourceFile();
    SourceFile(SourceFile&& other) noexcept;
    SourceFile& operator=(SourceFile&&) = delete;
    SourceFile(const SourceFile&) = delete;

    SourceFormat format() const { return format_; }
    int descriptor() const { return fd_; }

    // The first page as stored, header only, with the format's own loader. Throws
    // vips::VError. failOn decides which damage a later decode treats as fatal.
    vips::VImage loadHeader(VipsFailOn failOn) const;
    // Upright, stretched to exactly width x height, shrinking on load where the format can.
    vips::VImage thumbnail(int width, int height, VipsFailOn failOn) const;
    // The small picture a HEIF or AVIF file may carry for previews, upright; the main picture
    // when it carries none. Throws vips::VError.
    vips::VImage loadPreviewPicture() const;

    // Reads up to size bytes at offset; fewer at the end of the file.
    std::vector<std::uint8_t> readAt(std::int64_t offset, std::size_t size) const;

private:
    SourceFile(int fd, SourceFormat format) : fd_(fd), format_(format) {}
    vips::VSource source() const;

    int fd_ = -1;
    SourceFormat format_;
};

// Header width x height of one page is within kMaxInputPixels.
bool withinPixelCap(const vips::VImage& header);

}  // namespace varnholt
