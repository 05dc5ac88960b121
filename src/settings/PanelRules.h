// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// The rules the settings panel keeps while the user edits it. Each returns the new text of
// the field it rewrites, or nothing when that field keeps its text: the rule does not apply,
// or the value cannot be written as a whole number (not finite, beyond 64 bits).

// What the aspect synchronisation of the pixel fields needs to know.
struct AspectLock {
    double imageWidth = 0;  // pixel size of the selected image; 0 x 0 without one
    double imageHeight = 0;
    bool keepAspect = false;
    bool widthIsLargestDimension = false;
};

// The pixel height field after the user finished editing the pixel width field.
std::optional<std::string> pixelHeightForWidth(const AspectLock& lock, std::string_view widthText);

// The pixel width field after the user finished editing the pixel height field.
std::optional<std::string> pixelWidthForHeight(const AspectLock& lock, std::string_view heightText);

// The other percent field after one was edited: the whole-number part of the edited one.
std::optional<std::string> percentForOther(bool keepAspect, std::string_view editedText);

// The percent height field when the aspect lock is switched on: the percent width's number,
// written in its shortest form (100, 50.5).
std::optional<std::string> percentHeightOnLock(bool keepAspectNow, std::string_view widthText);

// The six mode radios. The layout does not group them: selecting one turns the others of its
// set off. The pixels/percents pair keeps its state while a fixed mode is chosen.
enum class ModeRadio { FreeResize, FixedWidth, FixedHeight, FixedWidthAndHeight, Pixels, Percents };

struct ModeRadios {
    bool freeResize = true;
    bool fixedWidth = false;
    bool fixedHeight = false;
    bool fixedWidthAndHeight = false;
    bool pixels = true;
    bool percents = false;

    bool operator==(const ModeRadios&) const = default;
};

ModeRadios selectRadio(ModeRadios radios, ModeRadio chosen);

// The do-not-enlarge check box means nothing for percentages, which the display never clamps:
// it is disabled exactly while free resize in percentages is chosen.
bool doNotEnlargeEnabled(const ModeRadios& radios);

}  // namespace varnholt
