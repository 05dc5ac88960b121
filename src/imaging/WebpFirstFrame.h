// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace varnholt {

class SourceFile;

// libvips walks every frame of an animated WebP to read its header, once per frame number: a
// file of 100,000 tiny frames takes minutes. Only the first frame is ever used, so the
// decoder gets an animation of that frame alone (on its canvas, with the colour profile),
// cut out by libwebp's demuxer. nullopt for a still picture or an animation of one frame;
// an empty vector when the file cannot be demuxed.
std::optional<std::vector<std::uint8_t>> webpFirstFrameOnly(const SourceFile& file);

}  // namespace varnholt
