#include "core/text/stream_chain.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace morvane {
namespace {

struct Collect : ChainSink {
    std::string bytes;
    std::size_t pieces = 0;
    void take(std::string_view piece) override {
        bytes.append(piece);
        ++pieces;
    }
};

struct ChainCase {
    const char* name;
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    std::string text;
    std::size_t blockBytes;
    std::int64_t count;
    std::string output;
};

class StreamedPairs : public ::testing::TestWithParam<ChainCase> {};

// What the whole-text run gives, for texts fed in small blocks whose edges fall where the run's state must
// cross them.
TEST_P(StreamedPairs, GiveWhatTheWholeTextGives) {
    const ChainCase& c = GetParam();
    StreamChain chain(c.finds, c.replaces, false);
    Collect sink;
    for (std::size_t at = 0; at < c.text.size(); at += c.blockBytes) {
        chain.feed(std::string_view(c.text).substr(at, c.blockBytes), sink);
    }
    chain.finish(sink);
    EXPECT_EQ(chain.count(), c.count);
    EXPECT_EQ(sink.bytes, c.output);
    EXPECT_EQ(chain.changed(), c.output != c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Chain, StreamedPairs,
    ::testing::Values(
        ChainCase{"OccurrenceStraddlingBlocks", {"cd"}, {"X"}, "abcdef", 3, 1, "abXef"},
        ChainCase{"OverlapsAcrossEdgesCountedOnceReplacedFromTheLeft", {"aa"}, {"b"}, "aaaaa", 1, 4, "bba"},
        ChainCase{"ReplacementMakesNextFindAcrossEdge", {"a", "bc"}, {"b", "X"}, "xacx", 2, 2, "xXx"},
        ChainCase{"FindLongerThanBlock", {"lo wo"}, {"_"}, "hello world, lo wo", 2, 2, "hel_rld, _"},
        ChainCase{"GrowingReplacementSearchedNever", {"a"}, {"aa"}, "aba", 1, 2, "aabaa"},
        ChainCase{
            "EmptyFindSkippedAndSelfReplacementKept", {"", "ab", "b"}, {"z", "ab", ""}, "abab", 3, 4, "aa"},
        ChainCase{"CutOutTextJoinsAcrossEdge", {"-", "ab"}, {"", "Y"}, "a-b", 1, 2, "Y"},
        ChainCase{"OverlapStartingInCarryAfterReplacement", {"aba"}, {"X"}, "ababa", 2, 2, "Xba"}),
    [](const ::testing::TestParamInfo<ChainCase>& info) { return std::string(info.param.name); });

// A block whose replacements make it grow passes its output on in a few large pieces, not one per
// replacement, and each of them once.
TEST(StreamedOutput, GrowingBlockComesOutInPiecesEachOnce) {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    const std::string text(2 * kBlock, 'a');
    StreamChain chain({"a"}, {"bc"}, false);
    Collect sink;
    for (std::size_t at = 0; at < text.size(); at += kBlock) {
        chain.feed(std::string_view(text).substr(at, kBlock), sink);
    }
    chain.finish(sink);
    EXPECT_EQ(sink.bytes.size(), 2 * text.size());
    EXPECT_EQ(sink.bytes.find_first_not_of("bc"), std::string::npos);
    EXPECT_LE(sink.pieces, 8u);
}

// Nobody reads what a simulate run's last pair leaves: it counts, and the sink takes nothing.
TEST(StreamedSimulation, LastPairOnlyCountsWhatEarlierOnesLeft) {
    StreamChain chain({"a", "bb", ""}, {"b", "c", "x"}, true);
    Collect sink;
    for (const char* block : {"a", "b", "ab", "a"}) {
        chain.feed(block, sink);
    }
    chain.finish(sink);
    EXPECT_EQ(chain.count(), 3 + 4); // "bb" four times in "bbbbb"
    EXPECT_TRUE(sink.bytes.empty());
}

} // namespace
} // namespace morvane
