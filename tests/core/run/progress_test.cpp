#include "core/run/progress.h"

#include <gtest/gtest.h>
#include <vector>

namespace morvane {
namespace {

// What drawing before each pair of the file in turn draws.
std::vector<int> drawsBeforePairs(const ProgressSchedule& schedule, std::uint64_t pairs, std::uint64_t file) {
    std::vector<int> draws;
    for (std::uint64_t pair = 0; pair < pairs; ++pair) {
        if (const auto percent = schedule.before(pair, file)) {
            draws.push_back(*percent);
        }
    }
    return draws;
}

std::vector<int> drawsOfWholeRun(std::uint64_t pairs, std::uint64_t files) {
    const ProgressSchedule schedule(pairs, files);
    std::vector<int> draws;
    for (std::uint64_t file = 0; file < files; ++file) {
        const std::vector<int> ofFile = drawsBeforePairs(schedule, pairs, file);
        draws.insert(draws.end(), ofFile.begin(), ofFile.end());
    }
    return draws;
}

TEST(ProgressRounding, RoundsToTenthsThenToWholeHalfToEven) {
    EXPECT_EQ(roundPercent(13.46), 14); // 13.5, then the even 14
    EXPECT_EQ(roundPercent(12.46), 12); // 12.5, then the even 12
    EXPECT_EQ(roundPercent(6.6667), 7);
    EXPECT_EQ(roundPercent(250.0), 100);
    EXPECT_EQ(roundPercent(-3.0), 0);
}

TEST(ProgressSchedule, SmallRunsDrawBeforeEveryPairLargeOnesAtMultiplesOfTheStepWithoutOverflow) {
    // Two pairs, three files: 100 (j+1)(i+1) / 6, falling back at each new file.
    EXPECT_EQ(drawsOfWholeRun(2, 3), (std::vector<int>{17, 33, 33, 67, 50, 100}));
    EXPECT_EQ(drawsOfWholeRun(1, 199).size(), 199u);
    EXPECT_EQ(drawsOfWholeRun(1, 250).size(), 125u); // step 2
    EXPECT_EQ(ProgressSchedule(1, 250).before(0, 1), 1);
    // Large lists do not overflow.
    const ProgressSchedule big(100'000, 1'000'000); // step 10^9, products far beyond 32 bits
    EXPECT_EQ(big.before(99'999, 999'999), 100);
    EXPECT_EQ(big.before(99'999, 9'999), 1);

    const std::uint64_t huge = std::uint64_t{1} << 33; // beyond 64 bits: drawn once per file
    const ProgressSchedule beyond(huge, huge);
    EXPECT_EQ(beyond.before(huge - 1, huge - 1), 100);
    EXPECT_EQ(beyond.before(huge - 1, huge / 2 - 1), 50);
    EXPECT_FALSE(ProgressSchedule(0, 0).before(0, 0).has_value());
}

TEST(ProgressSchedule, DrawsOfAFileAreThoseBeforeItsPairs) {
    for (const auto& [pairs, files] : std::vector<std::pair<std::uint64_t, std::uint64_t>>{
             {2, 3}, {1, 250}, {7, 13}, {37, 1000}, {1000, 7919}, {128, 96}}) {
        const ProgressSchedule schedule(pairs, files);
        for (std::uint64_t file = 0; file < files; ++file) {
            ASSERT_EQ(schedule.drawsOfFile(file), drawsBeforePairs(schedule, pairs, file))
                << pairs << " pairs, file " << file;
        }
    }
    const std::uint64_t huge = std::uint64_t{1} << 33;
    EXPECT_EQ(ProgressSchedule(huge, huge).drawsOfFile(huge / 2 - 1), std::vector<int>{50});
    EXPECT_TRUE(ProgressSchedule(0, 5).drawsOfFile(0).empty());
}

} // namespace
} // namespace morvane
