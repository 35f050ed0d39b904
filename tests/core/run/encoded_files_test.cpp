#include "core/run/contents_diff.h"
#include "core/run/rename_plan.h"
#include "core/run/run.h"
#include "core/text/text_encoding.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace morvane {
namespace {

using testing::readBytes;
using testing::TempDir;
using namespace std::string_literals;

constexpr PairOptions kCase{true, false, false};
constexpr PairOptions kWord{false, true, false};
constexpr PairOptions kPattern{false, false, true};

// Latin-1 text as UTF-16 LE behind its byte order mark.
std::string utf16le(const std::string& latin1) {
    std::string bytes = "\xFF\xFE";
    for (const char c : latin1) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

struct Chain {
    std::vector<std::string> finds, replaces;
    PairOptionsList options;
    std::string contents;
    std::int64_t count;
    std::string result;
};

// Chains mixing plain pairs and pairs with options, over unmarked and marked files, read whole and with every
// file past the streaming threshold: simulate counts what execute counts, a pair with options sees what the
// pairs before it made, the pairs (in UTF-8 as typed) apply to a marked file's text and execute writes the
// file back in its encoding with its mark; for an unmarked file, what the diff shows.
TEST(RunChains, PairsApplyToTheTextInEveryPathAndTheFileKeepsItsEncoding) {
    const std::vector<Chain> chains{
        {{"cat", "Dog"}, {"dog", "bird"}, {{}, kCase}, "cat dog DOG", 4, "bird bird bird"},
        {{"load"}, {"load"}, {kCase}, "Load LOAD", 2, "load load"},
        {{"x", "(a+)b"}, {"ab", "<$1>"}, {{}, kPattern}, "xaab x", 5, "<a><aa> <a>"},
        {{"(\\d+)", "1"}, {"$1$1", "one"}, {kPattern, {}}, "1 2", 4, "oneone 22"},
        {{"a", "ab"}, {"b", "x"}, {kWord, {}}, "a ab", 2, "b x"},
        // output that is only the start of the file, or goes past its end
        {{"x"}, {""}, {}, "abcx", 1, "abc"},
        {{"c"}, {"cd"}, {}, "abc", 1, "abcd"},
        // UTF-16 LE, chained
        {{"cat", "dog", "é"}, {"dog", "bêrd", "e"}, {}, utf16le("cat \xE9\n"), 3, utf16le("b\xEArd e\n")},
        // UTF-16 BE, a surrogate pair
        {{"\xF0\x9F\x98\x80"}, {"x"}, {}, "\xFE\xFF\xD8\x3D\xDE\x00\0a"s, 1, "\xFE\xFF\0x\0a"s},
        {{"CAT"}, {"dog"}, {kCase}, utf16le("Cat"), 1, utf16le("dog")},
        // the NUL of a code unit is no byte of the text
        {{"^chr(0)", "a^chr(0)"}, {"x", "x"}, {}, utf16le("a"), 0, utf16le("a")},
        // UTF-8 with its mark: the mark is never matched
        {{"\xEF\xBB\xBF", "^chr(191)", "a"},
         {"", "", "\xEF\xBB"},
         {},
         "\xEF\xBB\xBF\x61\xFF",
         1,
         "\xEF\xBB\xBF\xEF\xBB\xFF"},
        // no mark: bytes
        {{"^chr(0)"}, {"-"}, {}, "\xFE\x61\0"s, 1, "\xFE\x61-"},
    };
    for (const Chain& c : chains) {
        for (const std::uint64_t streamed : {kStreamedFileBytes, std::uint64_t{0}}) {
            SCOPED_TRACE(c.contents + (streamed ? "" : ", streamed"));
            TempDir dir;
            const std::string file = dir.write("f", c.contents);
            RunRequest request{.finds = c.finds,
                               .replaces = c.replaces,
                               .options = c.options,
                               .files = {file},
                               .streamedFileBytes = streamed,
                               .streamBlockBytes = 2};
            EXPECT_EQ(runPairs(request).total, c.count);
            request.execute = true;
            const RunResult executed = runPairs(request);
            ASSERT_TRUE(executed.failures.empty()) << executed.failures[0].reason;
            EXPECT_EQ(executed.total, c.count);
            EXPECT_EQ(readBytes(file), c.result);
            if (encodingOf(c.contents) == TextEncoding::Bytes) {
                const ContentsDiff diff = diffContents(c.contents, c.finds, c.replaces, c.options);
                EXPECT_EQ(diff.replacement.newText, c.result);
                EXPECT_EQ(diff.replacement.count, c.count);
            }
        }
    }
}

// A file that is no text in its encoding, or whose text the pairs leave in a form UTF-16 cannot hold, fails
// its row with the reason in simulate and execute alike, and keeps its bytes.
TEST(EncodedFiles, WhatCannotBeDecodedOrEncodedBackFailsAndIsLeftAsItIs) {
    const struct {
        std::string contents;
        std::string find, replace;
        std::string reason;
    } cases[] = {
        {"\xFF\xFE\x61\0b"s, "a", "x", "not UTF-16 LE text: an odd number of bytes (5)"},
        {"\xFE\xFF\0a\xDC\x00"s, "a", "x", "not UTF-16 BE text: an unpaired surrogate 0xDC00 at byte 4"},
        {"\xFF\xFE\x61\0"s, "a", "^chr(200)", "the text the pairs leave is not UTF-8 (byte 0xC8 at 0)"},
        // A find text that is part of a character splits it.
        {"\xFF\xFE\xE9\0"s, "^chr(169)", "", "the text the pairs leave is not UTF-8 (byte 0xC3 at 0)"},
    };
    for (const auto& c : cases) {
        for (const std::uint64_t streamed : {kStreamedFileBytes, std::uint64_t{0}}) {
            for (const bool execute : {false, true}) {
                SCOPED_TRACE(c.reason + (streamed ? "" : ", past the threshold") +
                             (execute ? ", execute" : ""));
                TempDir dir;
                const std::string file = dir.write("f", c.contents);
                const RunResult run = runPairs(RunRequest{.finds = {c.find},
                                                          .replaces = {c.replace},
                                                          .files = {file},
                                                          .execute = execute,
                                                          .streamedFileBytes = streamed});
                ASSERT_EQ(run.failures.size(), 1u);
                EXPECT_EQ(run.failures[0].reason.substr(0, c.reason.size()), c.reason);
                EXPECT_EQ(run.total, 0);
                EXPECT_EQ(readBytes(file), c.contents);
            }
        }
    }
}

// A UTF-16 file, and any file a pair with options goes over, is read whole, never streamed: one larger
// than a run reads whole is refused.
TEST(EncodedFiles, FilesThatMustBeReadWholeAreRefusedAboveTheBound) {
    TempDir dir;
    const std::string utf16 = dir.write("utf16", "\xFF\xFE");
    const std::string plain = dir.write("plain", "");
    for (const std::string& file : {utf16, plain}) {
        std::filesystem::resize_file(file, (std::uint64_t{256} << 20) + 2);
    }
    EXPECT_EQ(runPairs(RunRequest{.finds = {"a"}, .replaces = {"b"}, .files = {utf16}}).failures.at(0).reason,
              "UTF-16 text larger than 256 MiB, the most a run reads of a UTF-16 file");
    const RunResult options =
        runPairs(RunRequest{.finds = {"a"}, .replaces = {"b"}, .options = {kCase}, .files = {plain}});
    EXPECT_NE(options.failures.at(0).reason.find("256 MiB"), std::string::npos);
}

// A pattern over names sees the name only, in the plan and in the run alike.
TEST(OptionPairs, NamesSeeTheNameOnly) {
    TempDir dir;
    const std::string folder = dir.makeFolder("IMG_7");
    RunRequest request{.finds = {"img_(\\d+)\\.jpg"},
                       .replaces = {"Holiday_$1.jpg"},
                       .options = {{true, false, true}},
                       .files = {dir.write("IMG_7/IMG_0001.JPG", "")},
                       .mode = ReplaceMode::FileNames};
    EXPECT_EQ(planRenames(request).rows[0].newPath, folder + "/Holiday_0001.jpg");
    request.execute = true;
    EXPECT_EQ(runPairs(request).rows[0].path, folder + "/Holiday_0001.jpg");
}

} // namespace
} // namespace morvane
