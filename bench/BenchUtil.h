#pragma once

// Small helpers shared by the benchmarks: medians and process figures from /proc.

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <string>
#include <vector>

inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline void Report(const char* name, double value, const char* unit) {
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

inline int CountEntries(const char* dir) {
    int n = 0;
    if (DIR* d = opendir(dir)) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                ++n;
        closedir(d);
    }
    return n;
}

// A field of /proc/<pid>/status, e.g. "VmRSS" (kB) or "voluntary_ctxt_switches".
inline long StatusField(const std::string& statusPath, const std::string& field) {
    std::ifstream in(statusPath);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return -1;
}

inline double RssMiB() {
    return StatusField("/proc/self/status", "VmRSS") / 1024.0;
}
