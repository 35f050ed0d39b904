#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Tells which of many find texts occur in a text by one pass over it, however many there are: an Aho-Corasick
// automaton over the bytes the find texts use. An empty find text occurs nowhere.
//
// Folding ASCII letters, the set matches every find text with its ASCII letters in either case: the automaton
// then reads both cases of a letter as one byte, so that this costs nothing in the walk. A caller that wants
// some find texts matched exactly checks their occurrences; what the set tells of them is then a superset.
class FindSet {
public:
    explicit FindSet(const std::vector<std::string>& finds, bool foldAscii = false);

    // Whether the automaton was built; a set too large for memory is not, and finds nothing.
    bool usable() const { return usable_; }

    // present[j] becomes 1 where find text j occurs in the text, 0 elsewhere.
    void occurring(std::string_view text, std::vector<char>& present) const;

    // Appends (find index << 32 | start) for every occurrence of every find text, overlapping ones included;
    // those of one find text in the order of their starts. False, part way, where there are more than `most`.
    bool allOccurrences(std::string_view text, std::size_t most, std::vector<std::uint64_t>& reported) const;

    // Sets present[k] for each find text k that wanted marks and that occurs in the text touching an
    // insertion: the `size` bytes at one of `at` (ascending), or, where size is 0, the place itself, which
    // an occurrence then spans. reach is at least the longest wanted find text's length less one.
    void markTouching(std::string_view text, const std::vector<std::size_t>& at, std::size_t size,
                      std::size_t reach, const std::vector<char>& wanted, std::vector<char>& present) const;

private:
    static constexpr std::size_t kWalks = 4;

    // Walks the automaton over the text, calling visit(state, end, walk, border) where a step reaches a state
    // that ends a find text: `walk` is which of the walks side by side took it, and what starts at or after
    // `border` is also found by the next walk.
    template <typename Visit> void walk(std::string_view text, Visit&& visit) const;

    // Marks the find texts that end at the state.
    void report(std::uint32_t state, std::vector<char>& present) const;

    bool usable_ = false;
    std::size_t findCount_ = 0;
    std::vector<std::uint32_t> lengths_;
    std::size_t longest_ = 0;
    std::uint32_t classes_ = 1;
    std::uint8_t classOf_[256] = {};
    std::vector<std::uint32_t> next_;       // state * classes_ + class -> state
    std::vector<std::uint8_t> reports_;     // the state ends a find text, itself or through a shorter one
    std::vector<std::int32_t> firstEnding_; // find texts ending at the state: index into endings_, or -1
    std::vector<std::int32_t> endings_;     // pairs (find index, next index into endings_ or -1)
    std::vector<std::int32_t> shorterEnd_;  // the longest proper suffix state that ends a find text, or -1
};

} // namespace morvane
