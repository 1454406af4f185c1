// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>

// Small helpers shared by the benchmark drivers: a monotonic stopwatch and the memory figures of
// a process from /proc.
namespace bench {

inline double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// CPU time (user and system) this process has used so far, all threads together.
inline double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) { return double(time.tv_sec) * 1000.0 + double(time.tv_usec) / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// One "Name:   123 kB" line of a /proc file, in kB; -1 when absent.
inline long procFieldKb(const std::string& path, const char* field) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return -1;
    char line[256];
    long value = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            value = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(file);
    return value;
}

// A field of /proc/<pid>/status ("VmRSS", "VmHWM", "RssAnon", ...).
inline long statusKb(const std::string& pid, const char* field) {
    return procFieldKb("/proc/" + pid + "/status", field);
}

// A field of /proc/<pid>/smaps_rollup ("Pss", ...): shared pages counted by their share.
inline long rollupKb(const std::string& pid, const char* field) {
    return procFieldKb("/proc/" + pid + "/smaps_rollup", field);
}

inline long ownStatusKb(const char* field) {
    return statusKb("self", field);
}

} // namespace bench
