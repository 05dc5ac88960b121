// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FileList.h"

#include <cstdio>
#include <filesystem>

#include "batch/FolderExpansion.h"
#include "batch/ImageList.h"
#include "cli/TerminalText.h"

namespace varnholt {
namespace {

void ignore(FileList& list, const std::string& file, const char* why) {
    std::fprintf(stderr, "%s: %s, ignored\n", terminalText(file).c_str(), why);
    list.anyIgnored = true;
}

const char* refusalText(ListRefusal refusal) {
    switch (refusal) {
        case ListRefusal::NotAccepted:
            return "not an accepted image file";
        case ListRefusal::InvalidName:
            return "not a valid file name";
        case ListRefusal::NotRegularFile:
            return "not a regular file";
        case ListRefusal::Missing:
            return "file not found";
        case ListRefusal::Listed:
            break;
    }
    return "listed already";
}

}  // namespace

std::string listPath(const std::string& file) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(file, error);
    if (error) return file;
    // "link/.." is not the folder holding "link" when link is a symbolic link: a folder
    // with ".." is resolved the way the system resolves it, the rest only tidied.
    for (const auto& part : absolute) {
        if (part != "..") continue;
        const auto folder = std::filesystem::weakly_canonical(absolute.parent_path(), error);
        return error ? absolute.string() : (folder / absolute.filename()).string();
    }
    return absolute.lexically_normal().string();
}

FileList buildList(const std::vector<std::string>& files, HeifCodecs heif) {
    FileList list;
    ImageList images(heif);
    for (const auto& given : files) {
        FolderWalk walk = walkFolders({given}, heif);
        for (const auto& [folder, reason] : walk.unreadable) {
            std::fprintf(stderr, "%s: cannot read the folder: %s\n", terminalText(folder).c_str(),
                         terminalText(reason).c_str());
            list.anyIgnored = true;
        }
        if (walk.paths.empty() && walk.unreadable.empty())
            ignore(list, given, "a folder without accepted images");
        // Listed by their absolute paths, named as found.
        const std::vector<std::string> found = walk.paths;
        for (std::string& path : walk.paths) path = listPath(path);
        for (const auto& refused : images.append(std::move(walk)))
            ignore(list, found[refused.index], refusalText(refused.why));
    }
    list.paths = images.paths();
    list.subFolders = images.subFolders();
    return list;
}

}  // namespace varnholt
