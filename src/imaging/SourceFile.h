#pragma once

#include <vips/vips8>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace varnholt {

// The accepted input formats, told apart by content, never by the name.
enum class SourceFormat { Jpeg, Jpeg2000, Png, Gif, Tiff, Bmp, Heif };

std::optional<SourceFormat> sniffSourceFormat(std::span<const std::uint8_t> head);

// Decoded input is capped so that a decompression bomb fails cleanly (16383 x 16383).
inline constexpr std::int64_t kMaxInputPixels = 268'402'689;

// One open source file: a regular file of an accepted format, held by its descriptor so
// that every later read sees the same file. Opening never blocks (a FIFO is refused before
// anything is read).
class SourceFile {
public:
    static std::optional<SourceFile> open(const std::string& path);
    ~SourceFile();
    SourceFile(SourceFile&& other) noexcept;
    SourceFile& operator=(SourceFile&&) = delete;
    SourceFile(const SourceFile&) = delete;

    SourceFormat format() const { return format_; }
    int descriptor() const { return fd_; }

    // The first page as stored, header only, with the format's own loader. Throws
    // vips::VError. failOnTruncated makes a later decode of damaged data fail.
    vips::VImage loadHeader(bool failOnTruncated) const;
    // Upright, stretched to exactly width x height, shrinking on load where the format can.
    vips::VImage thumbnail(int width, int height) const;

    // Reads up to size bytes at offset; fewer at the end of the file.
    std::vector<std::uint8_t> readAt(std::int64_t offset, std::size_t size) const;

private:
    SourceFile(int fd, SourceFormat format) : fd_(fd), format_(format) {}
    vips::VSource source() const;
    VipsBlob* wholeFile() const;

    int fd_ = -1;
    SourceFormat format_;
};

// Header width x height of one page is within kMaxInputPixels.
bool withinPixelCap(const vips::VImage& header);

}  // namespace varnholt
