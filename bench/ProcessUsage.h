// What the probes measure of their own process: CPU time of all its threads and resident memory.
#pragma once

#include <fstream>

#include <sys/resource.h>
#include <unistd.h>

namespace process_usage
{

// User and system time of the whole process, in seconds.
inline double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Resident memory in kB (the second figure of /proc/self/statm, in pages).
inline long long ResidentKb()
{
    std::ifstream statm("/proc/self/statm");
    long long nPages = 0;
    long long nResident = 0;
    statm >> nPages >> nResident;
    return nResident * (::sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace process_usage
