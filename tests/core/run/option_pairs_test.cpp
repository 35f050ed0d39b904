#include "core/run/contents_diff.h"
#include "core/run/rename_plan.h"
#include "core/run/run.h"
#include "support/temp_dir.h"

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

// Chains mixing plain pairs and pairs with options, read whole and with every file past the streaming
// threshold: simulate counts what execute counts, execute writes what the diff shows, and a pair with options
// sees what the pairs before it made.
TEST(OptionPairs, ChainLikePlainPairsInEveryPath) {
    const std::vector<Chain> chains{
        {{"cat", "Dog"}, {"dog", "bird"}, {{}, kCase}, "cat dog DOG", 4, "bird bird bird"},
        {{"load"}, {"load"}, {kCase}, "Load LOAD", 2, "load load"},
        {{"x", "(a+)b"}, {"ab", "<$1>"}, {{}, kPattern}, "xaab x", 5, "<a><aa> <a>"},
        {{"(\\d+)", "1"}, {"$1$1", "one"}, {kPattern, {}}, "1 2", 4, "oneone 22"},
        {{"a", "ab"}, {"b", "x"}, {kWord, {}}, "a ab", 2, "b x"},
    };
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

} // namespace
} // namespace morvane
