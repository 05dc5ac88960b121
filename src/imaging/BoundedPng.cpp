// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/BoundedPng.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <string_view>

#include "imaging/DescriptorSource.h"
#include "imaging/PngChunks.h"

namespace varnholt {
namespace {

constexpr std::int64_t kSignatureSize = 8;
constexpr std::uint32_t kLongestChunk = 0x7FFFFFFF;  // libpng refuses longer ones
constexpr std::size_t kKeywordHead = 80;             // a keyword, its NUL and the flags after it

struct ByteRange {
    std::int64_t offset = 0;
    std::int64_t size = 0;
};

struct Chunk {
    std::int64_t offset = 0;
    std::uint32_t length = 0;
    std::string type;
    bool whole = false;  // within the file and within libpng's bound
    std::int64_t end() const { return offset + 12 + length; }
};

// Walks the chunk list through a read-ahead window: a file of tiny chunks costs no more than
// reading it once.
class ChunkWalker {
public:
    explicit ChunkWalker(const SourceFile& file) : file_(file) {
        struct stat info {};
        size_ = fstat(file.descriptor(), &info) == 0 ? info.st_size : 0;
    }
    std::int64_t size() const { return size_; }

    // The chunk whose length and type start at offset; nullopt where the file has no room for
    // them.
    std::optional<Chunk> at(std::int64_t offset) {
        if (offset + 8 > size_) return std::nullopt;
        if (!inWindow(offset, 8)) {
            window_ = file_.readAt(offset, 64 * 1024);
            windowStart_ = offset;
            if (window_.size() < 8) return std::nullopt;
        }
        const std::uint8_t* p = window_.data() + (offset - windowStart_);
        Chunk chunk;
        chunk.offset = offset;
        chunk.length = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                       (std::uint32_t{p[2]} << 8) | p[3];
        chunk.type.assign(reinterpret_cast<const char*>(p + 4), 4);
        chunk.whole = chunk.length <= kLongestChunk && chunk.end() <= size_;
        return chunk;
    }

    // Bytes of the file, from the window where it holds them.
    std::vector<std::uint8_t> read(std::int64_t offset, std::size_t size) const {
        if (!inWindow(offset, size)) return file_.readAt(offset, size);
        const auto from = window_.begin() + (offset - windowStart_);
        return {from, from + static_cast<std::ptrdiff_t>(size)};
    }

private:
    bool inWindow(std::int64_t offset, std::size_t size) const {
        return offset >= windowStart_ &&
               offset + static_cast<std::int64_t>(size) <=
                   windowStart_ + static_cast<std::int64_t>(window_.size());
    }

    const SourceFile& file_;
    std::int64_t size_ = 0;
    std::vector<std::uint8_t> window_;
    std::int64_t windowStart_ = 0;
};

bool isText(const std::string& type) { return type == "tEXt" || type == "zTXt" || type == "iTXt"; }

// The decoder sees only whole chunks that it may read, up to IEND. Where the list stops
// holding together, nothing after that point reaches it: a length past the end of the file
// would have libpng allocate it and read zeros. Only a cut-off IDAT is kept to the end of the
// file, so that a truncated download still shows what arrived; libpng streams image data and
// bounds its length by the image's size.
std::vector<ByteRange> decoderRanges(const SourceFile& file) {
    ChunkWalker walker(file);
    std::vector<ByteRange> ranges;
    std::int64_t keptFrom = 0;
    const auto keepUpTo = [&](std::int64_t end) {
        if (end > keptFrom) ranges.push_back({keptFrom, end - keptFrom});
    };
    std::int64_t at = kSignatureSize;
    while (const auto chunk = walker.at(at)) {
        if (!chunk->whole) {
            const bool cutOffImageData = chunk->type == "IDAT" && chunk->length <= kLongestChunk;
            keepUpTo(cutOffImageData ? walker.size() : at);
            return ranges;
        }
        const bool oversized =
            (chunk->type == "eXIf" || chunk->type == "iCCP") && chunk->length > kMaxMetadataBytes;
        if (isText(chunk->type) || oversized) {
            keepUpTo(at);
            keptFrom = chunk->end();
        }
        at = chunk->end();
        if (chunk->type == "IEND") break;
    }
    keepUpTo(at);
    return ranges;
}

// The file's bytes through the ranges, as one stream. Owns a descriptor of its own.
struct RangeView {
    int fd = -1;
    std::vector<ByteRange> ranges;
    std::vector<std::int64_t> starts;  // of each range in the stream, ascending
    std::int64_t total = 0;
    std::int64_t position = 0;
    ~RangeView() {
        if (fd >= 0) ::close(fd);
    }
    // The range that holds position, found by its start: a read costs the same anywhere in a
    // file of many pieces.
    std::size_t rangeAt(std::int64_t where) const {
        const auto after = std::upper_bound(starts.begin(), starts.end(), where);
        return static_cast<std::size_t>(after - starts.begin()) - 1;
    }
};

gint64 readView(VipsSourceCustom*, void* buffer, gint64 length, void* user) {
    auto* view = static_cast<RangeView*>(user);
    auto* out = static_cast<std::uint8_t*>(buffer);
    gint64 done = 0;
    while (done < length && view->position < view->total) {
        const std::size_t index = view->rangeAt(view->position);
        const ByteRange& range = view->ranges[index];
        const std::int64_t within = view->position - view->starts[index];
        const auto wanted = static_cast<std::size_t>(std::min(length - done, range.size - within));
        const ssize_t got =
            pread(view->fd, out + done, wanted, static_cast<off_t>(range.offset + within));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return done > 0 ? done : -1;
        if (got == 0) break;  // the file was shortened under us
        done += got;
        view->position += got;
    }
    return done;
}

gint64 seekView(VipsSourceCustom*, gint64 offset, int whence, void* user) {
    auto* view = static_cast<RangeView*>(user);
    const std::int64_t base = whence == SEEK_SET   ? 0
                              : whence == SEEK_CUR ? view->position
                                                   : view->total;
    const std::int64_t target = base + offset;
    if (target < 0 || target > view->total) return -1;
    view->position = target;
    return target;
}

vips::VSource viewSource(int descriptor, std::vector<ByteRange> ranges) {
    auto view = std::make_unique<RangeView>();
    view->fd = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);  // read with pread only
    if (view->fd < 0) throw vips::VError("cannot read the file");
    for (const auto& range : ranges) {
        view->starts.push_back(view->total);
        view->total += range.size;
    }
    view->ranges = std::move(ranges);
    return customSource(std::move(view), readView, seekView);
}

enum class Inflated { Fits, TooLarge, Damaged };

// Inflates at most limit bytes, so a bomb costs no more than that.
Inflated inflateWithin(const std::uint8_t* data, std::size_t size, std::size_t limit,
                       std::vector<std::uint8_t>& out) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return Inflated::Damaged;
    std::array<std::uint8_t, 64 * 1024> scratch{};
    stream.next_in = const_cast<std::uint8_t*>(data);
    stream.avail_in = static_cast<uInt>(size);
    int status = Z_OK;
    while (status == Z_OK && out.size() <= limit) {
        stream.next_out = scratch.data();
        stream.avail_out = static_cast<uInt>(scratch.size());
        status = inflate(&stream, Z_NO_FLUSH);
        out.insert(out.end(), scratch.data(), stream.next_out);
        if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
    }
    inflateEnd(&stream);
    if (out.size() > limit) return Inflated::TooLarge;
    return status == Z_STREAM_END ? Inflated::Fits : Inflated::Damaged;
}

// What a text chunk's keyword carries for the metadata reader; empty for plain text.
std::string_view metadataKind(std::string_view keyword) {
    if (keyword == "XML:com.adobe.xmp" || keyword == "Raw profile type xmp") return "XMP";
    if (keyword == "Raw profile type exif" || keyword == "Raw profile type APP1") return "EXIF";
    if (keyword == "Raw profile type iptc") return "IPTC";
    return {};
}

struct TextLayout {
    std::size_t prefixEnd = 0;  // the fields before the text, as they stay
    bool compressed = false;
};

// Where a text chunk's text starts and whether it is compressed; nullopt when malformed.
std::optional<TextLayout> textLayout(const std::string& type, const std::vector<std::uint8_t>& data,
                                     std::size_t keywordEnd) {
    if (type == "tEXt") return TextLayout{keywordEnd + 1, false};
    if (type == "zTXt") return TextLayout{keywordEnd + 2, true};
    // iTXt: compression flag and method, then language tag and translated keyword.
    std::size_t at = keywordEnd + 3;
    for (int field = 0; field < 2; ++field) {
        const auto nul = std::find(
            data.begin() + static_cast<std::ptrdiff_t>(std::min(at, data.size())), data.end(), 0);
        if (nul == data.end()) return std::nullopt;
        at = static_cast<std::size_t>(nul - data.begin()) + 1;
    }
    return TextLayout{at, keywordEnd + 1 < data.size() && data[keywordEnd + 1] != 0};
}

void noteOnce(std::vector<std::string>& dropped, const std::string& what) {
    if (std::find(dropped.begin(), dropped.end(), what) == dropped.end()) dropped.push_back(what);
}

// The metadata chunks of a file, read once each against one budget for the whole file.
class MetadataGatherer {
public:
    MetadataGatherer(const SourceFile& file, std::vector<std::string>& dropped)
        : walker_(file), dropped_(dropped) {}

    PngMetadataCopy gather() {
        std::vector<std::uint8_t> header;
        for (std::int64_t at = kSignatureSize;;) {
            const auto chunk = walker_.at(at);
            if (!chunk || !chunk->whole || chunk->type == "IEND") break;
            at = chunk->end();
            if (chunk->type == "IHDR" && chunk->length == 13) {
                header = walker_.read(chunk->offset, 25);
            } else if (chunk->type == "eXIf" || isText(chunk->type)) {
                if (!take(*chunk)) break;
            }
        }
        return {part(header, exif_), part(header, xmp_), part(header, iptc_)};
    }

private:
    // False once the budget is spent: nothing after that chunk is read.
    bool take(const Chunk& chunk) {
        if (chunk.type == "eXIf") {
            if (!spend(chunk.length, "EXIF")) return false;
            const auto bytes = walker_.read(chunk.offset, chunk.length + 12u);
            exif_.insert(exif_.end(), bytes.begin(), bytes.end());
            return true;
        }
        const std::size_t headSize = std::min<std::size_t>(chunk.length, kKeywordHead);
        auto data = walker_.read(chunk.offset + 8, headSize);
        const auto nul = std::find(data.begin(), data.end(), 0);
        if (nul == data.end()) return true;
        const auto keywordEnd = static_cast<std::size_t>(nul - data.begin());
        const auto kind =
            metadataKind(std::string_view(reinterpret_cast<const char*>(data.data()), keywordEnd));
        if (kind.empty()) return true;  // plain text: never kept
        if (!spend(chunk.length, kind)) return false;
        const auto rest = walker_.read(chunk.offset + 8 + static_cast<std::int64_t>(headSize),
                                       chunk.length - headSize);
        data.insert(data.end(), rest.begin(), rest.end());
        const auto layout = textLayout(chunk.type, data, keywordEnd);
        if (!layout || layout->prefixEnd > data.size()) {
            noteOnce(dropped_, std::string(kind) + " unreadable");
            return true;
        }
        auto& into = kind == "XMP" ? xmp_ : kind == "EXIF" ? exif_ : iptc_;
        if (!layout->compressed) {
            const auto bytes = pngChunk(chunk.type, data);
            into.insert(into.end(), bytes.begin(), bytes.end());
            return true;
        }
        // Handed on inflated: exiv2 refuses compressed text beyond 128 KB.
        std::vector<std::uint8_t> text(
            data.begin(), data.begin() + static_cast<std::ptrdiff_t>(layout->prefixEnd));
        const std::size_t prefix = text.size();
        const Inflated inflated =
            inflateWithin(data.data() + prefix, data.size() - prefix, left_, text);
        if (inflated == Inflated::TooLarge) {
            noteOnce(dropped_, oversizeNote(kind));
            return false;
        }
        if (inflated == Inflated::Damaged) {
            noteOnce(dropped_, std::string(kind) + " unreadable");
            return true;
        }
        left_ -= text.size() - prefix;
        std::string type = chunk.type;
        if (type == "zTXt") {
            type = "tEXt";
            text.erase(text.begin() + static_cast<std::ptrdiff_t>(keywordEnd + 1));  // method
        } else {
            text[keywordEnd + 1] = 0;  // iTXt: not compressed
        }
        const auto bytes = pngChunk(type, text);
        into.insert(into.end(), bytes.begin(), bytes.end());
        return true;
    }

    // The chunk's stored bytes count against the budget too: many small chunks add up.
    bool spend(std::size_t bytes, std::string_view kind) {
        if (bytes > left_) {
            noteOnce(dropped_, oversizeNote(kind));
            return false;
        }
        left_ -= bytes;
        return true;
    }

    static std::vector<std::uint8_t> part(const std::vector<std::uint8_t>& header,
                                          const std::vector<std::uint8_t>& chunks) {
        if (chunks.empty() || header.empty()) return {};
        std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', 13, 10, 26, 10};
        png.insert(png.end(), header.begin(), header.end());
        png.insert(png.end(), chunks.begin(), chunks.end());
        const auto end = pngChunk("IEND", {});
        png.insert(png.end(), end.begin(), end.end());
        return png;
    }

    ChunkWalker walker_;
    std::vector<std::string>& dropped_;
    std::size_t left_ = kMaxMetadataBytes;
    std::vector<std::uint8_t> exif_, xmp_, iptc_;
};

}  // namespace

std::string oversizeNote(std::string_view part) {
    return std::string(part) + " larger than " + std::to_string(kMaxMetadataBytes >> 20) + " MB";
}

vips::VSource pngDecoderSource(const SourceFile& file) {
    return viewSource(file.descriptor(), decoderRanges(file));
}

PngMetadataCopy pngMetadataCopy(const SourceFile& file, std::vector<std::string>& dropped) {
    return MetadataGatherer(file, dropped).gather();
}

}  // namespace varnholt
