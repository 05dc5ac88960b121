// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/FileDates.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>

namespace varnholt {
namespace {

bool earlier(const FileTime& a, const FileTime& b) {
    return a.seconds < b.seconds || (a.seconds == b.seconds && a.nanoseconds < b.nanoseconds);
}

}  // namespace

FileTime currentFileTime() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now - seconds);
    return {seconds.count(), nanoseconds.count()};
}

namespace {

std::optional<FileTime> creationDate(int folder, const char* path, int flags) {
    struct statx info {};
    if (statx(folder, path, flags, STATX_BTIME | STATX_MTIME, &info) != 0) return std::nullopt;
    if (!(info.stx_mask & STATX_MTIME)) return std::nullopt;
    FileTime date{info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec};
    // Linux cannot set a birth time, so an earlier modification time is the better answer
    // for a file that was copied (born later than it was last changed).
    if (info.stx_mask & STATX_BTIME) {
        const FileTime birth{info.stx_btime.tv_sec, info.stx_btime.tv_nsec};
        if (earlier(birth, date)) date = birth;
    }
    return date;
}

}  // namespace

std::optional<FileTime> ImageTools::readCreationDate(const std::string& path) {
    return creationDate(AT_FDCWD, path.c_str(), 0);
}

std::optional<FileTime> creationDateOf(int descriptor) {
    return creationDate(descriptor, "", AT_EMPTY_PATH);
}

bool ImageTools::copyMetadataAndDate(const std::string& outputPath, const SourceMetadata& meta) {
    const FileTime date = meta.creationDate();
    const struct timespec times[2] = {{date.seconds, date.nanoseconds},
                                      {date.seconds, date.nanoseconds}};
    if (utimensat(AT_FDCWD, outputPath.c_str(), times, 0) != 0) {
        std::fputs("ERROR\n", stdout);
        std::fflush(stdout);
        return false;
    }
    return true;
}

}  // namespace varnholt
