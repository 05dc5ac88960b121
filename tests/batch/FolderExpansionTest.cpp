// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FolderExpansion.h"

#include <unistd.h>

#include <clocale>

#include "BatchTestSupport.h"

namespace varnholt {
namespace {

// Each row's names are written in reverse and must come back in order, under the row's locale.
TEST(FolderExpansion, FoldersSortAsTheDesktopDoesUnderTheLocale) {
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"C.UTF-8", {"B.jpg", "a.jpg", "x99999999999999999999.jpg", "x100000000000000000000.jpg"}},
        {"de_DE.UTF-8", {"a.jpg", "B.jpg", "img2.jpg", "img10.jpg", "IMG11.jpg"}},
        {"de_DE.UTF-8", {"Apfel.jpg", "\u00e4pfel.jpg", "\u00c4pfel.jpg", "Birne.jpg"}},
        {"C.UTF-8", {"a/z.jpg", "a b/a.jpg", "b.jpg", "p/2/x.jpg", "p/10/a.jpg"}},
        {"C.UTF-8", {"bad\xff.jpg", "bad\xfe\xff.jpg", "c.jpg"}},  // not UTF-8: still ordered
    };
    const std::string before = std::setlocale(LC_ALL, nullptr);
    for (const auto& [locale, names] : rows) {
        SCOPED_TRACE(names.front());
        ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr) << "the test locale is missing";
        TempFolder root;
        std::vector<std::string> expected;
        for (auto name = names.rbegin(); name != names.rend(); ++name) {
            std::filesystem::create_directories(
                (root / *name).substr(0, (root / *name).rfind('/')));
            expected.insert(expected.begin(), root.write(*name, "x"));
        }
        EXPECT_EQ(expandFolders({root.path()}, false), expected);
    }
    std::setlocale(LC_ALL, before.c_str());
}

TEST(FolderExpansion, AFolderGivesItsVisibleAcceptedImagesInNaturalOrder) {
    TempFolder root;
    namespace fs = std::filesystem;
    for (const char* folder : {"tree/sub/deeper", "tree/.cache", "tree/folder.jpg"}) {
        fs::create_directories(root / folder);
    }
    for (const char* file :
         {"tree/img10.jpg", "tree/img2.jpg", "tree/notes.txt", "tree/.hidden.jpg",
          "tree/.cache/thumb.jpg", "tree/sub/a.JPG", "tree/sub/deeper/b.tif", "tree/photo.heic",
          "tree/folder.jpg/c.png", "loose.png"}) {
        root.write(file, "x");
    }
    ASSERT_EQ(symlink((root / "tree").c_str(), (root / "tree/sub/loop").c_str()), 0);
    ASSERT_EQ(symlink((root / "tree/sub/a.JPG").c_str(), (root / "tree/sub/alias.jpg").c_str()), 0);
    ASSERT_EQ(symlink((root / "tree").c_str(), (root / "linked").c_str()), 0);

    const std::string t = root / "tree/";
    const std::vector<std::string> expected = {
        root / "loose.png", t + "folder.jpg/c.png", t + "img2.jpg",         t + "img10.jpg",
        t + "sub/a.JPG",    t + "sub/alias.jpg",    t + "sub/deeper/b.tif", root / "missing.gif"};
    EXPECT_EQ(expandFolders({root / "loose.png", root / "tree", root / "missing.gif"}, false),
              expected);

    // HEIF only where it can be read; a folder named by a link to it is entered.
    const auto withHeif = expandFolders({root / "linked"}, true);
    EXPECT_EQ(withHeif.size(), 7u);
    EXPECT_EQ(withHeif.at(3), root / "linked/photo.heic");

    const std::atomic<bool> abandoned{true};
    EXPECT_TRUE(expandFolders({root / "tree"}, true, &abandoned).empty());
}

// Each image goes to the folder it was found in below the folder walked (a link to a folder is
// not entered), or all to the output folder; the name (case included) and the clashes are
// judged on the whole output path.
TEST(FolderExpansion, KeptSubFoldersLeadTheOutputPaths) {
    TempFolder root;
    for (const char* file :
         {"tree/2023/img_1.jpg", "tree/2024/img_1.jpg", "tree/2024/june/img_1.jpg",
          "tree/2024/.hidden/img_1.jpg", "tree/top.jpg", "loose/img_1.jpg", "out/2024/IMG_1.jpg"}) {
        std::filesystem::create_directories(std::filesystem::path(root / file).parent_path());
        root.write(file, "x");
    }
    ASSERT_EQ(symlink((root / "tree/2023").c_str(), (root / "tree/2024/link").c_str()), 0);
    const FolderWalk walk = walkFolders({root / "tree", root / "loose/img_1.jpg"}, false);
    ResizeSettings settings = namedBySource(root / "out");
    settings.nameCase = 1;  // upper
    const std::pair<bool, std::vector<std::string>> rows[] = {
        {true,
         {"2023/IMG_1.jpg", "2024/IMG_1.jpg exists", "2024/june/IMG_1.jpg", "TOP.jpg",
          "IMG_1.jpg"}},
        {false,
         {"IMG_1.jpg", "IMG_1.jpg clash with image 1", "IMG_1.jpg clash with image 1", "TOP.jpg",
          "IMG_1.jpg clash with image 1"}},
    };
    for (const auto& [keep, expected] : rows) {
        settings.keepSubFolders = keep;
        std::vector<std::string> planned;
        for (const auto& image : planBatch(walk.paths, settings, 1, walk.subFolders).images) {
            const std::string conflict = outputConflict(image);
            planned.push_back(image.outputPath.substr(settings.outputFolder.size() + 1) +
                              (conflict.empty() ? "" : " " + conflict));
        }
        EXPECT_EQ(planned, expected);
    }
}

}  // namespace
}  // namespace varnholt
