#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

// Small helpers the Qt benchmarks share: clocks, medians, the machine's load and a temporary
// folder that removes itself.
namespace benchutil {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

inline double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double maxOf(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

inline void require(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error("benchmark check failed: " + what);
}

// Other work on the machine skews every figure; the benchmarks print how busy it was.
// A figure of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when missing.
inline long statusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

// From here on the peak (VmHWM) counts from the memory in use now.
inline void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

inline std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string line;
    std::getline(in, line);
    return line;
}

class TempFolder {
public:
    explicit TempFolder(const char* prefix) {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (!::mkdtemp(tmpl.data()))
            throw std::runtime_error("cannot make a temporary folder");
        path_ = tmpl;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace benchutil
