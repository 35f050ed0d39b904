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

// What the whole-text run gives, for texts fed in small blocks whose edges fall where the run's state must
// cross them.
TEST(StreamedPairs, GiveWhatTheWholeTextGives) {
    const struct {
        const char* name;
        std::vector<std::string> finds, replaces;
        std::string text;
        std::size_t blockBytes;
        std::int64_t count;
        std::string output;
    } cases[] = {
        {"occurrence straddling blocks", {"cd"}, {"X"}, "abcdef", 3, 1, "abXef"},
        {"overlaps across edges counted once, replaced from the left", {"aa"}, {"b"}, "aaaaa", 1, 4, "bba"},
        {"replacement makes the next find across an edge", {"a", "bc"}, {"b", "X"}, "xacx", 2, 2, "xXx"},
        {"find longer than a block", {"lo wo"}, {"_"}, "hello world, lo wo", 2, 2, "hel_rld, _"},
        {"growing replacement never searched", {"a"}, {"aa"}, "aba", 1, 2, "aabaa"},
        {"empty find skipped, self-replacement kept", {"", "ab", "b"}, {"z", "ab", ""}, "abab", 3, 4, "aa"},
        {"cut-out text joins across an edge", {"-", "ab"}, {"", "Y"}, "a-b", 1, 2, "Y"},
        {"overlap starting in the carry after a replacement", {"aba"}, {"X"}, "ababa", 2, 2, "Xba"},
    };
    for (const auto& c : cases) {
        StreamChain chain(c.finds, c.replaces, false);
        Collect sink;
        for (std::size_t at = 0; at < c.text.size(); at += c.blockBytes) {
            chain.feed(std::string_view(c.text).substr(at, c.blockBytes), sink);
        }
        chain.finish(sink);
        EXPECT_EQ(chain.count(), c.count) << c.name;
        EXPECT_EQ(sink.bytes, c.output) << c.name;
        EXPECT_EQ(chain.changed(), c.output != c.text) << c.name;
    }
}

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
    EXPECT_LE(sink.pieces, sink.bytes.size() / 10000);
}

// Each pair holds back a block's last bytes until the next block; down a chain of many pairs the held-back
// bytes still reach the sink in few pieces, not one more for each pair.
TEST(StreamedOutput, LongChainKeepsPiecesFew) {
    std::vector<std::string> finds;
    for (std::size_t length = 2; length < 200; ++length) {
        finds.push_back(std::string(length, 'x'));
    }
    const std::vector<std::string> replaces(finds.size(), "y");
    constexpr std::size_t kBlock = std::size_t{64} << 10;
    const std::string text(8 * kBlock, 'a');
    StreamChain chain(finds, replaces, false);
    Collect sink;
    for (std::size_t at = 0; at < text.size(); at += kBlock) {
        chain.feed(std::string_view(text).substr(at, kBlock), sink);
    }
    chain.finish(sink);
    EXPECT_EQ(sink.bytes, text);
    // All the pairs hold back some 20 KB between them, which goes on in pieces of kilobytes.
    EXPECT_LE(sink.pieces, text.size() / 4096);
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
