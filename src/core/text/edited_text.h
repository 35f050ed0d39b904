#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvane {

// A text and the replacements made in it so far, kept apart from it: each replacement takes bytes of the
// text that no replacement took before and puts other bytes in their place. Many pairs can replace in the
// text this way, each in a single pass over the places they occur, and the new text is built once, by one
// pass from the left, rather than once for each pair.
class EditedText {
public:
    // Starts over with a text that must outlive the replacements made in it.
    void reset(std::string_view text);

    std::string_view text() const { return text_; }
    // The memory kept for the next text.
    std::size_t heldBytes() const;
    bool edited() const { return !edits_.empty(); }

    // Whether no replacement took any of the bytes from start to end.
    bool untouched(std::size_t start, std::size_t end) const;

    // Puts the replacement, which must outlive this, in place of the `length` untouched bytes at start.
    void replace(std::size_t start, std::size_t length, std::string_view replacement);

    // Replaces spans of the new text, as build() made it in `built`: the non-overlapping `length` bytes at
    // each of `starts` (ascending) become the replacement. A span may take bytes of earlier replacements and
    // of the text alike; it is then joined with the replacements it touches into one, which takes their
    // bytes of the text. `placed` becomes where the replacements that hold the spans start in the text.
    void replaceInBuilt(std::string_view built, const std::vector<std::size_t>& starts, std::size_t length,
                        std::string_view replacement, std::vector<std::size_t>& placed);

    // The replacement made at start, as it now reads.
    std::string_view replacementAt(std::size_t start) const;

    // Makes the replacement made at start read `bytes` instead.
    void rewrite(std::size_t start, std::string bytes);

    // The new text around the untouched bytes from start to end: up to `reach` bytes on each side of them,
    // fewer where the new text ends. `at` becomes where they lie in the window.
    void around(std::size_t start, std::size_t end, std::size_t reach, std::string& out,
                std::size_t& at) const;

    // The new text around the replacement made at start: up to `reach` bytes on each side of it, fewer where
    // the new text ends. `at` becomes where the replacement lies in the window, `size` its length.
    void window(std::size_t start, std::size_t reach, std::string& out, std::size_t& at,
                std::size_t& size) const;

    // window() for the replacement of `length` bytes at start by `replacement`: where no other replacement
    // lies within reach of it, taken from the text without putting the replacements in order, which a text
    // that many pairs replace in would otherwise do after each pair.
    void windowOf(std::size_t start, std::size_t length, std::string_view replacement, std::size_t reach,
                  std::string& out, std::size_t& at) const;

    // The new text.
    void build(std::string& out) const;

private:
    struct Edit {
        std::size_t length;
        std::string_view replacement;
    };
    using Edits = std::vector<std::pair<std::size_t, Edit>>;

    // Puts the replacements made since the last read in order with the others.
    void order() const;
    Edits::const_iterator firstFrom(std::size_t position) const;
    Edits::iterator editAt(std::size_t start) const;
    void markTaken(std::size_t start, std::size_t end);
    // The new text's bytes before or after a place of the text; `next` is the first replacement at or after
    // it.
    void leftOf(Edits::const_iterator next, std::size_t position, std::size_t reach, std::string& out) const;
    void rightOf(Edits::const_iterator next, std::size_t position, std::size_t reach, std::string& out) const;

    std::string_view text_;
    std::vector<std::uint64_t> taken_; // a bit for each byte of the text that a replacement took
    // By where they start in the text, up to `ordered_`; the ones made since follow as they came, each pair's
    // in ascending order, and are merged in when the replacements are next read in order. A text takes
    // thousands of replacements, which a tree would insert one by one, each with an allocation.
    mutable Edits edits_;
    mutable std::size_t ordered_ = 0;
    // Where replaceInBuilt puts the replacements in their new order; kept, as edits_ is, for the next text
    // rather than allocated again each time.
    Edits rebuilt_;
    std::deque<std::string> joined_; // the replacements that replaceInBuilt joined
    std::int64_t growth_ = 0;        // the new text's length less the text's
};

} // namespace morvane
