// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vips/vips8>

#include <exiv2/exiv2.hpp>

namespace varnholt {

// A libvips source over a descriptor that reads with pread at a position of its own: several
// decodes of one open file, on any threads, never move each other's file offset (a duplicated
// descriptor would share it).
vips::VSource descriptorSource(int descriptor);

// The same for exiv2, which would otherwise open the file again by name.
Exiv2::BasicIo::AutoPtr descriptorIo(int descriptor);

}  // namespace varnholt
