// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "batch/FolderExpansion.h"
#include "settings/FormatTable.h"

namespace varnholt {

// Why the list did not take a path.
enum class ListRefusal {
    NotAccepted,     // the extension is not one of the accepted types
    InvalidName,     // empty or not UTF-8: it could not be shown or named faithfully
    NotRegularFile,  // a folder, a device, a FIFO named x.jpg (which would block every reader)
    Missing,         // nothing by that name
    Listed,          // the same file is listed already, by this spelling or another
};

// The images of a batch, in order, each with the folder it was found in. Every front end
// admits paths through screen() and insert() alone, so one set of rules decides what is
// listed; a file is listed once however its path is spelled (its folder's links resolved).
class ImageList {
    struct Entry {
        std::string path;
        std::string subFolder;
        std::string identity;
    };

public:
    // A path refused by screen(), by its position among the screened paths.
    struct Refused {
        std::size_t index = 0;
        ListRefusal why = ListRefusal::NotAccepted;
        bool operator==(const Refused&) const = default;
    };

    // The paths of one admission that passed the rules, ready to go in together.
    class Admission {
    public:
        std::size_t size() const { return entries_.size(); }
        const std::vector<Refused>& refused() const { return refused_; }

    private:
        friend class ImageList;
        std::vector<Entry> entries_;
        std::vector<Refused> refused_;
    };

    explicit ImageList(HeifCodecs heifAvailable);

    // Checks each of the walk's paths, in order: an accepted extension, a valid name, a
    // regular file that exists, and a file neither listed nor admitted earlier in the walk.
    Admission screen(FolderWalk walk) const;
    // Puts what screen() admitted in at row (the end when past it), in order. The list must
    // not change between the two.
    void insert(Admission admission, std::size_t row);
    // screen() then insert() at the end; returns the refused.
    std::vector<Refused> append(FolderWalk walk);

    // Removes the rows given in ascending order, in one pass however scattered they are.
    void removeRows(const std::vector<std::size_t>& rows);
    void clear();

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const std::string& path(std::size_t row) const { return entries_[row].path; }
    std::vector<std::string> paths() const;
    // Beside each path, its folder relative to the folder walked to find it ("2024/june");
    // empty for a path given by itself and for a walked folder's top level.
    std::vector<std::string> subFolders() const;

private:
    HeifCodecs heifAvailable_;
    std::vector<Entry> entries_;
    std::unordered_set<std::string> identities_;
};

}  // namespace varnholt
