// SPDX-License-Identifier: GPL-3.0-or-later
// How the command line's list building grows with the number of paths: N existing files
// given twice each (the second time under another spelling), so that every duplicate check
// runs. Run by hand (not a test):
//   cmake --build build --target cli-list-bench && build/bench/batch/cli-list-bench
// Linear building keeps the time per path flat as N grows.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/FileList.h"

int main() {
    char pattern[] = "/tmp/varnholt-cli-list-bench-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    // The refusals of duplicates go to standard error: not part of the measurement.
    if (!std::freopen("/dev/null", "w", stderr)) return 1;
    std::printf("%8s %10s %12s\n", "paths", "ms", "us per path");
    for (const int count : {5000, 10000, 20000, 40000}) {
        std::vector<std::string> given;
        for (int i = 0; i < count; ++i) {
            const std::string path = folder + "/img" + std::to_string(i) + ".jpg";
            if (!std::filesystem::exists(path)) std::ofstream(path) << "x";
            given.push_back(path);
        }
        for (int i = 0; i < count; ++i) {
            given.push_back(folder + "/./img" + std::to_string(i) + ".jpg");
        }
        const auto start = std::chrono::steady_clock::now();
        const varnholt::FileList list = varnholt::buildList(given, false);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (list.paths.size() != static_cast<std::size_t>(count)) return 1;
        std::printf("%8zu %10.1f %12.2f\n", given.size(), took.count(),
                    took.count() * 1000 / static_cast<double>(given.size()));
    }
    std::filesystem::remove_all(folder);
}
