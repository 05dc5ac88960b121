// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/MemoryLeft.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <fstream>
#include <string>

namespace varnholt {

std::int64_t memoryLeft() {
    std::int64_t left = INT64_MAX;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        std::ifstream status("/proc/self/statm");
        std::int64_t pages = 0;
        status >> pages;
        left = static_cast<std::int64_t>(limit.rlim_cur) - pages * sysconf(_SC_PAGESIZE);
    }
    std::ifstream info("/proc/meminfo");
    for (std::string line; std::getline(info, line);) {
        long long kib = 0;
        if (std::sscanf(line.c_str(), "MemAvailable: %lld kB", &kib) == 1) {
            left = std::min<std::int64_t>(left, kib * 1024);
            break;
        }
    }
    return left;
}

}  // namespace varnholt
