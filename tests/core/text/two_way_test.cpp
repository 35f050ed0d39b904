#include "core/text/two_way.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace morvane {
namespace {

std::vector<std::size_t> plainPositions(std::string_view text, std::string_view find) {
    std::vector<std::size_t> positions;
    for (std::size_t at = 0; at + find.size() <= text.size(); ++at) {
        if (text.substr(at, find.size()) == find) {
            positions.push_back(at);
        }
    }
    return positions;
}

std::vector<std::size_t> twoWayPositions(std::string_view text, std::string_view find) {
    std::vector<std::size_t> positions;
    TwoWaySearch(find).forEach(text, [&](std::size_t at) { positions.push_back(at); });
    return positions;
}

// Every word over the alphabet up to the length, the empty one first.
std::vector<std::string> allWords(std::string_view alphabet, std::size_t maxLength) {
    std::vector<std::string> words{""};
    for (std::size_t begin = 0; words.back().size() < maxLength;) {
        const std::size_t end = words.size();
        for (std::size_t w = begin; w < end; ++w) {
            for (char c : alphabet) {
                words.push_back(words[w] + c);
            }
        }
        begin = end;
    }
    return words;
}

// Small alphabets give every kind of period and critical position a find text can have.
TEST(TwoWaySearch, FindsEveryOccurrenceOfEveryShortWordInEveryShortText) {
    for (const auto& [alphabet, findLength, textLength] :
         {std::tuple{"ab", 6, 11}, std::tuple{"abc", 4, 7}, std::tuple{"a\xff", 5, 9}}) {
        const std::vector<std::string> finds = allWords(alphabet, findLength);
        const std::vector<std::string> texts = allWords(alphabet, textLength);
        for (std::size_t f = 1; f < finds.size(); ++f) {
            for (const std::string& text : texts) {
                ASSERT_EQ(twoWayPositions(text, finds[f]), plainPositions(text, finds[f]))
                    << "find \"" << finds[f] << "\" in \"" << text << "\"";
            }
        }
    }
}

TEST(TwoWaySearch, AnEmptyFindOrTextHasNoOccurrence) {
    EXPECT_EQ(twoWayPositions("", "a"), std::vector<std::size_t>{});
    EXPECT_EQ(twoWayPositions("abc", ""), std::vector<std::size_t>{});
}

} // namespace
} // namespace morvane
