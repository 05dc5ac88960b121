#include "batch/PathIdentity.h"

#include <gtest/gtest.h>

#include "TempFolder.h"

namespace varnholt {
namespace {

TEST(PathIdentity, SpellingsOfOneEntry) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "real");
    std::filesystem::create_directory_symlink(dir / "real", dir / "link");
    dir.write("real/file.jpg", "x");
    std::filesystem::create_symlink(dir / "real/file.jpg", dir / "real/alias.jpg");
    struct Row {
        std::string a;
        std::string b;
        bool same;
    };
    const Row rows[] = {
        {dir / "real/a.jpg", dir / "real/a.jpg", true},
        {dir / "real/a.jpg", dir / "real//a.jpg", true},
        {dir / "real/a.jpg", dir / "real/./a.jpg", true},
        {dir / "real/a.jpg", dir / "link/../real/a.jpg", true},
        {dir / "real/a.jpg", dir / "link/a.jpg", true},
        {dir / "real/a.jpg", dir / "real/A.jpg", false},
        {dir / "real/a.jpg", dir / "real/a.jpg/", false},
        // A write replaces a link instead of following it: the link is an entry of its own.
        {dir / "real/file.jpg", dir / "real/alias.jpg", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.a + " vs " + row.b);
        EXPECT_EQ(sameEntry(pathIdentity(row.a), pathIdentity(row.b)), row.same);
    }
}

TEST(PathIdentity, RelativePathsAreMadeAbsolute) {
    const auto identity = pathIdentity("some/where/../x.png");
    EXPECT_EQ(identity.lexical, (std::filesystem::current_path() / "some/x.png").string());
}

}  // namespace
}  // namespace varnholt
