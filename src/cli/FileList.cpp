// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FileList.h"

#include <cstdio>
#include <filesystem>

#include "batch/FolderExpansion.h"
#include "batch/ImageListRules.h"
#include "cli/TerminalText.h"
#include "settings/Translation.h"

namespace varnholt {
namespace {

void ignore(FileList& list, const std::string& file, const char* why) {
    // TRANSLATORS: %1 is a file or folder given, %2 why it is left out: "listed already".
    std::fprintf(stderr, "%s\n", fillIn(_("%1: %2, ignored"), {terminalText(file), why}).c_str());
    list.anyIgnored = true;
}

const char* refusalText(ImageListBuilder::Refusal refusal, const std::string& path) {
    switch (refusal) {
        case ImageListBuilder::Refusal::NotAccepted:
            return _("not an accepted image file");
        case ImageListBuilder::Refusal::Unlistable:
            return path.empty() || std::filesystem::exists(path) ? _("not a regular file")
                                                                 : _("not a valid file name");
        case ImageListBuilder::Refusal::Listed:
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
    ImageListBuilder builder(heif);
    for (const auto& given : files) {
        const FolderWalk walk = walkFolders({given}, heif);
        for (const auto& [folder, reason] : walk.unreadable) {
            std::fprintf(stderr, "%s\n",
                         fillIn(_("%1: cannot read the folder: %2"),
                                {terminalText(folder), terminalText(reason)})
                             .c_str());
            list.anyIgnored = true;
        }
        if (walk.paths.empty() && walk.unreadable.empty())
            ignore(list, given, _("a folder without accepted images"));
        for (std::size_t i = 0; i < walk.paths.size(); ++i) {
            const std::string& file = walk.paths[i];
            const std::string path = listPath(file);
            if (const auto refusal = builder.add(path))
                ignore(list, file, refusalText(*refusal, path));
            else
                list.subFolders.push_back(walk.subFolders[i]);
        }
    }
    list.paths = builder.take();
    return list;
}

}  // namespace varnholt
