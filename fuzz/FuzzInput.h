// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the fuzz targets share: the libraries set up once, and the input as a real file.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/ImageTools.h"

namespace varnholt::fuzz {

// libvips and exiv2 as the programs set them up, on one thread so that runs repeat exactly.
inline void startLibraries() {
    static const bool started = [] {
        static ImageTools::Runtime runtime("fuzz");
        return true;
    }();
    (void)started;
}

// The input as a file that lives in memory only; fd is -1 when the system refuses one.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : fd_(memfd_create("fuzz-input", MFD_CLOEXEC)) {
        for (std::size_t done = 0; fd_ >= 0 && done < size;) {
            const ssize_t wrote = write(fd_, data + done, size - done);
            if (wrote <= 0) {
                ::close(fd_);
                fd_ = -1;
            } else {
                done += static_cast<std::size_t>(wrote);
            }
        }
    }
    ~MemoryFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    int descriptor() const { return fd_; }
    // A path that opens this same file, for the functions that take a path.
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_ = -1;
};

}  // namespace varnholt::fuzz
