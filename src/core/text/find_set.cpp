#include "core/text/find_set.h"

#include "core/text/text_encoding.h"

#include <algorithm>
#include <deque>
#include <new>

namespace morvane {

namespace {

constexpr std::uint32_t kNone = 0xffffffffu;
// A transition's top bit says that the state it leads to ends a find text; the rest is the state's first
// entry in the table.
constexpr std::uint32_t kReports = 0x80000000u;
// Beyond this many table entries the automaton would cost more memory than the texts it scans.
constexpr std::size_t kMostEntries = std::size_t{1} << 24;

} // namespace

FindSet::FindSet(const std::vector<std::string>& finds, bool foldAscii) : findCount_(finds.size()) {
    std::size_t bytes = 0;
    for (const std::string& find : finds) {
        bytes += find.size();
        lengths_.push_back(static_cast<std::uint32_t>(find.size()));
        longest_ = std::max(longest_, find.size());
        for (const unsigned char c : find) {
            const unsigned char byte = foldAscii ? asciiLower(c) : c;
            if (classOf_[byte] == 0) {
                classOf_[byte] = static_cast<std::uint8_t>(classes_ < 256 ? classes_++ : 0);
            }
        }
    }
    // Folding, an upper-case letter is read as its lower-case one; no find text then walks to the class of
    // an upper-case letter itself.
    for (unsigned char c = 'A'; foldAscii && c <= 'Z'; ++c) {
        classOf_[c] = classOf_[asciiLower(c)];
    }
    // Class 0 stands for every byte no find text uses; where all 256 are used, it is the last one's alone.
    if ((bytes + 1) * classes_ > kMostEntries) {
        return;
    }
    try {
        // The trie: each state's transitions, and the find texts that end at it.
        std::vector<std::uint32_t> trie(classes_, kNone);
        firstEnding_.assign(1, -1);
        for (std::size_t j = 0; j < finds.size(); ++j) {
            if (finds[j].empty()) {
                continue;
            }
            std::uint32_t state = 0;
            for (const unsigned char c : finds[j]) {
                const std::size_t at = state * classes_ + classOf_[c];
                if (trie[at] == kNone) {
                    trie[at] = static_cast<std::uint32_t>(firstEnding_.size());
                    firstEnding_.push_back(-1);
                    trie.resize(trie.size() + classes_, kNone);
                }
                state = trie[at];
            }
            endings_.push_back(static_cast<std::int32_t>(j));
            endings_.push_back(firstEnding_[state]);
            firstEnding_[state] = static_cast<std::int32_t>(endings_.size() - 2);
        }
        // Breadth first, each state's failure state is known before its children's: a missing transition
        // takes the failure state's, which makes the trie a complete automaton.
        const std::size_t states = firstEnding_.size();
        std::vector<std::uint32_t> failure(states, 0);
        shorterEnd_.assign(states, -1);
        std::deque<std::uint32_t> queue;
        for (std::uint32_t c = 0; c < classes_; ++c) {
            if (trie[c] == kNone) {
                trie[c] = 0;
            } else {
                queue.push_back(trie[c]);
            }
        }
        while (!queue.empty()) {
            const std::uint32_t state = queue.front();
            queue.pop_front();
            for (std::uint32_t c = 0; c < classes_; ++c) {
                std::uint32_t& to = trie[state * classes_ + c];
                const std::uint32_t fallback = trie[failure[state] * classes_ + c];
                if (to == kNone) {
                    to = fallback;
                    continue;
                }
                failure[to] = fallback;
                shorterEnd_[to] =
                    firstEnding_[fallback] >= 0 ? static_cast<std::int32_t>(fallback) : shorterEnd_[fallback];
                queue.push_back(to);
            }
        }
        next_.resize(trie.size());
        for (std::size_t e = 0; e < trie.size(); ++e) {
            const std::uint32_t to = trie[e];
            const bool reports = firstEnding_[to] >= 0 || shorterEnd_[to] >= 0;
            next_[e] = to * classes_ | (reports ? kReports : 0);
        }
        usable_ = true;
    } catch (const std::bad_alloc&) {
        next_.clear();
    }
}

void FindSet::report(std::uint32_t state, std::vector<char>& present) const {
    for (std::int32_t s = static_cast<std::int32_t>(state / classes_); s >= 0; s = shorterEnd_[s]) {
        for (std::int32_t e = firstEnding_[s]; e >= 0; e = endings_[e + 1]) {
            present[endings_[e]] = 1;
        }
    }
}

template <typename Visit> void FindSet::walk(std::string_view text, Visit&& visit) const {
    const std::uint32_t* const next = next_.data();
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    const auto step = [&](std::uint32_t& state, std::size_t at, std::size_t walk, std::size_t border) {
        const std::uint32_t to = next[state + classOf_[bytes[at]]];
        state = to & ~kReports;
        if (to & kReports) {
            visit(state, at + 1, walk, border);
        }
    };
    // One walk is a chain of table lookups, each waiting for the one before. Walks over four parts of the
    // text side by side let the processor overlap them; each walk goes on into the next part by the longest
    // find text less one byte, so that an occurrence that starts before the border is still found whole.
    const std::size_t part = text.size() / kWalks;
    if (part < 4 * longest_) {
        std::uint32_t state = 0;
        for (std::size_t at = 0; at < text.size(); ++at) {
            step(state, at, 0, text.size());
        }
        return;
    }
    // Written out, so that the states stay in registers rather than pass through memory at every step (a
    // tenth of a run with a thousand pairs).
    static_assert(kWalks == 4);
    std::uint32_t first = 0, second = 0, third = 0, fourth = 0;
    for (std::size_t i = 0; i < part; ++i) {
        step(first, i, 0, part);
        step(second, part + i, 1, 2 * part);
        step(third, 2 * part + i, 2, 3 * part);
        step(fourth, 3 * part + i, 3, 4 * part);
    }
    std::uint32_t states[kWalks] = {first, second, third, fourth};
    for (std::size_t w = 0; w + 1 < kWalks; ++w) {
        for (std::size_t at = (w + 1) * part; at < (w + 1) * part + longest_ - 1; ++at) {
            step(states[w], at, w, (w + 1) * part);
        }
    }
    for (std::size_t at = kWalks * part; at < text.size(); ++at) {
        step(states[kWalks - 1], at, kWalks - 1, text.size());
    }
}

void FindSet::occurring(std::string_view text, std::vector<char>& present) const {
    present.assign(findCount_, 0);
    if (!usable_ || longest_ == 0) {
        return;
    }
    // An occurrence found twice across a border marks its find text twice, which is harmless.
    walk(text, [&](std::uint32_t state, std::size_t, std::size_t, std::size_t) { report(state, present); });
}

bool FindSet::allOccurrences(std::string_view text, std::size_t most,
                             std::vector<std::uint64_t>& reported) const {
    if (!usable_) {
        return false;
    }
    // The first walk appends to `reported` and each later one to its own list, which then follows it, so
    // that each find text's occurrences come in the order of their starts.
    const std::size_t before = reported.size();
    std::vector<std::uint64_t> later[kWalks - 1];
    bool full = false;
    walk(text, [&](std::uint32_t state, std::size_t end, std::size_t w, std::size_t border) {
        std::vector<std::uint64_t>& into = w == 0 ? reported : later[w - 1];
        const std::size_t held = w == 0 ? before : 0;
        for (std::int32_t s = static_cast<std::int32_t>(state / classes_); s >= 0; s = shorterEnd_[s]) {
            for (std::int32_t e = firstEnding_[s]; e >= 0; e = endings_[e + 1]) {
                const auto k = static_cast<std::uint64_t>(endings_[e]);
                const std::size_t start = end - lengths_[k];
                // The next walk finds what starts at or after the border.
                if (start >= border) {
                    continue;
                }
                if (into.size() - held == most) {
                    full = true;
                    continue;
                }
                into.push_back(k << 32 | start);
            }
        }
    });
    std::size_t count = reported.size() - before;
    for (const std::vector<std::uint64_t>& part : later) {
        count += part.size();
    }
    if (full || count > most) {
        return false;
    }
    for (const std::vector<std::uint64_t>& part : later) {
        reported.insert(reported.end(), part.begin(), part.end());
    }
    return true;
}

void FindSet::markTouching(std::string_view text, const std::vector<std::size_t>& at, std::size_t size,
                           std::size_t reach, const std::vector<char>& wanted,
                           std::vector<char>& present) const {
    if (!usable_) {
        return;
    }
    const std::uint32_t* const next = next_.data();
    const auto windowStart = [&](std::size_t insertion) { return insertion > reach ? insertion - reach : 0; };
    for (std::size_t i = 0; i < at.size();) {
        // Insertions whose windows overlap are scanned as one window.
        const auto first = at.begin() + static_cast<std::ptrdiff_t>(i);
        const std::size_t from = windowStart(at[i]);
        std::size_t to = std::min(text.size(), at[i] + size + reach);
        while (i + 1 < at.size() && windowStart(at[i + 1]) <= to) {
            ++i;
            to = std::min(text.size(), at[i] + size + reach);
        }
        ++i;
        const auto last = at.begin() + static_cast<std::ptrdiff_t>(i);
        std::uint32_t state = 0;
        for (std::size_t end = from + 1; end <= to; ++end) {
            const std::uint32_t step = next[state + classOf_[static_cast<unsigned char>(text[end - 1])]];
            state = step & ~kReports;
            if (!(step & kReports)) {
                continue;
            }
            for (std::int32_t s = static_cast<std::int32_t>(state / classes_); s >= 0; s = shorterEnd_[s]) {
                for (std::int32_t e = firstEnding_[s]; e >= 0; e = endings_[e + 1]) {
                    const auto k = static_cast<std::size_t>(endings_[e]);
                    if (!wanted[k] || present[k]) {
                        continue;
                    }
                    // The first insertion that ends after the occurrence starts, or lies after its start.
                    const std::size_t start = end - lengths_[k];
                    const auto touching =
                        std::lower_bound(first, last, start + 1 > size ? start + 1 - size : 0);
                    if (touching != last && *touching < end) {
                        present[k] = 1;
                    }
                }
            }
        }
    }
}

} // namespace morvane
