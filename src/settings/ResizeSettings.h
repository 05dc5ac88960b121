// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/FormatTable.h"

namespace varnholt {

enum class ResizeMode {
    FreePixels,
    FreePercents,
    FixedWidth,
    FixedHeight,
    FixedWidthAndHeight,
    None
};

enum class NameCase { Unchanged = 0, Upper = 1, Lower = 2 };

// The selected popup item, by its title: the popup's indices move with the HEIF condition.
struct FormatChoice {
    std::string title = "JPG";
};

inline constexpr std::string_view kDefaultNamePattern = "[FileName]_res ([FileIndex])";

// Every option of the settings panel, held as the controls show it: texts as typed,
// on/off states, the popup selections and the slider's value. The initial values are the
// panel's defaults, which a new session starts from.
struct ResizeSettings {
    bool freeResize = true;
    bool keepAspect = true;
    bool freePixels = true;
    std::string pixelWidthText = "0";
    std::string pixelHeightText = "0";
    bool freePercents = false;
    std::string percentWidthText = "100";
    std::string percentHeightText = "100";
    bool widthIsLargestDimension = false;
    bool fixedWidth = false;
    std::string fixedWidthText = "0";
    bool fixedHeight = false;
    std::string fixedHeightText = "0";
    bool fixedWidthAndHeight = false;
    std::string boxWidthText = "0";
    std::string boxHeightText = "0";
    bool doNotEnlarge = false;
    bool changeDPI = false;
    std::string dpiText;
    FormatChoice outputFormat;
    float quality = 80.0f;
    std::string namePattern = std::string(kDefaultNamePattern);
    int nameCase = 0;
    std::string outputFolder;
    // An image found in a sub-folder of a folder walked is written to the same sub-folder
    // of the output folder.
    bool keepSubFolders = false;
    bool keepExifInfoAndCreationDate = false;
};

ResizeMode resizeMode(const ResizeSettings& settings);

// The width and height entries of the chosen mode; an entry the mode lacks is empty.
struct SizeEntries {
    std::string width;
    std::string height;
};
SizeEntries sizeEntries(const ResizeSettings& settings);

// Every size entry of the chosen mode reads (leadingFloatValue) above 0.
bool sizeFieldsValid(const ResizeSettings& settings);

// The DPI to write when the override is in effect.
std::optional<std::int64_t> dpiOverride(const ResizeSettings& settings);

// The resolution every output states without the override, and that a file stating none has.
inline constexpr std::int64_t kDefaultDpi = 72;

// The largest DPI an override may ask for: every format with a resolution field can state it.
inline constexpr std::int64_t kMaxDpi = 1'000'000;
// False when the override is on and its entry is a whole number above kMaxDpi.
bool dpiFieldValid(const ResizeSettings& settings);

// The chosen format; nullopt when the title names no known item.
std::optional<OutputFormat> chosenFormat(const ResizeSettings& settings);

// The quality slider is meaningful for Original and the formats whose row says so.
bool formatUsesQuality(const FormatChoice& format);

// The text of the quality label for a slider value.
std::string qualityLabel(float quality);

NameCase nameCaseFromIndex(int index);

}  // namespace varnholt
