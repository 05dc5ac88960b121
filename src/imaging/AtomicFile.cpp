// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

#include "settings/AsciiCase.h"
#include "settings/Translation.h"

namespace varnholt {
namespace {

std::atomic<mode_t> fileModeMask{022};

// Room for ".", the marker, the host, the process id, the suffix and the name within 255 bytes.
constexpr std::size_t kLongestNamePart = 200;
constexpr std::string_view kMarker = ".vht-";
constexpr std::size_t kHostMarkerLength = 16;
constexpr std::size_t kSuffixLength = 6;

thread_local std::shared_ptr<WriteGate> currentGate;

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
    std::string suffix(kSuffixLength, 'x');
    for (char& c : suffix) c = kLetters[pick(generator)];
    return suffix;
}

// FNV-1a: the same on every run and build, unlike std::hash.
std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

// A process id means something only within one boot of one kernel, and containers on one
// kernel count their processes apart: the boot id and the host name together say where a
// process id lives.
std::string computeHostMarker() {
    std::string bootId;
    std::getline(std::ifstream("/proc/sys/kernel/random/boot_id"), bootId);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const std::uint64_t hash = fnv1a(bootId + '\n' + host);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string marker(kHostMarkerLength, '0');
    for (std::size_t i = 0; i < marker.size(); ++i) marker[i] = kHex[(hash >> (60 - 4 * i)) & 15];
    return marker;
}

// A fresh hidden name beside path that says which process on which host made it.
std::string siblingName(const std::string& folder, const std::string& name) {
    return folder + (folder == "/" ? "" : "/") + "." + name.substr(0, kLongestNamePart) +
           std::string(kMarker) + hostMarker() + "-" + std::to_string(::getpid()) + "-" +
           randomSuffix();
}

// A file cannot be made in a folder that is not there.
ImageFailure createFailure(int error) {
    ImageFailure failure = writeFailure(error);
    if (error == ENOENT || error == ENOTDIR) failure.kind = FailureKind::OutputFolderMissing;
    return failure;
}

ImageFailure stoppedFailure() { return {FailureKind::CannotWrite, _("the batch was stopped")}; }

}  // namespace

const std::string& hostMarker() {
    static const std::string marker = computeHostMarker();
    return marker;
}

std::optional<pid_t> temporaryMaker(std::string_view name, std::string_view host) {
    // ".<name>.vht-<host>-<pid>-<suffix>"
    if (name.size() < 2 || name[0] != '.' || host.empty()) return std::nullopt;
    const auto marker = name.rfind(kMarker);
    if (marker == std::string_view::npos) return std::nullopt;
    std::string_view rest = name.substr(marker + kMarker.size());
    if (!rest.starts_with(host) || rest.size() <= host.size() || rest[host.size()] != '-')
        return std::nullopt;
    rest.remove_prefix(host.size() + 1);
    const auto dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || rest.size() - dash - 1 != kSuffixLength)
        return std::nullopt;
    pid_t pid = 0;
    for (const char c : rest.substr(0, dash)) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || pid > 99'999'999) return std::nullopt;
        pid = pid * 10 + (c - '0');
    }
    if (pid <= 0) return std::nullopt;
    return pid;
}

std::unique_lock<std::mutex> AtomicFile::lockGate(WriteGate* gate) {
    return gate ? std::unique_lock(gate->mutex_) : std::unique_lock<std::mutex>();
}

void WriteGate::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (const auto& named : named_) ::unlink(named.c_str());
    named_.clear();
}

WriteGateScope::WriteGateScope(std::shared_ptr<WriteGate> gate) { currentGate = std::move(gate); }

WriteGateScope::~WriteGateScope() { currentGate.reset(); }

ImageFailure writeFailure(int error) {
    return {FailureKind::CannotWrite, asciiLowercase(std::strerror(error))};
}

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
    std::shared_ptr<WriteGate> gate = currentGate;
    // Held until the hidden name is listed with the gate, so that closing it cannot miss one.
    const auto lock = lockGate(gate.get());
    if (gate && gate->closed_) {
        failure = stoppedFailure();
        return std::nullopt;
    }
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return AtomicFile(fd, path, std::move(folder), {}, std::move(gate));
    // Not every file system has unnamed files: a hidden sibling instead.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        failure = createFailure(errno);
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string named = siblingName(folder, name);
        fd = ::open(named.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            if (gate) gate->named_.insert(named);
            return AtomicFile(fd, path, std::move(folder), std::move(named), std::move(gate));
        }
        if (errno != EEXIST) break;
    }
    failure = createFailure(errno);
    return std::nullopt;
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (named_.empty()) return;
    const auto lock = lockGate(gate_.get());
    // A closed gate has removed the name already.
    if (!gate_ || gate_->named_.erase(named_) > 0) ::unlink(named_.c_str());
}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : fd_(other.fd_),
      path_(std::move(other.path_)),
      folder_(std::move(other.folder_)),
      named_(std::move(other.named_)),
      gate_(std::move(other.gate_)) {
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
    const auto fail = [](const ImageFailure& failure) { return SaveResult{false, failure, {}}; };
    if (::fsync(fd_) != 0) return fail(writeFailure(errno));
    // A replaced file keeps its permissions (a private file stays private); a new one gets
    // what the user's umask allows.
    struct stat existing {};
    const bool replacing = ::lstat(path_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    const mode_t mode = replacing ? (existing.st_mode & 07777) : (0666 & ~fileModeMask.load());
    if (::fchmod(fd_, mode) != 0) return fail(writeFailure(errno));
    // Naming and renaming happen under the gate, so a closed gate has no commit in progress
    // and none to come.
    const auto lock = lockGate(gate_.get());
    if (gate_ && gate_->closed_) return fail(stoppedFailure());
    if (named_.empty()) {
        // The unnamed file gets a hidden name only for the moment before the rename.
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        const std::string name = path_.substr(path_.find_last_of('/') + 1);
        for (int attempt = 0; named_.empty() && attempt < 100; ++attempt) {
            std::string candidate = siblingName(folder_, name);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) ==
                0) {
                named_ = std::move(candidate);
                if (gate_) gate_->named_.insert(named_);
            } else if (errno != EEXIST) {
                return fail(writeFailure(errno));
            }
        }
        if (named_.empty()) return fail(writeFailure(EEXIST));
    }
    if (::close(fd_) != 0) {
        fd_ = -1;
        return fail(writeFailure(errno));
    }
    fd_ = -1;
    if (::rename(named_.c_str(), path_.c_str()) != 0) return fail(writeFailure(errno));
    if (gate_) gate_->named_.erase(named_);
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
        const auto maker = temporaryMaker(entry->d_name, hostMarker());
        // Only the leftovers of this host's processes that are gone: a running batch's file
        // is its own, and another host's process ids mean nothing here.
        if (!maker || *maker == ::getpid()) continue;
        if (::kill(*maker, 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace varnholt
