#pragma once

#include <vips/vips8>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "imaging/ImageTools.h"
#include "imaging/SourceFile.h"

namespace varnholt {

// A turn or mirror of the square's symmetry group: mirror left-right first (when flip),
// then rotate clockwise by quarter * 90 degrees.
struct Layout {
    bool flip = false;
    int quarter = 0;
    friend bool operator==(const Layout&, const Layout&) = default;
};

Layout layoutOf(OrientationTurn turn);
// first, then second.
Layout compose(Layout first, Layout second);
// The orientation code whose display transform undoes layout (1 for the identity).
std::int64_t orientationCodeUndoing(Layout layout);
// The layout that brings an upright picture into the stored layout of code 1..8.
Layout storedLayoutOf(std::int64_t code);

struct ImageData {
    std::string path;
    SourceFormat format = SourceFormat::Jpeg;
    int uprightWidth = 0;  // before the layout is applied
    int uprightHeight = 0;
    bool scaled = false;  // the upright size comes from drawScaled, not from the file
    Layout layout;        // applied to the upright picture
    std::int64_t dpi = 72;
    std::shared_ptr<const SourceMetadataData> metadata;  // null: the source's is not kept
};

// The recipe's pixels in 8-bit sRGB (alpha kept where the source has it), lazily: nothing
// is decoded until the result is written or copied to memory. Throws vips::VError. failOn
// decides which damage in the source fails the decode.
vips::VImage buildPixels(const ImageData& data, VipsFailOn failOn);

// libvips reports errors through a global buffer; clear it after every caught failure.
void clearVipsError();

}  // namespace varnholt
