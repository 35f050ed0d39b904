#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
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
    bool edited() const { return !edits_.empty(); }

    // Whether no replacement took any of the bytes from start to end.
    bool untouched(std::size_t start, std::size_t end) const;

    // Puts the replacement, which must outlive this, in place of the `length` untouched bytes at start.
    void replace(std::size_t start, std::size_t length, std::string_view replacement);

    // The new text around the replacement made at start: up to `reach` bytes on each side of it, fewer where
    // the new text ends. `at` becomes where the replacement lies in the window.
    void window(std::size_t start, std::size_t reach, std::string& out, std::size_t& at) const;

    // The new text.
    void build(std::string& out) const;

private:
    struct Edit {
        std::size_t length;
        std::string_view replacement;
    };
    using Edits = std::map<std::size_t, Edit>; // by where they start in the text

    void leftOf(Edits::const_iterator edit, std::size_t reach, std::string& out) const;
    void rightOf(Edits::const_iterator edit, std::size_t reach, std::string& out) const;

    std::string_view text_;
    std::vector<std::uint64_t> taken_; // a bit for each byte of the text that a replacement took
    Edits edits_;
    std::size_t grownBy_ = 0; // bytes the replacements add, less those they remove, where positive
    std::size_t shrunkBy_ = 0;
};

} // namespace morvane
