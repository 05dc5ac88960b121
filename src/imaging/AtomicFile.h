// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "imaging/ImageTools.h"

namespace varnholt {

// Lets a batch disown the writes of work it gave up on. The files a thread creates inside a
// WriteGateScope belong to its gate; once the gate is closed none of them is committed, no new
// one is created, and the hidden siblings of those still open are gone, even while their
// writers are stuck.
class WriteGate {
public:
    // Returns once no commit under the gate is in progress; none starts afterwards.
    void close();

private:
    friend class AtomicFile;
    std::mutex mutex_;
    bool closed_ = false;
    std::set<std::string> named_;  // the hidden siblings of its open files
};

// The files this thread creates belong to gate while the scope lasts.
class WriteGateScope {
public:
    explicit WriteGateScope(std::shared_ptr<WriteGate> gate);
    ~WriteGateScope();
    WriteGateScope(const WriteGateScope&) = delete;
    WriteGateScope& operator=(const WriteGateScope&) = delete;
};

// A new file for path, invisible until commit() puts it there in one rename. Where the file
// system allows, it has no name at all until then (O_TMPFILE), so a killed process leaves
// nothing behind; elsewhere it is a hidden sibling whose name carries this host and this
// process's id, which removeLeftovers() of a later batch on this host deletes once that
// process is gone. A symbolic link at path is replaced, not followed. Destroying an
// uncommitted file removes it.
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
    AtomicFile(int fd, std::string path, std::string folder, std::string named,
               std::shared_ptr<WriteGate> gate)
        : fd_(fd),
          path_(std::move(path)),
          folder_(std::move(folder)),
          named_(std::move(named)),
          gate_(std::move(gate)) {}
    static std::unique_lock<std::mutex> lockGate(WriteGate* gate);

    int fd_ = -1;
    std::string path_;
    std::string folder_;
    std::string named_;  // the hidden sibling's path; empty for an unnamed file
    std::shared_ptr<WriteGate> gate_;
};

// Replaces path with bytes as a whole or not at all.
SaveResult writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Removes the hidden siblings in folder that processes of this host no longer running left
// behind; those of other hosts, and names of another form, stay.
void removeLeftovers(const std::string& folder);

// This host in a hidden sibling's name: 16 hex digits from the boot id and the host name.
const std::string& hostMarker();

// The id of the process that made the hidden sibling called name on host; nothing for any
// other name.
std::optional<pid_t> temporaryMaker(std::string_view name, std::string_view host);

// The process's file mode creation mask, read once on the main thread at set-up (umask()
// cannot be read without changing it, which is not thread-safe).
void captureFileModeMask();

// "cannot write: <the system's text in lower case>".
ImageFailure writeFailure(int error);

}  // namespace varnholt
