// How a pair with options finds its occurrences and what it puts in their place: ignore case, whole word and
// patterns. Patterns are matched by RE2, whose time is linear in the text whatever the find text; a literal
// find text is found by the plain pairs' scan wherever that finds what RE2 would, and by RE2 elsewhere.
#pragma once

#include "core/text/pair_options.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// One occurrence a pair replaces: where it starts and how many bytes it takes in the text the pair reads, and
// the bytes that take its place (valid during the call only).
using SpanVisitor = std::function<void(std::size_t start, std::size_t length, std::string_view replacement)>;

// The matcher of one pair that is not plain.
//
// Ignoring case folds ASCII letters, and where both the find text and the text are valid UTF-8 every
// letter by Unicode simple case folding; in text that is not valid UTF-8, a pattern's letters fold as
// Latin-1 ones. A whole-word occurrence has no letter, digit, mark or `_` right before or after it; where the
// text is valid UTF-8 those are the code points around it, elsewhere the bytes, every byte above 127 counting
// as a letter.
//
// A literal pair (its find text and replacement already expanded from the notation) counts every occurrence,
// overlapping ones included, and replaces those found from the left that do not overlap one already replaced,
// as a plain pair does. A pattern pair counts and replaces the leftmost non-overlapping matches; an empty
// match right where the previous match ended is skipped, and, in UTF-8 text, one inside a character.
//
// A pattern pair's replacement is taken as typed: `$n` and `${n}` are group n (0 being the whole match),
// `${name}` the named group, `$$` one dollar sign; a group the pattern lacks stands for nothing; any other
// `$` is itself. The text between these forms is expanded from the notation.
//
// Thread-safe once built: the workers of a run share it.
class PairMatcher {
public:
    PairMatcher(std::string_view find, std::string_view replacement, PairOptions options);
    ~PairMatcher();
    PairMatcher(PairMatcher&&) noexcept;
    PairMatcher& operator=(PairMatcher&&) noexcept;

    // Empty, or why the pattern cannot be used (RE2's words); such a matcher finds nothing.
    const std::string& error() const { return error_; }

    std::int64_t count(std::string_view text) const;
    // Calls onSpan for every occurrence replaced, in ascending order; returns the count.
    std::int64_t visitReplaced(std::string_view text, const SpanVisitor& onSpan) const;
    // Replaces in the text; returns the count. `changed` tells whether some occurrence took other bytes.
    std::int64_t replace(std::string& text, bool* changed = nullptr) const;

    // For a literal pair whose occurrences a scan for many find texts can find in its stead: the find text
    // that scan looks for, its ASCII letters in either case where scanFoldsCase(); empty where only RE2
    // finds what the pair matches. Such a scan misses occurrences in a text that holds a character Unicode
    // folding joins to a letter of the find text, where scanMayMissFolds() (see holdsFoldsOfAsciiLetters).
    const std::string& scannedFind() const;
    bool scanFoldsCase() const;
    bool scanMayMissFolds() const;

    // For a whole-word pair whose occurrences a caller found: whether the one from start to end of the text
    // stands as a word, by the characters right before and after it. Where one above ASCII is next to it,
    // that depends on whether the whole text is valid UTF-8, which `textIsUtf8` tells where known; without
    // it, nothing is known, and the text may be a part of the whole that holds those characters.
    std::optional<bool> standsAsWord(std::string_view text, std::size_t start, std::size_t end,
                                     std::optional<bool> textIsUtf8) const;

private:
    struct Compiled;
    std::unique_ptr<const Compiled> compiled_;
    std::string error_;
};

// The matchers of a list of pairs as typed, in the notation: one for each pair with options and a find text,
// nothing for the others, which the literal engine takes or which are skipped. Pairs past the options' end
// are plain.
std::vector<std::optional<PairMatcher>> matchersOfPairs(const std::vector<std::string>& finds,
                                                        const std::vector<std::string>& replaces,
                                                        const PairOptionsList& options);

// Whether the text holds a character that Unicode case folding joins to an ASCII letter (the Kelvin sign, the
// long s), which a scan folding ASCII letters alone would miss.
bool holdsFoldsOfAsciiLetters(std::string_view text);

// Whether an ASCII byte continues a word: a letter, a digit or an underscore.
bool isAsciiWordByte(unsigned char byte);

// Empty, or RE2's message for a pattern it refuses. Only a pattern pair can be refused.
std::string patternError(std::string_view find, PairOptions options);

} // namespace morvane
