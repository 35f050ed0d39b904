#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace morvane {

// Every occurrence of a find text, overlapping ones included, in time linear in the lengths of the text and
// the find text, whatever both hold, and with constant extra memory. The find text is split once at a
// critical position; its right part is compared left to right, its left part right to left, and after a
// match or a mismatch the shift uses the find text's period so that no byte is compared more than a few
// times (Crochemore and Perrin's two-way matching, the algorithm behind the C library's memmem).
class TwoWaySearch {
public:
    explicit TwoWaySearch(std::string_view find) : find_(find) {
        if (find_.empty()) {
            return;
        }
        split_ = criticalPosition(period_);
        periodic_ = std::memcmp(find_.data(), find_.data() + period_, split_) == 0;
        if (!periodic_) {
            // No two occurrences overlap by more than this, so this shift passes none.
            period_ = std::max(split_, find_.size() - split_) + 1;
        }
    }

    // Calls onHit(position) for each occurrence in ascending order.
    template <class OnHit> void forEach(std::string_view text, OnHit&& onHit) const {
        const std::size_t k = find_.size();
        if (k == 0 || k > text.size()) {
            return;
        }
        const auto* x = reinterpret_cast<const unsigned char*>(find_.data());
        const auto* t = reinterpret_cast<const unsigned char*>(text.data());
        // The leading bytes known to match at the current position from the previous one.
        std::size_t memory = 0;
        for (std::size_t at = 0; at <= text.size() - k;) {
            std::size_t i = std::max(split_, memory);
            while (i < k && x[i] == t[at + i]) {
                ++i;
            }
            if (i < k) {
                at += i - split_ + 1;
                memory = 0;
                continue;
            }
            std::size_t left = split_;
            while (left > memory && x[left - 1] == t[at + left - 1]) {
                --left;
            }
            if (left <= memory) {
                onHit(at);
            }
            at += period_;
            memory = periodic_ ? k - period_ : 0;
        }
    }

private:
    // The start of the right part, at the larger of the two maximal suffixes (one per byte order), and the
    // period of that suffix.
    std::size_t criticalPosition(std::size_t& period) const {
        const std::size_t k = find_.size();
        if (k < 3) {
            period = 1;
            return k - 1;
        }
        std::size_t forwardPeriod = 1;
        const std::size_t forward = maximalSuffix(false, forwardPeriod);
        std::size_t reversePeriod = 1;
        const std::size_t reverse = maximalSuffix(true, reversePeriod);
        if (reverse + 1 < forward + 1) {
            period = forwardPeriod;
            return forward + 1;
        }
        period = reversePeriod;
        return reverse + 1;
    }

    // The position before the maximal suffix in the byte order, or its reverse; wraps to SIZE_MAX for the
    // whole text.
    std::size_t maximalSuffix(bool reversed, std::size_t& period) const {
        const auto* x = reinterpret_cast<const unsigned char*>(find_.data());
        std::size_t suffix = static_cast<std::size_t>(-1);
        std::size_t j = 0;
        std::size_t k = 1;
        period = 1;
        while (j + k < find_.size()) {
            const unsigned char a = x[j + k];
            const unsigned char b = x[suffix + k];
            if (reversed ? b < a : a < b) {
                j += k;
                k = 1;
                period = j - suffix;
            } else if (a == b) {
                if (k != period) {
                    ++k;
                } else {
                    j += period;
                    k = 1;
                }
            } else {
                suffix = j++;
                k = period = 1;
            }
        }
        return suffix;
    }

    std::string_view find_;
    std::size_t split_ = 0;
    std::size_t period_ = 1;
    bool periodic_ = false;
};

} // namespace morvane
