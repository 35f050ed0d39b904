#include "core/text/bucket_scan.h"
#include "core/text/literal_scan.h"
#include "core/text/text_encoding.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace morvane {
namespace {

// Every (find, start), by find, then by start.
std::vector<std::uint64_t> occurrencesByHand(std::string_view text, const std::vector<std::string>& finds,
                                             const std::vector<char>& ignoringCase) {
    std::vector<std::uint64_t> found;
    for (std::size_t start = 0; start < text.size(); ++start) {
        for (std::size_t j = 0; j < finds.size(); ++j) {
            const std::string& find = finds[j];
            if (find.empty() || text.size() - start < find.size()) {
                continue;
            }
            std::string there(text.substr(start, find.size()));
            std::string wanted = find;
            if (j < ignoringCase.size() && ignoringCase[j]) {
                lowerAscii(text.substr(start, find.size()), there);
                lowerAscii(find, wanted);
            }
            if (there == wanted) {
                found.push_back(std::uint64_t{j} << 32 | start);
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::uint64_t> scanned(const BucketScan& scan, std::string_view text) {
    std::vector<std::uint64_t> reported;
    EXPECT_TRUE(scan.allOccurrences(text, 1 << 20, reported));
    std::sort(reported.begin(), reported.end());
    return reported;
}

// The occurrences of the first `finds` find texts.
std::vector<std::uint64_t> scanned(const LiteralScan& scan, std::string_view text, std::size_t finds) {
    LiteralHits hits;
    EXPECT_TRUE(scan.scan(text, 1 << 20, hits));
    std::vector<std::uint64_t> reported;
    for (std::size_t j = 0; j < finds; ++j) {
        for (std::uint32_t h = hits.first[j]; h < hits.first[j + 1]; ++h) {
            reported.push_back(std::uint64_t{j} << 32 | hits.starts[h]);
        }
    }
    return reported;
}

struct FindsCase {
    const char* name;
    std::vector<std::string> finds;
    std::vector<char> ignoringCase;
};

// Each set of find texts at every place of texts of every length up to past two blocks, so that occurrences
// fall on block borders and in the last bytes, which the scan reads from a padded copy.
TEST(BucketScan, FindsWhatAByteByByteSearchFinds) {
    if (!BucketScan::supported()) {
        GTEST_SKIP() << "no AVX2";
    }
    const std::vector<FindsCase> cases{
        {"shared prefixes", {"abc", "abcd", "abd", "ab", "abcabc"}, {}},
        {"lengths 1, 2, 3 and long", {"x", "xy", "yxz", "zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzx"}, {}},
        {"more finds than buckets",
         {"define", "struct", "return", "static", "include", "unsigned", "device", "status", "sizeof",
          "adapter", "a", "de", "sta"},
         {}},
        {"zero bytes, which pad the last block", {std::string("\0", 1), std::string("a\0\0", 3)}, {}},
        {"ignoring case, beside exact ones", {"Ab", "ab", "a-", "-", "AbCdEf"}, {1, 0, 0, 0, 1}},
    };
    for (const FindsCase& c : cases) {
        const BucketScan scan(c.finds, c.ignoringCase);
        ASSERT_TRUE(scan.usable()) << c.name;
        for (const std::string& find : c.finds) {
            for (std::size_t length = find.size(); length <= 70; ++length) {
                for (std::size_t at = 0; at + find.size() <= length; at += 7) {
                    std::string text(length, '.');
                    text.replace(at, find.size(), find);
                    text.replace(text.size() - find.size(), find.size(), find);
                    EXPECT_EQ(scanned(scan, text), occurrencesByHand(text, c.finds, c.ignoringCase))
                        << c.name << ": " << find << " at " << at << " of " << length;
                }
            }
        }
    }
}

// Random texts over the few bytes the find texts use, where occurrences overlap and crowd. Past the find
// texts a bucket scan serves, the literal scan walks its automaton, and finds the same.
TEST(BucketScan, FindsEveryOverlappingOccurrenceInCrowdedTextAsTheLiteralScanDoes) {
    std::mt19937 random(7);
    const std::vector<std::string> finds{"ab", "ba", "aab", "b", "abab", "bbbbbbbbb", "aB", "Ab"};
    const std::vector<char> ignoringCase{0, 0, 1, 0, 0, 0, 1, 0};
    std::vector<std::string> more = finds;
    for (std::size_t j = more.size(); j <= BucketScan::kMostFinds; ++j) {
        more.push_back("z" + std::to_string(j));
    }
    const BucketScan scan(finds, ignoringCase);
    const LiteralScan few(finds, ignoringCase);
    const LiteralScan walked(more, ignoringCase);
    for (int round = 0; round < 200; ++round) {
        std::string text(random() % 300, ' ');
        for (char& c : text) {
            c = "abAB"[random() % 4];
        }
        const std::vector<std::uint64_t> expected = occurrencesByHand(text, finds, ignoringCase);
        if (BucketScan::supported()) {
            EXPECT_EQ(scanned(scan, text), expected) << text;
        }
        EXPECT_EQ(scanned(few, text, finds.size()), expected) << text;
        EXPECT_EQ(scanned(walked, text, finds.size()), expected) << text;
    }
}

TEST(BucketScan, ServesOnlyAFewFindTextsThatAreNotAllEmpty) {
    EXPECT_FALSE(BucketScan({"", ""}, {}).usable());
    EXPECT_FALSE(BucketScan(std::vector<std::string>(BucketScan::kMostFinds + 1, "a"), {}).usable());
    EXPECT_EQ(BucketScan(std::vector<std::string>(BucketScan::kMostFinds, "a"), {}).usable(),
              BucketScan::supported());
}

std::vector<std::vector<std::uint32_t>> startsOf(const LiteralHits& hits) {
    std::vector<std::vector<std::uint32_t>> starts;
    for (std::size_t j = 0; j + 1 < hits.first.size(); ++j) {
        starts.emplace_back(hits.starts.begin() + hits.first[j], hits.starts.begin() + hits.first[j + 1]);
    }
    return starts;
}

// Every occurrence of every find text, overlapping ones, repeated find texts and both ends of the text
// included, ascending for each; an empty find text occurs nowhere.
TEST(LiteralScan, FindsEveryOccurrenceOfEveryFindText) {
    const LiteralScan scan({"aa", "", "a", "ab", "aa", std::string("b\0c", 3)});
    ASSERT_TRUE(scan.usable());
    LiteralHits hits;
    ASSERT_TRUE(scan.scan(std::string_view("aaab\0cxaa", 9), 100, hits));
    EXPECT_EQ(startsOf(hits),
              (std::vector<std::vector<std::uint32_t>>{{0, 1, 7}, {}, {0, 1, 2, 7, 8}, {2}, {0, 1, 7}, {3}}));
}

// A short find text beside a longer one in a text of some length: a vectorscan build of this set found
// nothing.
TEST(LiteralScan, short_find_beside_a_longer_one_is_found) {
    LiteralHits hits;
    ASSERT_TRUE(LiteralScan({"co", "Tloous"}).scan(std::string(74, 'n') + "he colqlours.", 100, hits));
    EXPECT_EQ(startsOf(hits), (std::vector<std::vector<std::uint32_t>>{{77}, {}}));
}

// Find texts that ignore case match their ASCII letters in either case; the others, found by the same folding
// walk, still match byte for byte, and one without letters needs no check.
TEST(LiteralScan, IgnoresCaseOnlyForTheFindTextsThatAsk) {
    LiteralHits hits;
    ASSERT_TRUE(LiteralScan({"ab", "Ab", "a-", "-", "\xC3\xA4"}, {1, 0, 0, 0, 1})
                    .scan("AB ab Ab a- A- \xC3\x84\xC3\xA4", 100, hits));
    EXPECT_EQ(startsOf(hits), (std::vector<std::vector<std::uint32_t>>{{0, 3, 6}, {6}, {9}, {10, 13}, {17}}));
}

// Beyond the most occurrences asked for, the scan fails rather than hold them all.
TEST(LiteralScan, FailsPastTheMostOccurrences) {
    const LiteralScan scan({"a", "b"});
    LiteralHits hits;
    EXPECT_TRUE(scan.scan("aaab", 4, hits));
    EXPECT_FALSE(scan.scan("aaaab", 4, hits));
    EXPECT_FALSE(LiteralScan({"", ""}).usable());
}

} // namespace
} // namespace morvane
