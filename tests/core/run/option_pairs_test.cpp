#include "core/run/contents_diff.h"
#include "core/run/pair_warnings.h"
#include "core/run/rename_plan.h"
#include "core/run/run.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

using testing::readBytes;
using testing::TempDir;

constexpr PairOptions kCase{true, false, false};
constexpr PairOptions kWord{false, true, false};
constexpr PairOptions kPattern{false, false, true};

struct Chain {
    std::vector<std::string> finds, replaces;
    PairOptionsList options;
    std::string text;
    std::int64_t count;
    std::string result;
};

// Chains mixing plain pairs and pairs with options, with few pairs and with enough for the find set, read
// whole and with every file past the streaming threshold: simulate counts what execute counts, execute
// writes what the diff shows, and a pair with options sees what the pairs before it made.
TEST(OptionPairs, ChainLikePlainPairsInEveryPath) {
    std::vector<Chain> chains{
        {{"cat", "Dog"}, {"dog", "bird"}, {{}, kCase}, "cat dog DOG", 4, "bird bird bird"},
        {{"load"}, {"load"}, {kCase}, "Load LOAD", 2, "load load"},
        {{"x", "(a+)b"}, {"ab", "<$1>"}, {{}, kPattern}, "xaab x", 5, "<a><aa> <a>"},
        {{"(\\d+)", "1"}, {"$1$1", "one"}, {kPattern, {}}, "1 2", 4, "oneone 22"},
        {{"a", "ab"}, {"b", "x"}, {kWord, {}}, "a ab", 2, "b x"},
    };
    std::vector<std::string> many(16);
    std::vector<std::string> same(16);
    for (std::size_t k = 0; k < many.size(); ++k) {
        many[k] = same[k] = "q" + std::to_string(k);
    }
    // Sixteen plain pairs in front bring in the find set; the last of them makes "cat".
    many.back() = "cow";
    same.back() = "cat";
    chains.push_back({many, same, {}, "cow", 1, "cow"});
    chains.back().finds.push_back("CAT");
    chains.back().replaces.push_back("x");
    chains.back().options.assign(17, PairOptions{});
    chains.back().options.back() = kCase;
    chains.back().count = 2;
    chains.back().result = "x";
    for (const Chain& chain : chains) {
        for (const std::uint64_t streamed : {kStreamedFileBytes, std::uint64_t{0}}) {
            TempDir dir;
            const std::string file = dir.write("f", chain.text);
            RunRequest request{.finds = chain.finds,
                               .replaces = chain.replaces,
                               .options = chain.options,
                               .files = {file},
                               .streamedFileBytes = streamed,
                               .streamBlockBytes = 2};
            const RunResult simulated = runPairs(request);
            request.execute = true;
            const RunResult executed = runPairs(request);
            ASSERT_TRUE(executed.failures.empty()) << executed.failures[0].reason;
            EXPECT_EQ(simulated.total, chain.count) << chain.text;
            EXPECT_EQ(executed.total, chain.count) << chain.text;
            EXPECT_EQ(readBytes(file), chain.result) << chain.text;
            const ContentsDiff diff = diffContents(chain.text, chain.finds, chain.replaces, chain.options);
            EXPECT_EQ(diff.replacement.newText, chain.result) << chain.text;
            EXPECT_EQ(diff.replacement.count, chain.count) << chain.text;
        }
    }
}

TEST(OptionPairs, NamesSeeTheNameOnly) {
    TempDir dir;
    const std::string folder = dir.makeFolder("IMG_7");
    const std::string file = dir.write("IMG_7/IMG_0001.JPG", "");
    RunRequest request{.finds = {"img_(\\d+)\\.jpg"},
                       .replaces = {"Holiday_$1.jpg"},
                       .options = {{true, false, true}},
                       .files = {file},
                       .mode = ReplaceMode::FileNames};
    EXPECT_EQ(planRenames(request).rows[0].newPath, folder + "/Holiday_0001.jpg");
    request.execute = true;
    const RunResult run = runPairs(request);
    EXPECT_EQ(run.rows[0].path, folder + "/Holiday_0001.jpg");
}

// A file too large to read whole is refused, never streamed past a pattern's reach.
TEST(OptionPairs, AFileAboveTheBoundIsRefused) {
    TempDir dir;
    const std::string file = dir.write("large", "");
    std::filesystem::resize_file(file, (std::uint64_t{256} << 20) + 1);
    const RunResult run =
        runPairs(RunRequest{.finds = {"a"}, .replaces = {"b"}, .options = {kCase}, .files = {file}});
    ASSERT_EQ(run.failures.size(), 1u);
    EXPECT_NE(run.failures[0].reason.find("256 MiB"), std::string::npos);
}

TEST(OptionPairs, WarningsHoldWhereTheMatcherFindsAnInsertion) {
    const auto warned = [](std::vector<std::string> finds, std::vector<std::string> replaces,
                           PairOptionsList options) { return pairWarnings(finds, replaces, options).size(); };
    EXPECT_EQ(warned({"a", "B"}, {"b", "c"}, {{}, kCase}), 1u);
    EXPECT_EQ(warned({"a", "b"}, {"ab", "c"}, {{}, kWord}), 0u);
    EXPECT_EQ(warned({"a", "x"}, {"b", "y"}, {{}, kPattern}), 0u);
    // An earlier pattern may leave what a later pair looks for: no claim that it never matches.
    EXPECT_EQ(warned({"a", "ab"}, {"$0", "c"}, {kPattern, {}}), 0u);
}

} // namespace
} // namespace morvane
