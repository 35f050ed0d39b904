#include "core/run/range_cuts.h"
#include "core/run/range_share.h"

#include <atomic>
#include <gtest/gtest.h>
#include <new>
#include <string>
#include <vector>

namespace morvane {
namespace {

constexpr PairOptions kPlain{};
constexpr PairOptions kIgnoreCase{true, false, false};
constexpr PairOptions kWholeWord{false, true, false};
constexpr PairOptions kPattern{false, false, true};

TEST(RangeCuts, OnlyBytesNoOccurrenceCanTakeInCut) {
    const struct {
        std::vector<std::string> finds, replaces;
        PairOptionsList options;
        std::string cutting;    // bytes that may be cut after
        std::string notCutting; // bytes that may not
    } cases[] = {
        {{"ab", "", "c\n"}, {"x", "y", "z"}, {}, "dA \r\xff", "abc\n"},
        // Ignoring case keeps to ASCII bytes that are no word's.
        {{"ab", "x-"}, {"", ""}, {kIgnoreCase, kPlain}, "\n .", "aAbB-zZ9_\xc3\xff"},
        {{"x"}, {"y"}, {kWholeWord}, "\n-(", "Xq_0\x80"},
    };
    for (const auto& c : cases) {
        const RangeCuts cuts(c.finds, c.replaces, c.options);
        EXPECT_TRUE(cuts.usable());
        for (const char byte : c.cutting) {
            EXPECT_TRUE(cuts.cutsAfter(byte)) << static_cast<int>(static_cast<unsigned char>(byte));
        }
        for (const char byte : c.notCutting) {
            EXPECT_FALSE(cuts.cutsAfter(byte)) << static_cast<int>(static_cast<unsigned char>(byte));
        }
    }
}

TEST(RangeCuts, NothingIsCutWhereAnOccurrenceMayTakeInAnyByteOrTextIsNotUtf8) {
    EXPECT_FALSE(RangeCuts({"a", "b+"}, {"", ""}, {kPlain, kPattern}).usable());
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte) {
        everyByte += static_cast<char>(byte);
    }
    EXPECT_FALSE(RangeCuts({everyByte}, {""}, {}).usable());
    // With an option, a pair that could leave text that is not UTF-8 changes how later pairs read it.
    EXPECT_FALSE(RangeCuts({"a", "b"}, {"\xff", ""}, {kPlain, kIgnoreCase}).usable());
    // Text with option pairs is cut only where it is UTF-8.
    const RangeCuts options({"a"}, {"b"}, {kIgnoreCase});
    EXPECT_TRUE(options.canCut("x\n\xc3\xa9\n"));
    EXPECT_FALSE(options.canCut("x\n\xc3\n"));
    EXPECT_TRUE(RangeCuts({"a"}, {"b"}, {}).canCut("x\n\xc3\n"));
}

TEST(RangeCuts, EachRangeEndsJustAfterTheFirstCutBytePastItsShare) {
    const struct {
        std::string text;
        std::size_t rangeBytes;
        std::vector<std::size_t> ends;
    } cases[] = {
        {"xyxy-xyxy-xy", 3, {5, 10, 12}},
        {"xy-xy-", 2, {3, 6}},
        {"xyxyxy", 2, {6}},
        {"x-y-", 4, {4}},
        {"", 1, {0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rangeEnds(c.text, RangeCuts({"xy"}, {"z"}, {}), c.rangeBytes), c.ends) << c.text;
    }
}

TEST(ShareRanges, EveryRangeIsWorkedOnceWhateverTheThreadsUntilAStopOrAThrow) {
    for (const unsigned helpers : {0u, 1u, 3u}) {
        std::vector<std::atomic<int>> worked(100);
        shareRanges(worked.size(), helpers, [&](std::size_t range, unsigned) {
            ++worked[range];
            return true;
        });
        for (const std::atomic<int>& times : worked) {
            EXPECT_EQ(times, 1) << helpers << " helpers";
        }
    }
    // A stop or a throw drops the ranges not taken.
    for (const bool throwing : {false, true}) {
        std::atomic<int> worked{0};
        const RangeWork work = [&](std::size_t range, unsigned) {
            ++worked;
            if (throwing && range == 3) {
                throw std::bad_alloc();
            }
            return range != 3;
        };
        if (throwing) {
            EXPECT_THROW(shareRanges(1000, 0, work), std::bad_alloc);
        } else {
            shareRanges(1000, 0, work);
        }
        EXPECT_EQ(worked, 4);
    }
    // Whichever thread throws, the throw reaches the caller once both are done.
    const RangeWork throwAt500 = [](std::size_t range, unsigned) {
        return range == 500 ? throw std::bad_alloc() : true;
    };
    EXPECT_THROW(shareRanges(1000, 1, throwAt500), std::bad_alloc);
}

} // namespace
} // namespace morvane
