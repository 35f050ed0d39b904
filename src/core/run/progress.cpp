#include "core/run/progress.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace morvane {

namespace {

bool productFits(std::uint64_t a, std::uint64_t b) {
    return a == 0 || b <= std::numeric_limits<std::uint64_t>::max() / a;
}

} // namespace

ProgressSchedule::ProgressSchedule(std::uint64_t pairs, std::uint64_t files)
    : pairs_(pairs), files_(files), combinations_(0), step_(1), exact_(productFits(pairs, files)) {
    if (exact_) {
        combinations_ = pairs * files;
        step_ = std::max<std::uint64_t>(combinations_ / 100, 1);
    }
}

std::optional<int> ProgressSchedule::before(std::uint64_t pair, std::uint64_t file) const {
    if (pair >= pairs_ || file >= files_) {
        return std::nullopt;
    }
    const double fraction = static_cast<double>(pair + 1) * static_cast<double>(file + 1) * 100.0 /
                            (static_cast<double>(pairs_) * static_cast<double>(files_));
    if (!exact_) {
        // Beyond 2^64 combinations the products cannot be formed; drawing once per file keeps the bar moving.
        return pair + 1 == pairs_ ? std::optional<int>(roundPercent(fraction)) : std::nullopt;
    }
    // (pair + 1) * (file + 1) <= pairs * files, which fits.
    const std::uint64_t reached = (pair + 1) * (file + 1);
    if (reached % step_ != 0) {
        return std::nullopt;
    }
    return roundPercent(fraction);
}

std::vector<int> ProgressSchedule::drawsOfFile(std::uint64_t file) const {
    std::vector<int> draws;
    if (file >= files_ || pairs_ == 0) {
        return draws;
    }
    // With g = gcd(step, file + 1), (pair + 1)(file + 1) is a multiple of the step exactly where pair + 1 is
    // one of step / g.
    const std::uint64_t every = exact_ ? step_ / std::gcd(step_, file + 1) : pairs_;
    for (std::uint64_t k = 1; k <= pairs_ / every; ++k) {
        draws.push_back(*before(k * every - 1, file));
    }
    return draws;
}

int roundPercent(double fraction) {
    if (std::isnan(fraction)) {
        return 0;
    }
    const double clamped = std::clamp(fraction, 0.0, 100.0);
    const double tenths = std::nearbyint(clamped * 10.0) / 10.0;
    return static_cast<int>(std::nearbyint(tenths));
}

} // namespace morvane
