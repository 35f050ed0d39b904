#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace morvane::bench {

inline double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median, not the mean: one run slowed by another process on the machine should not move the figure.
inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

inline double medianSeconds(int repeats, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        times.push_back(secondsOf(work));
    }
    return median(times);
}

} // namespace morvane::bench
