// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>

namespace varnholt {
namespace {

std::atomic<mode_t> fileModeMask{022};

// Room for ".", the marker, the process id, the suffix and the name within 255 bytes.
constexpr std::size_t kLongestNamePart = 200;
constexpr std::string_view kMarker = ".vht-";

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            if (wrote == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

std::string randomSuffix() {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string suffix(6, 'x');
    for (char& c : suffix) c = kLetters[pick(generator)];
    return suffix;
}

// A fresh hidden name beside path that says which process made it.
std::string siblingName(const std::string& folder, const std::string& name) {
    return folder + (folder == "/" ? "" : "/") + "." + name.substr(0, kLongestNamePart) +
           std::string(kMarker) + std::to_string(::getpid()) + "-" + randomSuffix();
}

// The process id in a sibling's name, or 0 when the name is not one of ours.
pid_t makerOf(std::string_view name) {
    if (name.size() < 2 || name[0] != '.') return 0;
    const auto marker = name.rfind(kMarker);
    if (marker == std::string_view::npos) return 0;
    const std::string_view rest = name.substr(marker + kMarker.size());
    const auto dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || rest.size() - dash - 1 != 6) return 0;
    pid_t pid = 0;
    for (const char c : rest.substr(0, dash)) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || pid > 99'999'999) return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

}  // namespace

ImageFailure writeFailure(int error) {
    std::string text = std::strerror(error);
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return {FailureKind::CannotWrite, text};
}

namespace {

// A file cannot be made in a folder that is not there.
ImageFailure createFailure(int error) {
    ImageFailure failure = writeFailure(error);
    if (error == ENOENT || error == ENOTDIR) failure.kind = FailureKind::OutputFolderMissing;
    return failure;
}

}  // namespace

void captureFileModeMask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    fileModeMask = mask;
}

std::optional<AtomicFile> AtomicFile::create(const std::string& path, ImageFailure& failure) {
    const auto slash = path.find_last_of('/');
    std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        failure = writeFailure(EISDIR);
        return std::nullopt;
    }
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return AtomicFile(fd, path, std::move(folder), {});
    // Not every file system has unnamed files: a hidden sibling instead.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        failure = createFailure(errno);
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string named = siblingName(folder, name);
        fd = ::open(named.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) return AtomicFile(fd, path, std::move(folder), std::move(named));
        if (errno != EEXIST) break;
    }
    failure = createFailure(errno);
    return std::nullopt;
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!named_.empty()) ::unlink(named_.c_str());
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : fd_(other.fd_),
      path_(std::move(other.path_)),
      folder_(std::move(other.folder_)),
      named_(std::move(other.named_)) {
    other.fd_ = -1;
    other.named_.clear();
}

bool AtomicFile::write(std::span<const std::uint8_t> bytes, ImageFailure& failure) {
    if (writeAll(fd_, bytes)) return true;
    failure = writeFailure(errno);
    return false;
}

bool AtomicFile::reset() { return ::ftruncate(fd_, 0) == 0 && ::lseek(fd_, 0, SEEK_SET) == 0; }

SaveResult AtomicFile::commit() {
    const auto fail = [](int error) { return SaveResult{false, writeFailure(error), {}}; };
    if (::fsync(fd_) != 0) return fail(errno);
    // A replaced file keeps its permissions (a private file stays private); a new one gets
    // what the user's umask allows.
    struct stat existing {};
    const bool replacing = ::lstat(path_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    const mode_t mode = replacing ? (existing.st_mode & 07777) : (0666 & ~fileModeMask.load());
    if (::fchmod(fd_, mode) != 0) return fail(errno);
    if (named_.empty()) {
        // The unnamed file gets a hidden name only for the moment before the rename.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        const std::string name = path_.substr(path_.find_last_of('/') + 1);
        for (int attempt = 0; named_.empty() && attempt < 100; ++attempt) {
            std::string candidate = siblingName(folder_, name);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) ==
                0) {
                named_ = std::move(candidate);
            } else if (errno != EEXIST) {
                return fail(errno);
            }
        }
        if (named_.empty()) return fail(EEXIST);
    }
    if (::close(fd_) != 0) {
        fd_ = -1;
        return fail(errno);
    }
    fd_ = -1;
    if (::rename(named_.c_str(), path_.c_str()) != 0) return fail(errno);
    named_.clear();
    // Makes the rename itself durable; the data is already on disk, so this is best effort.
    const int folderFd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return {true, {}, {}};
}

SaveResult writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    ImageFailure failure;
    auto file = AtomicFile::create(path, failure);
    if (!file || !file->write(bytes, failure)) return {false, failure, {}};
    return file->commit();
}

void removeLeftovers(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t maker = makerOf(entry->d_name);
        // Only the leftovers of processes that are gone: a running batch's file is its own.
        if (maker <= 0 || maker == ::getpid()) continue;
        if (::kill(maker, 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace varnholt
