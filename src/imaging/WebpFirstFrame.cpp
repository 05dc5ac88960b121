// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/WebpFirstFrame.h"

#include <sys/stat.h>
#include <webp/demux.h>

#include <memory>
#include <string_view>

#include "imaging/MemoryLeft.h"
#include "imaging/SourceFile.h"

namespace varnholt {
namespace {

constexpr std::uint8_t kAnimationFlag = 0x02;

void put24(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 3; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putChunk(std::vector<std::uint8_t>& out, std::string_view type,
              const std::vector<std::uint8_t>& payload) {
    out.insert(out.end(), type.begin(), type.end());
    put32(out, static_cast<std::uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    if (payload.size() % 2) out.push_back(0);
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};

}  // namespace

std::optional<std::vector<std::uint8_t>> webpFirstFrameOnly(const SourceFile& file) {
    // VP8X at 12 with the animation flag at 20; anything else is a still picture.
    const auto head = file.readAt(0, 21);
    if (head.size() < 21 ||
        std::string_view(reinterpret_cast<const char*>(&head[12]), 4) != "VP8X" ||
        !(head[20] & kAnimationFlag))
        return std::nullopt;
    struct stat info {};
    if (fstat(file.descriptor(), &info) != 0 || info.st_size > memoryLeft() / 2) {
        return std::vector<std::uint8_t>();
    }
    const auto bytes = file.readAt(0, static_cast<std::size_t>(info.st_size));
    const WebPData data{bytes.data(), bytes.size()};
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&data));
    if (!demux) return std::vector<std::uint8_t>();
    if (WebPDemuxGetI(demux.get(), WEBP_FF_FRAME_COUNT) <= 1) return std::nullopt;

    WebPIterator frame{};
    if (!WebPDemuxGetFrame(demux.get(), 1, &frame)) return std::vector<std::uint8_t>();
    const std::uint32_t width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    const std::uint32_t height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    const std::uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
    WebPChunkIterator profile{};
    const bool hasProfile =
        (flags & ICCP_FLAG) && WebPDemuxGetChunk(demux.get(), "ICCP", 1, &profile);

    std::vector<std::uint8_t> body{'W', 'E', 'B', 'P'};
    std::vector<std::uint8_t> header{static_cast<std::uint8_t>(
        kAnimationFlag | (flags & ALPHA_FLAG) | (hasProfile ? ICCP_FLAG : 0))};
    header.resize(4, 0);
    put24(header, width - 1);
    put24(header, height - 1);
    putChunk(body, "VP8X", header);
    if (hasProfile) {
        putChunk(body, "ICCP",
                 std::vector<std::uint8_t>(profile.chunk.bytes,
                                           profile.chunk.bytes + profile.chunk.size));
        WebPDemuxReleaseChunkIterator(&profile);
    }
    std::vector<std::uint8_t> animation;
    put32(animation, 0);     // background colour
    animation.push_back(0);  // loop count, 16 bits
    animation.push_back(0);
    putChunk(body, "ANIM", animation);
    // The frame's offsets are stored halved; its bitstream is its ALPH, VP8 or VP8L chunks.
    std::vector<std::uint8_t> anmf;
    put24(anmf, static_cast<std::uint32_t>(frame.x_offset / 2));
    put24(anmf, static_cast<std::uint32_t>(frame.y_offset / 2));
    put24(anmf, static_cast<std::uint32_t>(frame.width - 1));
    put24(anmf, static_cast<std::uint32_t>(frame.height - 1));
    put24(anmf, static_cast<std::uint32_t>(frame.duration));
    anmf.push_back(
        static_cast<std::uint8_t>((frame.blend_method == WEBP_MUX_NO_BLEND ? 2 : 0) |
                                  (frame.dispose_method == WEBP_MUX_DISPOSE_BACKGROUND)));
    anmf.insert(anmf.end(), frame.fragment.bytes, frame.fragment.bytes + frame.fragment.size);
    WebPDemuxReleaseIterator(&frame);
    putChunk(body, "ANMF", anmf);

    std::vector<std::uint8_t> out{'R', 'I', 'F', 'F'};
    put32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace varnholt
