// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the image layer by hand (never run by ctest):
//   imaging_bench formats PHOTO [REPEATS]   time per output format, PHOTO to 1920 px wide
//   imaging_bench memory PHOTO [SAVES]      resident memory over a loop of saves
//   imaging_bench parallel PHOTO [IMAGES]   one image at a time against two side by side
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "imaging/ImageTools.h"

namespace {

using varnholt::ImageTools;
using varnholt::OutputFormat;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kWidth = 1920;

long residentKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::string(field).size(), nullptr, 10);
    }
    return -1;
}

bool resizeAndSave(const std::string& photo, const std::string& output, OutputFormat format) {
    const auto loaded = ImageTools::loadImage(photo);
    if (!loaded) return false;
    const auto height = static_cast<std::int64_t>(
        std::llround(static_cast<double>(kWidth) * loaded->height() / loaded->width()));
    const auto scaled = ImageTools::scaledTo(*loaded, kWidth, height);
    if (!scaled) return false;
    return ImageTools::saveImage(ImageTools::stampDPI(*scaled, 72), output, format, 0.8).ok;
}

std::string scratchPath(const std::string& name) {
    const char* folder = std::getenv("BENCH_OUTPUT");
    return std::string(folder ? folder : ".") + "/" + name;
}

int formats(const std::string& photo, int repeats) {
    const std::pair<OutputFormat, const char*> rows[] = {
        {OutputFormat::JPG, "jpg"},  {OutputFormat::JP2, "jp2"}, {OutputFormat::PNG, "png"},
        {OutputFormat::TIFF, "tif"}, {OutputFormat::GIF, "gif"}, {OutputFormat::BMP, "bmp"},
        {OutputFormat::HEIC, "heic"}};
    std::printf("%-6s %10s %10s\n", "format", "median ms", "bytes");
    for (const auto& [format, extension] : rows) {
        const std::string output = scratchPath(std::string("bench.") + extension);
        std::vector<double> times;
        for (int i = 0; i < repeats; ++i) {
            const auto start = Clock::now();
            if (!resizeAndSave(photo, output, format)) {
                std::printf("%-6s failed\n", extension);
                return 1;
            }
            times.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        std::sort(times.begin(), times.end());
        std::ifstream written(output, std::ios::binary | std::ios::ate);
        std::printf("%-6s %10.1f %10lld\n", extension, times[times.size() / 2],
                    static_cast<long long>(written.tellg()));
        std::remove(output.c_str());
    }
    return 0;
}

int memory(const std::string& photo, int saves) {
    const std::string output = scratchPath("bench-memory.jpg");
    std::printf("%6s %10s %10s\n", "saves", "RSS kB", "peak kB");
    for (int i = 1; i <= saves; ++i) {
        if (!resizeAndSave(photo, output, OutputFormat::JPG)) return 1;
        if (i == 1 || i % 20 == 0) {
            std::printf("%6d %10ld %10ld\n", i, residentKilobytes("VmRSS:"),
                        residentKilobytes("VmHWM:"));
        }
    }
    std::remove(output.c_str());
    return 0;
}

int parallel(const std::string& photo, int images) {
    const auto run = [&](int workers) {
        const auto start = Clock::now();
        std::vector<std::thread> pool;
        for (int w = 0; w < workers; ++w) {
            pool.emplace_back([&, w] {
                for (int i = w; i < images; i += workers) {
                    resizeAndSave(photo, scratchPath("bench-par" + std::to_string(w) + ".jpg"),
                                  OutputFormat::JPG);
                }
            });
        }
        for (auto& t : pool) t.join();
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / images;
    };
    std::printf("one at a time: %.1f ms/image\n", run(1));
    std::printf("two side by side: %.1f ms/image\n", run(2));
    for (int w = 0; w < 2; ++w)
        std::remove(scratchPath("bench-par" + std::to_string(w) + ".jpg").c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s formats|memory|parallel PHOTO [COUNT]\n", argv[0]);
        return 2;
    }
    const ImageTools::Runtime runtime(argv[0]);
    const std::string mode = argv[1];
    const std::string photo = argv[2];
    const int count = argc > 3 ? std::atoi(argv[3]) : 0;
    if (mode == "formats") return formats(photo, count > 0 ? count : 3);
    if (mode == "memory") return memory(photo, count > 0 ? count : 200);
    if (mode == "parallel") return parallel(photo, count > 0 ? count : 20);
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}
