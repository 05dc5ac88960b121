// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "settings/ResizeSettings.h"

namespace varnholt {

// The panel set to one size mode: lock (free pixels, aspect kept), free (aspect not kept), pct,
// w, h, box or none; a and b are that mode's width and height entries. The other modes' entries
// hold 7, which changes the result of any rule that reads them.
inline ResizeSettings sizeSettings(const std::string& mode, const std::string& a,
                                   const std::string& b, bool larger = false,
                                   bool noEnlarge = false) {
    ResizeSettings s;
    const bool pixels = mode == "lock" || mode == "free";
    s.freeResize = pixels || mode == "pct";
    s.freePixels = pixels;
    s.freePercents = mode == "pct";
    s.keepAspect = mode != "free";
    s.fixedWidth = mode == "w";
    s.fixedHeight = mode == "h";
    s.fixedWidthAndHeight = mode == "box";
    s.widthIsLargestDimension = larger;
    s.doNotEnlarge = noEnlarge;
    const std::string seven(1, '7');  // copied from a string: GCC 12 misreads literals here
    const auto entries = [&](bool chosen, std::string& width, std::string& height) {
        width = chosen ? a : seven;
        height = chosen ? b : seven;
    };
    entries(pixels, s.pixelWidthText, s.pixelHeightText);
    entries(mode == "pct", s.percentWidthText, s.percentHeightText);
    entries(s.fixedWidth || s.fixedHeight, s.fixedWidthText, s.fixedHeightText);
    entries(s.fixedWidthAndHeight, s.boxWidthText, s.boxHeightText);
    return s;
}

}  // namespace varnholt
