#include "core/text/edited_text.h"

#include <algorithm>

namespace morvane {

namespace {

constexpr std::size_t kWordBits = 64;

// The bits from `from` to `to` of a word, as a mask.
std::uint64_t bitsBetween(std::size_t from, std::size_t to) {
    const std::uint64_t upTo = to == kWordBits ? ~std::uint64_t{0} : (std::uint64_t{1} << to) - 1;
    return upTo & ~((std::uint64_t{1} << from) - 1);
}

} // namespace

void EditedText::reset(std::string_view text) {
    text_ = text;
    taken_.assign(text.size() / kWordBits + 1, 0);
    edits_.clear();
    grownBy_ = 0;
    shrunkBy_ = 0;
}

bool EditedText::untouched(std::size_t start, std::size_t end) const {
    for (std::size_t at = start; at < end;) {
        const std::size_t word = at / kWordBits;
        const std::size_t to = std::min(end - word * kWordBits, kWordBits);
        if (taken_[word] & bitsBetween(at % kWordBits, to)) {
            return false;
        }
        at = word * kWordBits + to;
    }
    return true;
}

void EditedText::replace(std::size_t start, std::size_t length, std::string_view replacement) {
    for (std::size_t at = start; at < start + length;) {
        const std::size_t word = at / kWordBits;
        const std::size_t to = std::min(start + length - word * kWordBits, kWordBits);
        taken_[word] |= bitsBetween(at % kWordBits, to);
        at = word * kWordBits + to;
    }
    edits_.emplace_hint(edits_.end(), start, Edit{length, replacement});
    if (replacement.size() >= length) {
        grownBy_ += replacement.size() - length;
    } else {
        shrunkBy_ += length - replacement.size();
    }
}

// Walking left from the replacement, the text's untouched bytes and the replacements before it, up to reach
// bytes, gathered in reverse and turned around at the end.
void EditedText::leftOf(Edits::const_iterator edit, std::size_t reach, std::string& out) const {
    std::size_t position = edit->first;
    while (reach > 0 && position > 0) {
        const std::size_t previousEnd =
            edit == edits_.begin() ? 0 : std::prev(edit)->first + std::prev(edit)->second.length;
        const std::size_t untouchedBytes = std::min(reach, position - previousEnd);
        out.append(text_.rbegin() + static_cast<std::ptrdiff_t>(text_.size() - position),
                   text_.rbegin() + static_cast<std::ptrdiff_t>(text_.size() - position + untouchedBytes));
        reach -= untouchedBytes;
        position -= untouchedBytes;
        if (reach == 0 || position == 0) {
            break;
        }
        --edit;
        const std::string_view replacement = edit->second.replacement;
        const std::size_t taken = std::min(reach, replacement.size());
        out.append(replacement.rbegin(), replacement.rbegin() + static_cast<std::ptrdiff_t>(taken));
        reach -= taken;
        position = edit->first;
    }
    std::reverse(out.begin(), out.end());
}

void EditedText::rightOf(Edits::const_iterator edit, std::size_t reach, std::string& out) const {
    std::size_t position = edit->first + edit->second.length;
    for (++edit; reach > 0 && position < text_.size(); ++edit) {
        const std::size_t nextStart = edit == edits_.end() ? text_.size() : edit->first;
        const std::size_t untouchedBytes = std::min(reach, nextStart - position);
        out.append(text_.substr(position, untouchedBytes));
        reach -= untouchedBytes;
        position += untouchedBytes;
        if (reach == 0 || edit == edits_.end()) {
            break;
        }
        const std::string_view replacement = edit->second.replacement;
        const std::size_t taken = std::min(reach, replacement.size());
        out.append(replacement.substr(0, taken));
        reach -= taken;
        position = edit->first + edit->second.length;
    }
}

void EditedText::window(std::size_t start, std::size_t reach, std::string& out, std::size_t& at) const {
    const auto edit = edits_.find(start);
    out.clear();
    leftOf(edit, reach, out);
    at = out.size();
    out.append(edit->second.replacement);
    rightOf(edit, reach, out);
}

void EditedText::build(std::string& out) const {
    out.clear();
    out.reserve(text_.size() + grownBy_ - shrunkBy_); // the bytes removed were the text's
    std::size_t copied = 0;
    for (const auto& [start, edit] : edits_) {
        out.append(text_.substr(copied, start - copied));
        out.append(edit.replacement);
        copied = start + edit.length;
    }
    out.append(text_.substr(copied));
}

} // namespace morvane
