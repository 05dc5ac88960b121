// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FileList.h"

#include <cstdio>
#include <filesystem>

#include "batch/FolderExpansion.h"
#include "batch/ImageList.h"
#include "cli/TerminalText.h"
#include "settings/Translation.h"

namespace varnholt {
namespace {

void ignore(FileList& list, const std::string& file, const char* why) {
    // TRANSLATORS: %1 is a file or folder given, %2 why it is left out: "listed already".
    std::fprintf(stderr, "%s\n", fillIn(_("%1: %2, ignored"), {terminalText(file), why}).c_str());
    list.anyIgnored = true;
}

const char* refusalText(ListRefusal refusal) {
    switch (refusal) {
        case ListRefusal::NotAccepted:
            return _("not an accepted image file");
        case ListRefusal::InvalidName:
            return _("not a valid file name");
        case ListRefusal::NotRegularFile:
            return _("not a regular file");
        case ListRefusal::Missing:
            return _("file not found");
        case ListRefusal::Listed:
            break;
    }
    return _("listed already");
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
            std::fprintf(stderr, "%s\n",
                         fillIn(_("%1: cannot read the folder: %2"),
                                {terminalText(folder), terminalText(reason)})
                             .c_str());
            list.anyIgnored = true;
        }
        if (walk.paths.empty() && walk.unreadable.empty())
            ignore(list, given, _("a folder without accepted images"));
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
