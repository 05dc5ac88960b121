// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FolderExpansion.h"

#include <unistd.h>

#include "BatchTestSupport.h"

namespace varnholt {
namespace {

TEST(FolderExpansion, NaturalOrderComparesNumbersByValueComponentByComponent) {
    const std::pair<const char*, const char*> ordered[] = {
        {"img2.jpg", "img10.jpg"},
        {"img007.jpg", "img8.jpg"},
        {"a01", "a1"},  // equal by value: the bytes decide
        {"IMG1.jpg", "img1.jpg"},
        {"x99999999999999999999999999.jpg", "x100000000000000000000000000.jpg"},
        {"a/z.jpg", "a b/a.jpg"},  // the folder "a" before "a b", whatever lies inside
        {"p/2/x.jpg", "p/10/a.jpg"},
        {"short", "short/longer"},
    };
    for (const auto& [first, second] : ordered) {
        EXPECT_TRUE(naturalPathLess(first, second)) << first << " < " << second;
        EXPECT_FALSE(naturalPathLess(second, first)) << second << " < " << first;
    }
    EXPECT_FALSE(naturalPathLess("same.jpg", "same.jpg"));
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

}  // namespace
}  // namespace varnholt
