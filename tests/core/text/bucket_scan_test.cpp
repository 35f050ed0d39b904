#include "core/text/bucket_scan.h"
#include "core/text/literal_scan.h"
#include "core/text/text_encoding.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace morvane {
namespace {

// Every (find, start), by start, then by find.
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
    return found;
}

// The scans report by start, or by end; at one place, finds in any order.
void sortByStart(std::vector<std::uint64_t>& reported) {
    std::sort(reported.begin(), reported.end(), [](std::uint64_t a, std::uint64_t b) {
        return static_cast<std::uint32_t>(a) != static_cast<std::uint32_t>(b)
                   ? static_cast<std::uint32_t>(a) < static_cast<std::uint32_t>(b)
                   : a < b;
    });
}

std::vector<std::uint64_t> scanned(const BucketScan& scan, std::string_view text) {
    std::vector<std::uint64_t> reported;
    EXPECT_TRUE(scan.allOccurrences(text, 1 << 20, reported));
    sortByStart(reported);
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
    sortByStart(reported);
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

// Random texts over the few bytes the find texts use, where occurrences overlap and crowd.
TEST(BucketScan, FindsEveryOverlappingOccurrenceInCrowdedText) {
    if (!BucketScan::supported()) {
        GTEST_SKIP() << "no AVX2";
    }
    std::mt19937 random(7);
    const std::vector<std::string> finds{"ab", "ba", "aab", "b", "abab", "bbbbbbbbb", "aB"};
    const std::vector<char> ignoringCase{0, 0, 1, 0, 0, 0, 1};
    const BucketScan scan(finds, ignoringCase);
    for (int round = 0; round < 200; ++round) {
        std::string text(random() % 300, ' ');
        for (char& c : text) {
            c = "abAB"[random() % 4];
        }
        EXPECT_EQ(scanned(scan, text), occurrencesByHand(text, finds, ignoringCase)) << text;
    }
}

// Past the find texts a bucket scan serves, the literal scan walks its automaton, and finds the same.
TEST(BucketScan, LiteralScanFindsTheSameWithOrWithoutIt) {
    std::mt19937 random(11);
    const std::vector<std::string> finds{"ab", "Ab", "b", "aab", "ba"};
    const std::vector<char> ignoringCase{1, 0, 0, 1, 0};
    std::vector<std::string> more = finds;
    for (std::size_t j = more.size(); j <= BucketScan::kMostFinds; ++j) {
        more.push_back("z" + std::to_string(j));
    }
    const LiteralScan few(finds, ignoringCase);
    const LiteralScan walked(more, ignoringCase);
    for (int round = 0; round < 100; ++round) {
        std::string text(random() % 200, ' ');
        for (char& c : text) {
            c = "abAB"[random() % 4];
        }
        const std::vector<std::uint64_t> expected = occurrencesByHand(text, finds, ignoringCase);
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

} // namespace
} // namespace morvane
