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

std::size_t EditedText::heldBytes() const {
    return (edits_.capacity() + rebuilt_.capacity()) * sizeof(Edits::value_type) +
           taken_.capacity() * sizeof(std::uint64_t);
}

void EditedText::reset(std::string_view text) {
    text_ = text;
    taken_.assign(text.size() / kWordBits + 1, 0);
    edits_.clear();
    ordered_ = 0;
    joined_.clear();
    growth_ = 0;
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
    markTaken(start, start + length);
    edits_.emplace_back(start, Edit{length, replacement});
    growth_ += static_cast<std::int64_t>(replacement.size()) - static_cast<std::int64_t>(length);
}

void EditedText::order() const {
    if (ordered_ == edits_.size()) {
        return;
    }
    const auto byStart = [](const auto& a, const auto& b) { return a.first < b.first; };
    const auto since = edits_.begin() + static_cast<std::ptrdiff_t>(ordered_);
    // Mostly the replacements since are one pair's, which come in order.
    if (!std::is_sorted(since, edits_.end(), byStart)) {
        std::sort(since, edits_.end(), byStart);
    }
    std::inplace_merge(edits_.begin(), since, edits_.end(), byStart);
    ordered_ = edits_.size();
}

EditedText::Edits::const_iterator EditedText::firstFrom(std::size_t position) const {
    order();
    return std::lower_bound(edits_.cbegin(), edits_.cend(), position,
                            [](const auto& edit, std::size_t at) { return edit.first < at; });
}

EditedText::Edits::iterator EditedText::editAt(std::size_t start) const {
    const auto edit = firstFrom(start);
    return edit != edits_.cend() && edit->first == start ? edits_.begin() + (edit - edits_.cbegin())
                                                         : edits_.end();
}

void EditedText::markTaken(std::size_t start, std::size_t end) {
    for (std::size_t at = start; at < end;) {
        const std::size_t word = at / kWordBits;
        const std::size_t to = std::min(end - word * kWordBits, kWordBits);
        taken_[word] |= bitsBetween(at % kWordBits, to);
        at = word * kWordBits + to;
    }
}

namespace {

// A span of the new text and the bytes of the text its replacement is to take: from the start of the first
// replacement it touches, or its own first byte, to the end of the last, or its own last byte; `from` and
// `to` are where those lie in the new text.
struct Joined {
    std::size_t textStart;
    std::size_t textEnd;
    std::size_t from;
    std::size_t to;
};

} // namespace

// One walk over the replacements, knowing where each lies in the new text, finds what each span touches; the
// spans that touch the same replacement make one joined replacement.
void EditedText::replaceInBuilt(std::string_view built, const std::vector<std::size_t>& starts,
                                std::size_t length, std::string_view replacement,
                                std::vector<std::size_t>& placed) {
    placed.clear();
    order();
    std::vector<Joined> spans;
    auto edit = edits_.cbegin();
    std::int64_t shift = 0; // where a byte of the text lies in the new text, less where it lies in the text
    const auto textOf = [&shift](std::size_t at) {
        return static_cast<std::size_t>(static_cast<std::int64_t>(at) - shift);
    };
    for (const std::size_t start : starts) {
        const std::size_t end = start + length;
        // Replacements wholly before the span, a cut where it starts included.
        while (edit != edits_.end() && static_cast<std::int64_t>(edit->first) + shift +
                                               static_cast<std::int64_t>(edit->second.replacement.size()) <=
                                           static_cast<std::int64_t>(start)) {
            shift += static_cast<std::int64_t>(edit->second.replacement.size()) -
                     static_cast<std::int64_t>(edit->second.length);
            ++edit;
        }
        Joined span{0, 0, start, end};
        if (!spans.empty() && start < spans.back().to) {
            // Inside the last replacement an earlier span took, which the walk has passed.
            if (end <= spans.back().to) {
                continue;
            }
            span.textStart = spans.back().textStart;
            span.from = spans.back().from;
        } else {
            span.textStart = textOf(start);
        }
        bool first = true;
        // Replacements that hold a byte of the span, or a cut inside it.
        while (edit != edits_.end() &&
               static_cast<std::int64_t>(edit->first) + shift < static_cast<std::int64_t>(end)) {
            const std::size_t from = static_cast<std::size_t>(static_cast<std::int64_t>(edit->first) + shift);
            if (first && from <= start) {
                span.textStart = edit->first;
                span.from = from;
            }
            first = false;
            span.to = std::max(end, from + edit->second.replacement.size());
            shift += static_cast<std::int64_t>(edit->second.replacement.size()) -
                     static_cast<std::int64_t>(edit->second.length);
            ++edit;
        }
        span.textEnd = span.to > end ? std::prev(edit)->first + std::prev(edit)->second.length : textOf(end);
        if (!spans.empty() && span.textStart < spans.back().textEnd) {
            spans.back().textEnd = std::max(spans.back().textEnd, span.textEnd);
            spans.back().to = std::max(spans.back().to, span.to);
        } else {
            spans.push_back(span);
        }
    }
    // Each joined replacement: the new text of its bytes with the spans in it replaced, in place of the
    // replacements it joins.
    Edits& rebuilt = rebuilt_;
    rebuilt.clear();
    auto kept = edits_.cbegin();
    std::size_t next = 0;
    for (const Joined& span : spans) {
        std::string& bytes = joined_.emplace_back();
        std::size_t copied = span.from;
        for (; next < starts.size() && starts[next] < span.to; ++next) {
            bytes.append(built.substr(copied, starts[next] - copied));
            bytes.append(replacement);
            copied = starts[next] + length;
        }
        bytes.append(built.substr(copied, span.to - copied));
        for (; kept != edits_.cend() && kept->first < span.textStart; ++kept) {
            rebuilt.push_back(*kept);
        }
        while (kept != edits_.cend() && kept->first < span.textEnd) {
            ++kept;
        }
        markTaken(span.textStart, span.textEnd);
        rebuilt.emplace_back(span.textStart, Edit{span.textEnd - span.textStart, bytes});
        growth_ += static_cast<std::int64_t>(bytes.size()) - static_cast<std::int64_t>(span.to - span.from);
        placed.push_back(span.textStart);
    }
    rebuilt.insert(rebuilt.end(), kept, edits_.cend());
    edits_.swap(rebuilt);
    ordered_ = edits_.size();
}

// Walking left from the place, the text's untouched bytes and the replacements before it, up to reach bytes,
// gathered in reverse and turned around at the end.
void EditedText::leftOf(Edits::const_iterator next, std::size_t position, std::size_t reach,
                        std::string& out) const {
    const std::size_t from = out.size();
    auto edit = next;
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
    std::reverse(out.begin() + static_cast<std::ptrdiff_t>(from), out.end());
}

void EditedText::rightOf(Edits::const_iterator next, std::size_t position, std::size_t reach,
                         std::string& out) const {
    for (auto edit = next; reach > 0 && position < text_.size(); ++edit) {
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

std::string_view EditedText::replacementAt(std::size_t start) const {
    const auto edit = editAt(start);
    return edit == edits_.end() ? std::string_view() : edit->second.replacement;
}

void EditedText::rewrite(std::size_t start, std::string bytes) {
    Edit& edit = editAt(start)->second;
    growth_ += static_cast<std::int64_t>(bytes.size()) - static_cast<std::int64_t>(edit.replacement.size());
    edit.replacement = joined_.emplace_back(std::move(bytes));
}

void EditedText::window(std::size_t start, std::size_t reach, std::string& out, std::size_t& at,
                        std::size_t& size) const {
    const auto edit = editAt(start);
    out.clear();
    leftOf(edit, edit->first, reach, out);
    at = out.size();
    size = edit->second.replacement.size();
    out.append(edit->second.replacement);
    rightOf(std::next(edit), edit->first + edit->second.length, reach, out);
}

void EditedText::windowOf(std::size_t start, std::size_t length, std::string_view replacement,
                          std::size_t reach, std::string& out, std::size_t& at) const {
    const std::size_t from = start > reach ? start - reach : 0;
    const std::size_t end = start + length;
    const std::size_t to = std::min(text_.size(), end + reach);
    if (!untouched(from, start) || !untouched(end, to)) {
        std::size_t size = 0;
        window(start, reach, out, at, size);
        return;
    }
    out.assign(text_.substr(from, start - from));
    at = out.size();
    out.append(replacement);
    out.append(text_.substr(end, to - end));
}

void EditedText::around(std::size_t start, std::size_t end, std::size_t reach, std::string& out,
                        std::size_t& at) const {
    // No replacement starts between start and end, which none took.
    const auto next = firstFrom(start);
    out.clear();
    leftOf(next, start, reach, out);
    at = out.size();
    out.append(text_.substr(start, end - start));
    rightOf(next, end, reach, out);
}

void EditedText::build(std::string& out) const {
    order();
    out.clear();
    out.reserve(static_cast<std::size_t>(static_cast<std::int64_t>(text_.size()) + growth_));
    std::size_t copied = 0;
    for (const auto& [start, edit] : edits_) {
        out.append(text_.substr(copied, start - copied));
        out.append(edit.replacement);
        copied = start + edit.length;
    }
    out.append(text_.substr(copied));
}

} // namespace morvane
