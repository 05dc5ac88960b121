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

#include "imaging/PngChunks.h"

namespace varnholt {
namespace {

constexpr std::int64_t kSignatureSize = 8;

struct ByteRange {
    std::int64_t offset = 0;
    std::int64_t size = 0;
};

struct Chunk {
    std::int64_t offset = 0;
    std::uint32_t length = 0;
    std::string type;
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

    // The whole chunk at offset; nullopt where the list ends or does not hold together.
    std::optional<Chunk> at(std::int64_t offset) {
        if (offset + 12 > size_) return std::nullopt;
        if (offset < windowStart_ ||
            offset + 8 > windowStart_ + static_cast<std::int64_t>(window_.size())) {
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
        if (chunk.end() > size_) return std::nullopt;
        return chunk;
    }

private:
    const SourceFile& file_;
    std::int64_t size_ = 0;
    std::vector<std::uint8_t> window_;
    std::int64_t windowStart_ = 0;
};

bool isText(const std::string& type) { return type == "tEXt" || type == "zTXt" || type == "iTXt"; }

std::vector<ByteRange> decoderRanges(const SourceFile& file) {
    ChunkWalker walker(file);
    std::vector<ByteRange> ranges;
    std::int64_t keptFrom = 0;
    std::int64_t at = kSignatureSize;
    while (const auto chunk = walker.at(at)) {
        const bool oversized =
            (chunk->type == "eXIf" || chunk->type == "iCCP") && chunk->length > kMaxMetadataBytes;
        if (isText(chunk->type) || oversized) {
            if (at > keptFrom) ranges.push_back({keptFrom, at - keptFrom});
            keptFrom = chunk->end();
        }
        if (chunk->type == "IEND") break;
        at = chunk->end();
    }
    if (walker.size() > keptFrom) ranges.push_back({keptFrom, walker.size() - keptFrom});
    return ranges;
}

// The file's bytes through the ranges, as one stream. Owns a descriptor of its own.
struct RangeView {
    int fd = -1;
    std::vector<ByteRange> ranges;
    std::int64_t total = 0;
    std::int64_t position = 0;
    ~RangeView() {
        if (fd >= 0) ::close(fd);
    }
};

gint64 readView(VipsSourceCustom*, void* buffer, gint64 length, void* user) {
    auto* view = static_cast<RangeView*>(user);
    std::int64_t start = 0;
    for (const ByteRange& range : view->ranges) {
        if (view->position < start + range.size) {
            const std::int64_t within = view->position - start;
            const auto wanted = static_cast<std::size_t>(std::min(length, range.size - within));
            ssize_t got = 0;
            do {
                got = pread(view->fd, buffer, wanted, static_cast<off_t>(range.offset + within));
            } while (got < 0 && errno == EINTR);
            if (got > 0) view->position += got;
            return got;
        }
        start += range.size;
    }
    return 0;
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
    for (const auto& range : ranges) view->total += range.size;
    view->ranges = std::move(ranges);
    VipsSourceCustom* custom = vips_source_custom_new();
    RangeView* state = view.release();
    g_object_set_data_full(G_OBJECT(custom), "varnholt-range-view", state,
                           [](gpointer p) { delete static_cast<RangeView*>(p); });
    g_signal_connect(custom, "read", G_CALLBACK(readView), state);
    g_signal_connect(custom, "seek", G_CALLBACK(seekView), state);
    return vips::VSource(VIPS_SOURCE(custom));
}

enum class Inflated { Fits, TooLarge, Damaged };

// Inflates into a scratch buffer only as far as limit, so a bomb costs no more than that.
Inflated inflatedSize(const std::uint8_t* data, std::size_t size, std::size_t limit) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return Inflated::Damaged;
    std::array<std::uint8_t, 64 * 1024> scratch{};
    stream.next_in = const_cast<std::uint8_t*>(data);
    stream.avail_in = static_cast<uInt>(size);
    std::size_t total = 0;
    int status = Z_OK;
    while (status == Z_OK && total <= limit) {
        stream.next_out = scratch.data();
        stream.avail_out = static_cast<uInt>(scratch.size());
        status = inflate(&stream, Z_NO_FLUSH);
        total += scratch.size() - stream.avail_out;
        if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
    }
    inflateEnd(&stream);
    if (total > limit) return Inflated::TooLarge;
    return status == Z_STREAM_END ? Inflated::Fits : Inflated::Damaged;
}

// What a text chunk's keyword carries for the metadata reader; empty for plain text.
std::string_view metadataKind(std::string_view keyword) {
    if (keyword == "XML:com.adobe.xmp" || keyword == "Raw profile type xmp") return "XMP";
    if (keyword == "Raw profile type exif" || keyword == "Raw profile type APP1") return "EXIF";
    if (keyword == "Raw profile type iptc") return "IPTC";
    return {};
}

// Where a text chunk's text starts and whether it is compressed; nullopt when malformed.
std::optional<std::pair<std::size_t, bool>> textStart(const std::string& type,
                                                      const std::vector<std::uint8_t>& data,
                                                      std::size_t keywordEnd) {
    if (type == "tEXt") return std::pair{keywordEnd + 1, false};
    if (type == "zTXt") return std::pair{keywordEnd + 2, true};
    // iTXt: compression flag and method, then language tag and translated keyword.
    std::size_t at = keywordEnd + 3;
    for (int field = 0; field < 2; ++field) {
        const auto nul = std::find(
            data.begin() + static_cast<std::ptrdiff_t>(std::min(at, data.size())), data.end(), 0);
        if (nul == data.end()) return std::nullopt;
        at = static_cast<std::size_t>(nul - data.begin()) + 1;
    }
    return std::pair{at, keywordEnd + 1 < data.size() && data[keywordEnd + 1] != 0};
}

void noteOnce(std::vector<std::string>& dropped, const std::string& what) {
    if (std::find(dropped.begin(), dropped.end(), what) == dropped.end()) dropped.push_back(what);
}

}  // namespace

std::string oversizeNote(std::string_view part) {
    return std::string(part) + " larger than " + std::to_string(kMaxMetadataBytes >> 20) + " MB";
}

vips::VSource pngDecoderSource(const SourceFile& file) {
    return viewSource(file.descriptor(), decoderRanges(file));
}

std::vector<std::uint8_t> pngMetadataCopy(const SourceFile& file,
                                          std::vector<std::string>& dropped) {
    ChunkWalker walker(file);
    std::vector<std::uint8_t> copy = file.readAt(0, kSignatureSize);
    const auto append = [&](const Chunk& chunk) {
        const auto bytes =
            file.readAt(chunk.offset, static_cast<std::size_t>(chunk.end() - chunk.offset));
        copy.insert(copy.end(), bytes.begin(), bytes.end());
    };
    std::int64_t at = kSignatureSize;
    while (const auto chunk = walker.at(at)) {
        at = chunk->end();
        if (chunk->type == "IHDR") {
            append(*chunk);
        } else if (chunk->type == "eXIf") {
            if (chunk->length > kMaxMetadataBytes) {
                noteOnce(dropped, oversizeNote("EXIF"));
            } else {
                append(*chunk);
            }
        } else if (isText(chunk->type)) {
            const auto head =
                file.readAt(chunk->offset + 8, std::min<std::size_t>(chunk->length, 80));
            const auto nul = std::find(head.begin(), head.end(), 0);
            if (nul == head.end()) continue;
            const auto kind =
                metadataKind(std::string_view(reinterpret_cast<const char*>(head.data()),
                                              static_cast<std::size_t>(nul - head.begin())));
            if (kind.empty()) continue;  // plain text: never kept
            if (chunk->length > kMaxMetadataBytes) {
                noteOnce(dropped, oversizeNote(kind));
                continue;
            }
            const auto data = file.readAt(chunk->offset + 8, chunk->length);
            const auto start =
                textStart(chunk->type, data, static_cast<std::size_t>(nul - head.begin()));
            if (!start || start->first > data.size()) continue;
            const Inflated inflated =
                start->second ? inflatedSize(data.data() + start->first, data.size() - start->first,
                                             kMaxMetadataBytes)
                              : Inflated::Fits;
            if (inflated == Inflated::TooLarge) noteOnce(dropped, oversizeNote(kind));
            if (inflated != Inflated::Fits) continue;
            append(*chunk);
        } else if (chunk->type == "IEND") {
            break;
        }
    }
    const auto end = pngChunk("IEND", {});
    copy.insert(copy.end(), end.begin(), end.end());
    return copy;
}

}  // namespace varnholt
