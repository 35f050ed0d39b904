#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace morvane {

// When the progress bar of a run with the given numbers of pairs and files is redrawn, and with which
// percentage. Before pair j of file i (both from 0) the fraction is (j + 1)(i + 1) * 100 / (pairs * files);
// the bar is redrawn when (j + 1)(i + 1) is a multiple of the step, pairs * files / 100 rounded down (at
// least 1), so a long run redraws about a hundred times per file sweep.
class ProgressSchedule {
public:
    ProgressSchedule(std::uint64_t pairs, std::uint64_t files);

    // The percentage to draw before that pair, or nothing when the bar is not redrawn there.
    std::optional<int> before(std::uint64_t pair, std::uint64_t file) const;

    // The percentages drawn before the pairs of the file, in order, as before() gives them, found without
    // asking for every pair: a run of many pairs over many files redraws before few of them.
    std::vector<int> drawsOfFile(std::uint64_t file) const;

private:
    std::uint64_t pairs_;
    std::uint64_t files_;
    std::uint64_t combinations_; // pairs * files, valid when exact_
    std::uint64_t step_;
    bool exact_;
};

// Rounds to one decimal place, then to a whole number, each time half to even, and clamps to 0..100:
// 13.46 gives 13.5 and then 14.
int roundPercent(double fraction);

} // namespace morvane
