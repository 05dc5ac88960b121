#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/ImageTools.h"

namespace varnholt {

// Replaces path with bytes as a whole or not at all: a temporary file in the same folder,
// written, synced and given the usual permissions, is renamed onto path. A symbolic link at
// path is replaced, not followed. Nothing is left behind on failure.
SaveResult writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// The process's file mode creation mask, read once on the main thread at set-up (umask()
// cannot be read without changing it, which is not thread-safe).
void captureFileModeMask();

}  // namespace varnholt
