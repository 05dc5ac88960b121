#include "imaging/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace varnholt {
namespace {

std::atomic<mode_t> fileModeMask{022};

// Room for ".", the suffix and the name within the 255-byte limit of a file name.
constexpr std::size_t kLongestNamePart = 200;

std::string reasonFor(std::string_view step, int error) {
    std::string text = std::strerror(error);
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::string(step) + ": " + text;
}

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

}  // namespace

void captureFileModeMask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    fileModeMask = mask;
}

SaveResult writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    const auto slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return {false, reasonFor("write failed", EISDIR)};

    std::string temporary =
        folder + (folder == "/" ? "" : "/") + "." + name.substr(0, kLongestNamePart) + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return {false, reasonFor("write failed", errno)};

    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return SaveResult{false, reasonFor("write failed", error)};
    };
    if (!writeAll(fd, bytes)) return fail(errno);
    if (::fsync(fd) != 0) return fail(errno);
    // A replaced file keeps its permissions (a private file stays private); a new one gets
    // what the user's umask allows.
    struct stat existing {};
    const bool replacing = ::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    const mode_t mode = replacing ? (existing.st_mode & 07777) : (0666 & ~fileModeMask.load());
    if (::fchmod(fd, mode) != 0) return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return {false, reasonFor("write failed", error)};
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return {false, reasonFor("write failed", error)};
    }
    // Makes the rename itself durable; the data is already on disk, so this is best effort.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return {true, {}};
}

}  // namespace varnholt
