#include "ImagingTestSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace varnholt::testing {
namespace {

namespace fs = std::filesystem;

// Where the tests make their folders: the temporary directory the program started with.
const fs::path kScratchBase = fs::temp_directory_path();

std::string makeFolder(const fs::path& base, const char* prefix) {
    std::string pattern = (base / (std::string(prefix) + "-XXXXXX")).string();
    return mkdtemp(pattern.data());
}

// libvips and exiv2 are set up once for the whole test program, as main() does. The
// libraries get a temporary directory of their own, which must stay empty.
class ImagingEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        watched_ = makeFolder(kScratchBase, "varnholt-tmpdir");
        setenv("TMPDIR", watched_.c_str(), 1);
        runtime_ = std::make_unique<ImageTools::Runtime>("imaging_tests");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(watched_, ignored);
    }
    // The runtime is never shut down: libvips cannot start again in the same process.

private:
    std::string watched_;
    std::unique_ptr<ImageTools::Runtime> runtime_;
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ImagingEnvironment);

}  // namespace

std::string testdata(const std::string& relative) {
    return std::string(VARNHOLT_TESTDATA) + "/" + relative;
}

TempFolder::TempFolder() : path_(makeFolder(kScratchBase, "varnholt-imaging")) {}

std::vector<std::string> temporaryDirectoryEntries() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(getenv("TMPDIR"))) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

std::optional<std::string> run(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string output;
    std::array<char, 4096> buffer{};
    while (const std::size_t got = fread(buffer.data(), 1, buffer.size(), pipe)) {
        output.append(buffer.data(), got);
    }
    pclose(pipe);
    return output;
}

std::string quoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

std::map<std::string, std::map<std::string, std::string>> exiftoolTagsOfFiles(
    const std::vector<std::string>& paths, const std::string& options) {
    std::map<std::string, std::map<std::string, std::string>> files;
    if (paths.empty()) return files;
    std::string command = "exiftool -n -s -a " + options;
    for (const auto& path : paths) command += " " + quoted(path);
    const auto output = run(command + " 2>/dev/null");
    if (!output) return files;
    std::stringstream lines(*output);
    std::string line;
    std::string current = paths.size() == 1 ? paths.front() : "";
    while (std::getline(lines, line)) {
        if (line.rfind("======== ", 0) == 0) {
            current = line.substr(9);
            continue;
        }
        const auto colon = line.find(" : ");
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        files[current].emplace(name, line.substr(colon + 3));
    }
    return files;
}

std::map<std::string, std::string> exiftoolTags(const std::string& path,
                                                const std::string& options) {
    return exiftoolTagsOfFiles({path}, options)[path];
}

std::optional<std::string> tagValue(const std::map<std::string, std::string>& tags,
                                    const std::string& name) {
    const auto it = tags.find(name);
    if (it == tags.end()) return std::nullopt;
    return it->second;
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void copyFile(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

const std::vector<IndexRow>& indexRows() {
    static const std::vector<IndexRow> rows = [] {
        std::vector<IndexRow> out;
        std::ifstream in(testdata("INDEX.tsv"));
        std::string line;
        std::vector<std::string> names;
        while (std::getline(in, line)) {
            std::vector<std::string> cells;
            std::stringstream cellStream(line);
            std::string cell;
            while (std::getline(cellStream, cell, '\t')) cells.push_back(cell);
            if (names.empty()) {
                names = cells;
                continue;
            }
            IndexRow row;
            for (std::size_t i = 0; i < names.size(); ++i) {
                row[names[i]] = i < cells.size() ? cells[i] : "";
            }
            out.push_back(std::move(row));
        }
        return out;
    }();
    return rows;
}

Image scaledImage(const std::string& path, std::int64_t width, std::int64_t height) {
    const auto loaded = ImageTools::loadImage(path);
    if (!loaded) throw std::runtime_error("cannot load " + path);
    const auto scaled = ImageTools::drawScaled(*loaded, width, height);
    if (!scaled) throw std::runtime_error("cannot scale " + path);
    return *scaled;
}

std::optional<RgbaPixels> displayedPixels(const std::string& path, int width, int height) {
    // loadImage turns the picture upright by its orientation code, as a viewer does.
    const auto loaded = ImageTools::loadImage(path);
    if (!loaded) return std::nullopt;
    const auto scaled = ImageTools::drawScaled(*loaded, width, height);
    if (!scaled) return std::nullopt;
    return ImageTools::rasterizeImage(*scaled);
}

double meanDifference(const RgbaPixels& a, const RgbaPixels& b) {
    if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) return 255;
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        if (i % 4 == 3) continue;
        sum += std::abs(int{a.rgba[i]} - int{b.rgba[i]});
        ++count;
    }
    return count ? sum / static_cast<double>(count) : 0;
}

}  // namespace varnholt::testing
