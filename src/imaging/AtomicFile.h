// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "imaging/ImageTools.h"

namespace varnholt {

// A new file for path, invisible until commit() puts it there in one rename. Where the file
// system allows, it has no name at all until then (O_TMPFILE), so a killed process leaves
// nothing behind; elsewhere it is a hidden sibling whose name carries this process's id, which
// removeLeftovers() of a later batch deletes once that process is gone. A symbolic link at path
// is replaced, not followed. Destroying an uncommitted file removes it.
class AtomicFile {
public:
    static std::optional<AtomicFile> create(const std::string& path, ImageFailure& failure);
    ~AtomicFile();
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&&) = delete;
    AtomicFile(const AtomicFile&) = delete;

    // Open for reading and writing, so the result can be read back before it replaces path.
    int descriptor() const { return fd_; }
    bool write(std::span<const std::uint8_t> bytes, ImageFailure& failure);
    // Empties the file for another attempt.
    bool reset();
    // Syncs, gives the permissions a replaced file had (or the umask's) and renames.
    SaveResult commit();

private:
    AtomicFile(int fd, std::string path, std::string folder, std::string named)
        : fd_(fd), path_(std::move(path)), folder_(std::move(folder)), named_(std::move(named)) {}

    int fd_ = -1;
    std::string path_;
    std::string folder_;
    std::string named_;  // the hidden sibling's path; empty for an unnamed file
};

// Replaces path with bytes as a whole or not at all.
SaveResult writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Removes the hidden siblings in folder that processes no longer running left behind.
void removeLeftovers(const std::string& folder);

// The process's file mode creation mask, read once on the main thread at set-up (umask()
// cannot be read without changing it, which is not thread-safe).
void captureFileModeMask();

// "cannot write: <the system's text in lower case>".
ImageFailure writeFailure(int error);

}  // namespace varnholt
