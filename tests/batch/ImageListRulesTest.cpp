#include "batch/ImageListRules.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/varnholt-list-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() { fs::remove_all(path_); }
    std::string file(const std::string& name) const {
        const std::string path = path_ + "/" + name;
        std::ofstream(path) << "x";
        return path;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST(ImageListRules, ExtensionsComparedInLowerCaseWithHeifOnlyWhenAvailable) {
    struct Row {
        const char* path;
        bool heif;
        bool accepted;
    };
    const Row rows[] = {
        {"/a/b.JPG", false, true},  {"/a/b.jpeg", false, true},     {"/a/b.Jpe", false, true},
        {"/a/b.jp2", false, true},  {"/a/b.JPX", false, true},      {"/a/b.png", false, true},
        {"/a/b.gif", false, true},  {"/a/b.TIF", false, true},      {"/a/b.tiff", false, true},
        {"/a/b.bmp", false, true},  {"/a/b.webp", false, false},    {"/a/b.heic", false, false},
        {"/a/b.HEIC", true, true},  {"/a/b.heif", true, true},      {"/a/jpg", false, false},
        {"/a.jpg/b", false, false}, {"/a/b.jpg.txt", false, false}, {"/a/b.", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(hasAcceptedExtension(row.path, row.heif), row.accepted);
    }
    EXPECT_EQ(acceptedExtensions(true).size(), 12u);
    EXPECT_EQ(acceptedExtensions(false).size(), 10u);
    EXPECT_EQ(openDialogExtensions(false)[6], "tiff");
    EXPECT_EQ(openDialogExtensions(true).back(), "heic");
}

TEST(ImageListRules, AppendKeepsOrderAndDropsDuplicatesAndUnlistablePaths) {
    TempFolder folder;
    const std::string a = folder.file("a.jpg");
    const std::string b = folder.file("B.PNG");
    const std::string fifo = folder.path() + "/pipe.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string dir = folder.path() + "/dir.jpg";
    fs::create_directory(dir);
    std::vector<std::string> list{b};
    const std::size_t added =
        appendAcceptedPaths(list,
                            {a, b, a, fifo, dir, folder.file("c.webp"), "",
                             std::string("/x/\xff.jpg"), folder.path() + "/missing.gif"},
                            false);
    EXPECT_EQ(added, 2u);
    EXPECT_EQ(list, (std::vector<std::string>{b, a, folder.path() + "/missing.gif"}));
}

}  // namespace
}  // namespace varnholt
