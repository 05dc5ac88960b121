// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/DescriptorSource.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace varnholt {
namespace {

void applyPatches(const BytePatches& patches, std::uint8_t* bytes, std::int64_t size,
                  std::int64_t offset) {
    for (const BytePatch& patch : patches) {
        const auto patchSize = static_cast<std::int64_t>(patch.bytes.size());
        const std::int64_t from = std::max(patch.offset, offset);
        const std::int64_t to = std::min(patch.offset + patchSize, offset + size);
        for (std::int64_t at = from; at < to; ++at) {
            bytes[at - offset] = patch.bytes[static_cast<std::size_t>(at - patch.offset)];
        }
    }
}

// Reads up to size bytes at offset; fewer only at the end of the file; -1 on an error.
std::int64_t readFully(int fd, void* into, std::int64_t size, std::int64_t offset,
                       const BytePatches& patches) {
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t got = pread(fd, static_cast<char*>(into) + done,
                                  static_cast<std::size_t>(size - done), offset + done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && done == 0) return -1;
        if (got <= 0) break;
        done += got;
    }
    applyPatches(patches, static_cast<std::uint8_t*>(into), done, offset);
    return done;
}

std::int64_t fileSize(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
}

// Owns a duplicate of the descriptor (read with pread only, so its offset does not matter).
struct Position {
    int fd = -1;
    std::int64_t at = 0;
    BytePatches patches;
    ~Position() {
        if (fd >= 0) ::close(fd);
    }
};

gint64 readSource(VipsSourceCustom*, void* buffer, gint64 length, void* user) {
    auto* position = static_cast<Position*>(user);
    const std::int64_t got =
        readFully(position->fd, buffer, length, position->at, position->patches);
    if (got > 0) position->at += got;
    return got;
}

gint64 seekSource(VipsSourceCustom*, gint64 offset, int whence, void* user) {
    auto* position = static_cast<Position*>(user);
    const std::int64_t base = whence == SEEK_SET   ? 0
                              : whence == SEEK_CUR ? position->at
                                                   : fileSize(position->fd);
    if (offset > INT64_MAX - base || base + offset < 0) return -1;
    position->at = base + offset;
    return position->at;
}

// exiv2's reading side over pread; it never writes through this.
class DescriptorIo : public Exiv2::BasicIo {
public:
    DescriptorIo(int fd, BytePatches patches)
        : fd_(fd), size_(fileSize(fd)), patches_(std::move(patches)) {}
    ~DescriptorIo() override {
        unmap();
        ::close(fd_);
    }

    int open() override {
        at_ = 0;
        eof_ = false;
        return 0;
    }
    int close() override { return munmap(); }
    int munmap() override {
        unmap();
        return 0;
    }
    long write(const Exiv2::byte*, long) override { return 0; }
    long write(Exiv2::BasicIo&) override { return 0; }
    int putb(Exiv2::byte) override { return EOF; }
    Exiv2::DataBuf read(long count) override {
        Exiv2::DataBuf buffer(std::max(count, 0L));
        const long got = read(buffer.pData_, buffer.size_);
        buffer.size_ = std::max(got, 0L);
        return buffer;
    }
    long read(Exiv2::byte* into, long count) override {
        if (count <= 0) return 0;
        const std::int64_t got = readFully(fd_, into, count, at_, patches_);
        if (got < 0) {
            error_ = errno;
            return 0;
        }
        at_ += got;
        eof_ = got < count;
        return static_cast<long>(got);
    }
    int getb() override {
        Exiv2::byte b = 0;
        return read(&b, 1) == 1 ? b : EOF;
    }
    void transfer(Exiv2::BasicIo&) override {
        throw Exiv2::Error(Exiv2::kerErrorMessage, "read only");
    }
    int seek(long offset, Position from) override {
        const std::int64_t base = from == beg ? 0 : from == cur ? at_ : size_;
        if (offset > INT64_MAX - base || base + offset < 0) return 1;
        at_ = base + offset;
        eof_ = false;
        return 0;
    }
    // Some readers (TIFF) parse the whole file in memory; the mapping is of the same
    // descriptor, so no second open.
    Exiv2::byte* mmap(bool writeable) override {
        if (writeable || size_ <= 0) throw Exiv2::Error(Exiv2::kerCallFailed, "mmap");
        if (!mapped_) {
            // Private and writable, so the patches go into this process's copy of their pages.
            void* at = ::mmap(nullptr, static_cast<std::size_t>(size_), PROT_READ | PROT_WRITE,
                              MAP_PRIVATE, fd_, 0);
            if (at == MAP_FAILED) throw Exiv2::Error(Exiv2::kerCallFailed, "mmap");
            mapped_ = static_cast<Exiv2::byte*>(at);
            applyPatches(patches_, mapped_, size_, 0);
        }
        return mapped_;
    }
    void unmap() {
        if (mapped_) ::munmap(mapped_, static_cast<std::size_t>(size_));
        mapped_ = nullptr;
    }
    long tell() const override { return static_cast<long>(at_); }
    size_t size() const override { return static_cast<size_t>(size_); }
    bool isopen() const override { return true; }
    int error() const override { return error_; }
    bool eof() const override { return eof_ || at_ >= size_; }
    std::string path() const override { return "source"; }
#ifdef EXV_UNICODE_PATH
    std::wstring wpath() const override { return L"source"; }
#endif

private:
    int fd_;
    std::int64_t size_;
    std::int64_t at_ = 0;
    bool eof_ = false;
    int error_ = 0;
    Exiv2::byte* mapped_ = nullptr;
    BytePatches patches_;
};

int duplicate(int descriptor) {
    const int fd = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) throw vips::VError("cannot read the file");
    return fd;
}

}  // namespace

vips::VSource descriptorSource(int descriptor, BytePatches patches) {
    auto position = std::make_unique<Position>();
    position->fd = duplicate(descriptor);
    position->patches = std::move(patches);
    return customSource(std::move(position), readSource, seekSource);
}

Exiv2::BasicIo::AutoPtr descriptorIo(int descriptor, BytePatches patches) {
    const int fd = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) throw Exiv2::Error(Exiv2::kerCallFailed, "dup");
    return Exiv2::BasicIo::AutoPtr(new DescriptorIo(fd, std::move(patches)));
}

}  // namespace varnholt
