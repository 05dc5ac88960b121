// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace varnholt {

// What a full read of a JPEG's compressed data finds.
enum class JpegDamage {
    None,
    StrayBytesOnly,  // bytes before a marker that readers skip without loss
    Damaged,         // missing or corrupt data: the picture would come out wrong
};

// Reads the JPEG open at descriptor from its start (through a descriptor of its own, at
// 1/8 scale: every coefficient is still decoded) and sorts its decoder's complaints.
JpegDamage checkJpegData(int descriptor);

}  // namespace varnholt
