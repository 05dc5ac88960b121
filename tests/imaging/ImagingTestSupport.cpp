// SPDX-License-Identifier: GPL-3.0-or-later
#include "ImagingTestSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace varnholt::testing {
namespace {

namespace fs = std::filesystem;

// libvips and exiv2 are set up once, as main() does, with a temporary directory of their
// own: no test may leave anything in it (outputs are encoded in memory).
class ImagingEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("TMPDIR", watched_.path().c_str(), 1);
        runtime_ = std::make_unique<ImageTools::Runtime>("imaging_tests");
        ASSERT_TRUE(fs::exists(testdata("INDEX.tsv")))
            << "the test images are missing from " << VARNHOLT_TESTDATA;
    }
    void TearDown() override {
        EXPECT_TRUE(fs::is_empty(watched_.path())) << "files left in the temporary directory";
    }
    // The runtime is never shut down: libvips cannot start again in the same process.

private:
    TempFolder watched_;  // made before TMPDIR points into it
    std::unique_ptr<ImageTools::Runtime> runtime_;
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ImagingEnvironment);

// loadImage turns the picture upright by its orientation code, as a viewer does.
std::optional<Image> loadScaled(const std::string& path, std::int64_t width, std::int64_t height) {
    const auto loaded = ImageTools::loadImage(path);
    return loaded ? ImageTools::scaledTo(*loaded, width, height) : std::nullopt;
}

}  // namespace

std::string testdata(const std::string& relative) {
    return std::string(VARNHOLT_TESTDATA) + "/" + relative;
}

std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (const std::size_t got = fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, got);
        pclose(pipe);
    }
    return output;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }  // no quotes in ours

std::map<std::string, Tags> exiftoolTagsOfFiles(const std::vector<std::string>& paths,
                                                const std::string& options) {
    std::string command = "exiftool -n -s -a " + options;
    for (const auto& path : paths) command.append(" ").append(quoted(path));
    std::stringstream lines(run(command + " 2>/dev/null"));
    std::map<std::string, Tags> files;
    std::string current = paths.size() == 1 ? paths.front() : "";
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(" : ");
        if (line.rfind("======== ", 0) == 0) {
            current = line.substr(9);
        } else if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            files[current].emplace(name.erase(name.find_last_not_of(' ') + 1),
                                   line.substr(colon + 3));
        }
    }
    return files;
}

std::optional<std::string> tagValue(const Tags& tags, const std::string& name) {
    const auto it = tags.find(name);
    return it == tags.end() ? std::nullopt : std::optional(it->second);
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary) << std::string(bytes.begin(), bytes.end());
}

const std::vector<std::map<std::string, std::string>>& indexRows() {
    static const auto rows = [] {
        std::vector<std::map<std::string, std::string>> out;
        std::ifstream in(testdata("INDEX.tsv"));
        std::string header, line, cell;
        std::getline(in, header);
        while (std::getline(in, line)) {
            std::stringstream names(header), cells(line);
            auto& row = out.emplace_back();
            for (std::string name; std::getline(names, name, '\t');) {
                if (!std::getline(cells, cell, '\t')) cell.clear();
                row[name] = cell;
            }
        }
        return out;
    }();
    return rows;
}

Image scaledImage(const std::string& path, std::int64_t width, std::int64_t height) {
    const auto scaled = loadScaled(path, width, height);
    if (!scaled) throw std::runtime_error("cannot load and scale " + path);
    return *scaled;
}

SaveResult saveResized(const std::string& source, const std::string& output, OutputFormat format,
                       int width, int height, bool keep, std::int64_t dpi, double quality) {
    const auto opened = ImageTools::openImage(source);
    if (const auto* failure = std::get_if<ImageFailure>(&opened)) return {false, *failure, {}};
    const Image& loaded = std::get<Image>(opened);
    const auto meta = keep ? std::optional(ImageTools::readSourceMetadata(loaded)) : std::nullopt;
    const auto scaled =
        ImageTools::scaledTo(ImageTools::normalizeToPixelSize(loaded, source), width, height);
    if (!scaled) return {false, {FailureKind::CannotResize, {}}, {}};
    Image image = ImageTools::stampDPI(*scaled, dpi);
    if (keep) image = ImageTools::mergeOutputDPI(image, *meta, dpi);
    const auto result = ImageTools::saveImage(image, output, format, quality);
    if (result.ok && keep) ImageTools::copyMetadataAndDate(output, *meta);
    return result;
}

std::optional<RgbaPixels> displayedPixels(const std::string& path, int width, int height) {
    const auto scaled = loadScaled(path, width, height);
    return scaled ? ImageTools::rasterizeImage(*scaled) : std::nullopt;
}

double meanDifference(const RgbaPixels& a, const RgbaPixels& b) {
    if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) return 255;
    double sum = 0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        if (i % 4 != 3) sum += std::abs(int{a.rgba[i]} - int{b.rgba[i]});
    }
    return a.rgba.empty() ? 0 : sum / (static_cast<double>(a.rgba.size()) * 0.75);
}

}  // namespace varnholt::testing
