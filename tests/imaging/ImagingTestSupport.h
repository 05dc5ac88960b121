#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "imaging/ImageTools.h"

namespace varnholt::testing {

std::string testdata(const std::string& relative);

// A fresh folder under the build's temporary area, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    std::vector<std::string> entries() const;  // names, hidden ones included

private:
    std::string path_;
};

// What the imaging libraries' temporary directory (TMPDIR, set for this program) holds.
std::vector<std::string> temporaryDirectoryEntries();

// Standard output of a command (run by the shell); nullopt when it cannot be started.
std::optional<std::string> run(const std::string& command);
std::string quoted(const std::string& path);

// exiftool's tags of a file printed as numbers (-n), by tag name; the first of several tags
// with the same name wins. Empty when exiftool cannot read the file.
std::map<std::string, std::string> exiftoolTags(const std::string& path,
                                                const std::string& options = "");
// The same for many files in one run of exiftool (it takes a while to start), by path.
std::map<std::string, std::map<std::string, std::string>> exiftoolTagsOfFiles(
    const std::vector<std::string>& paths, const std::string& options = "");
std::optional<std::string> tagValue(const std::map<std::string, std::string>& tags,
                                    const std::string& name);

std::vector<std::uint8_t> fileBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void copyFile(const std::string& from, const std::string& to);

// The rows of the test corpus's INDEX.tsv, by column name.
using IndexRow = std::map<std::string, std::string>;
const std::vector<IndexRow>& indexRows();

// Loads and scales a file to width x height, failing the test when that is impossible.
Image scaledImage(const std::string& path, std::int64_t width, std::int64_t height);

// Decodes a written file as a viewer shows it (orientation applied), scaled to width x
// height, as RGBA.
std::optional<RgbaPixels> displayedPixels(const std::string& path, int width, int height);

// Mean absolute difference over the RGB channels, 0..255.
double meanDifference(const RgbaPixels& a, const RgbaPixels& b);

}  // namespace varnholt::testing
