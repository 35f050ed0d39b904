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

struct CutCase {
    const char* name;
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    PairOptionsList options;
    std::string cutting;    // bytes that may be cut after
    std::string notCutting; // bytes that may not
};

class CutBytes : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutBytes, OnlyBytesNoOccurrenceCanTakeIn) {
    const CutCase& c = GetParam();
    const RangeCuts cuts(c.finds, c.replaces, c.options);
    EXPECT_TRUE(cuts.usable());
    for (const char byte : c.cutting) {
        EXPECT_TRUE(cuts.cutsAfter(byte)) << static_cast<int>(static_cast<unsigned char>(byte));
    }
    for (const char byte : c.notCutting) {
        EXPECT_FALSE(cuts.cutsAfter(byte)) << static_cast<int>(static_cast<unsigned char>(byte));
    }
}

INSTANTIATE_TEST_SUITE_P(
    RangeCuts, CutBytes,
    ::testing::Values(
        CutCase{"plain_finds_only", {"ab", "", "c\n"}, {"x", "y", "z"}, {}, "dA \r\xff", "abc\n"},
        CutCase{"ignore_case_keeps_to_ascii_non_word_bytes",
                {"ab", "x-"},
                {"", ""},
                {kIgnoreCase, kPlain},
                "\n .",
                "aAbB-zZ9_\xc3\xff"},
        CutCase{"whole_word_never_cuts_after_a_word_byte", {"x"}, {"y"}, {kWholeWord}, "\n-(", "Xq_0\x80"}),
    [](const auto& info) { return info.param.name; });

TEST(RangeCuts, NothingIsCutWhereAnOccurrenceMayTakeInAnyByte) {
    EXPECT_FALSE(RangeCuts({"a", "b+"}, {"", ""}, {kPlain, kPattern}).usable());
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte) {
        everyByte += static_cast<char>(byte);
    }
    EXPECT_FALSE(RangeCuts({everyByte}, {""}, {}).usable());
    // With an option, a pair that could leave text that is not UTF-8 changes how later pairs read it.
    EXPECT_FALSE(RangeCuts({"a", "b"}, {"\xff", ""}, {kPlain, kIgnoreCase}).usable());
}

TEST(RangeCuts, TextWithOptionPairsIsCutOnlyWhereItIsUtf8) {
    const RangeCuts options({"a"}, {"b"}, {kIgnoreCase});
    EXPECT_TRUE(options.canCut("x\n\xc3\xa9\n"));
    EXPECT_FALSE(options.canCut("x\n\xc3\n"));
    EXPECT_TRUE(RangeCuts({"a"}, {"b"}, {}).canCut("x\n\xc3\n"));
}

struct EndsCase {
    const char* name;
    std::string text;
    std::size_t rangeBytes;
    std::vector<std::size_t> ends;
};

class RangeEnds : public ::testing::TestWithParam<EndsCase> {};

TEST_P(RangeEnds, EachRangeEndsJustAfterTheFirstCutBytePastItsShare) {
    const EndsCase& c = GetParam();
    EXPECT_EQ(rangeEnds(c.text, RangeCuts({"xy"}, {"z"}, {}), c.rangeBytes), c.ends);
}

INSTANTIATE_TEST_SUITE_P(RangeCuts, RangeEnds,
                         ::testing::Values(EndsCase{"cut_bytes_apart", "xyxy-xyxy-xy", 3, {5, 10, 12}},
                                           EndsCase{"cut_byte_at_the_share_end", "xy-xy-", 2, {3, 6}},
                                           EndsCase{"no_cut_byte", "xyxyxy", 2, {6}},
                                           EndsCase{"one_range_of_the_whole", "x-y-", 4, {4}},
                                           EndsCase{"empty_text", "", 1, {0}}),
                         [](const auto& info) { return info.param.name; });

TEST(ShareRanges, EveryRangeIsWorkedOnceWhateverTheThreads) {
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
}

TEST(ShareRanges, AStopOrAThrowDropsTheRangesNotTaken) {
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
    EXPECT_THROW(shareRanges(1000, 1,
                             [](std::size_t range, unsigned) {
                                 if (range == 500) {
                                     throw std::bad_alloc();
                                 }
                                 return true;
                             }),
                 std::bad_alloc);
}

} // namespace
} // namespace morvane
