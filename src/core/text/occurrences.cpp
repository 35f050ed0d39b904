#include "core/text/occurrences.h"

#include "core/platform/platform_memory.h"
#include "core/text/two_way.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MORVANE_X86_SIMD 1
#include <immintrin.h>
#endif

namespace morvane {

namespace {

// Every occurrence, overlapping ones included, is reported in ascending order by one pass over the text.
// The vector scans compare a block of positions at once with the find text's first and last bytes and check
// only the candidates in full; with occurrences every few dozen bytes, as in ordinary text, this is several
// times faster than restarting memmem after each one. Where the candidates cost more to check than a few
// times the bytes scanned (a long find text over repetitive bytes), the rest of the text goes to the two-way
// search, whose time is linear whatever the bytes.

template <class OnHit>
void searchTwoWay(std::string_view text, std::string_view find, std::size_t from, OnHit& onHit) {
    TwoWaySearch(find).forEach(text.substr(from), [&](std::size_t at) { onHit(from + at); });
}

#ifdef MORVANE_X86_SIMD

constexpr std::size_t kCheckedBytesPerScannedByte = 4;

template <class OnHit>
void scanRemainder(std::string_view text, std::string_view find, std::size_t from, OnHit& onHit) {
    const std::size_t k = find.size();
    for (std::size_t i = from; i + k <= text.size(); ++i) {
        if (text[i] == find[0] && std::memcmp(text.data() + i, find.data(), k) == 0) {
            onHit(i);
        }
    }
}

// How many leading bytes of a and b agree, at most n.
std::size_t matchingBytes(const char* a, const char* b, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) {
            break;
        }
    }
    while (i < n && a[i] == b[i]) {
        ++i;
    }
    return i;
}

// A byte mask of the candidates in a block: bit b set when position i + b starts with the first byte and
// position i + b + k - 1 holds the last one. Full comparison of the bytes between follows. Returns the
// number of bytes compared.
template <class OnHit>
inline std::size_t checkCandidates(unsigned mask, std::size_t i, std::string_view text, std::string_view find,
                                   OnHit& onHit) {
    const std::size_t k = find.size();
    std::size_t checked = 0;
    while (mask) {
        const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
        const std::size_t middle = k <= 2 ? 0 : k - 2;
        const std::size_t agreeing = matchingBytes(text.data() + at + 1, find.data() + 1, middle);
        if (agreeing == middle) {
            onHit(at);
        }
        checked += agreeing + 1;
        mask &= mask - 1;
    }
    return checked;
}

// Each scan returns where it stopped: the end of the text, or the first position it has not looked at when
// checking candidates grew too costly.
template <class OnHit>
__attribute__((target("avx2"))) std::size_t scanAvx2(std::string_view text, std::string_view find,
                                                     OnHit& onHit) {
    const char* s = text.data();
    const std::size_t k = find.size();
    const __m256i first = _mm256_set1_epi8(find.front());
    const __m256i last = _mm256_set1_epi8(find.back());
    std::size_t checked = 0;
    std::size_t i = 0;
    for (; i + k - 1 + 32 <= text.size(); i += 32) {
        const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + k - 1));
        const __m256i both = _mm256_and_si256(_mm256_cmpeq_epi8(head, first), _mm256_cmpeq_epi8(tail, last));
        checked += checkCandidates(static_cast<unsigned>(_mm256_movemask_epi8(both)), i, text, find, onHit);
        if (checked > kCheckedBytesPerScannedByte * (i + k)) {
            return i + 32;
        }
    }
    scanRemainder(text, find, i, onHit);
    return text.size();
}

template <class OnHit> std::size_t scanSse2(std::string_view text, std::string_view find, OnHit& onHit) {
    const char* s = text.data();
    const std::size_t k = find.size();
    const __m128i first = _mm_set1_epi8(find.front());
    const __m128i last = _mm_set1_epi8(find.back());
    std::size_t checked = 0;
    std::size_t i = 0;
    for (; i + k - 1 + 16 <= text.size(); i += 16) {
        const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + k - 1));
        const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(head, first), _mm_cmpeq_epi8(tail, last));
        checked += checkCandidates(static_cast<unsigned>(_mm_movemask_epi8(both)), i, text, find, onHit);
        if (checked > kCheckedBytesPerScannedByte * (i + k)) {
            return i + 16;
        }
    }
    scanRemainder(text, find, i, onHit);
    return text.size();
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");

#endif

template <class OnHit> void forEachOccurrence(std::string_view text, std::string_view find, OnHit&& onHit) {
    if (find.empty() || find.size() > text.size()) {
        return;
    }
#ifdef MORVANE_X86_SIMD
    const std::size_t stopped = kHasAvx2 ? scanAvx2(text, find, onHit) : scanSse2(text, find, onHit);
    if (stopped < text.size()) {
        searchTwoWay(text, find, stopped, onHit);
    }
#else
    searchTwoWay(text, find, 0, onHit);
#endif
}

// The occurrences a replacement takes, from the left, each passed to onTaken: one that starts inside the
// occurrence taken last is passed over. Returns the count of every occurrence, passed-over ones included.
template <class OnTaken>
std::int64_t forEachTaken(std::string_view text, std::string_view find, OnTaken&& onTaken) {
    std::int64_t count = 0;
    std::size_t consumed = 0;
    forEachOccurrence(text, find, [&](std::size_t at) {
        ++count;
        if (at >= consumed) {
            onTaken(at);
            consumed = at + find.size();
        }
    });
    return count;
}

// Writes the new text over the old one from the left. The output never runs ahead of the input, since no
// replacement is longer than what it replaces; it is held back to bytes the search has passed, because the
// search still reads the bytes after the occurrence it reports (an overlapping one may start there). The
// replacement for an occurrence is therefore written only at the next occurrence that is replaced, or at
// the end.
void record(Insertions* insertions, std::size_t at) {
    if (!insertions || insertions->overflowed) {
        return;
    }
    if (insertions->at.size() == insertions->most) {
        insertions->overflowed = true;
        insertions->at.clear();
        return;
    }
    insertions->at.push_back(at);
}

std::int64_t replaceNotGrowing(std::string& text, std::string_view find, std::string_view replacement,
                               Insertions* insertions) {
    char* const data = text.data();
    std::size_t written = 0;
    std::size_t consumed = 0;
    bool replacementPending = false;
    const auto writeUpTo = [&](std::size_t at) {
        if (replacementPending) {
            record(insertions, written);
            std::memcpy(data + written, replacement.data(), replacement.size());
            written += replacement.size();
        }
        if (written != consumed) {
            std::memmove(data + written, data + consumed, at - consumed);
        }
        written += at - consumed;
    };
    const std::int64_t count = forEachTaken(text, find, [&](std::size_t at) {
        writeUpTo(at);
        replacementPending = true;
        consumed = at + find.size();
    });
    if (count > 0) {
        writeUpTo(text.size());
        text.resize(written);
    }
    return count;
}

// The new text is longer: it is built in memory reserved for the most it can grow to, which costs nothing
// until written; where that bound is large, the occurrences to be replaced are counted first to reserve
// exactly. The old text's pages are given back as the copy passes them, so that both texts are never held
// whole at once.
std::int64_t replaceGrowing(std::string& text, std::string_view find, std::string_view replacement,
                            Insertions* insertions) {
    const std::size_t k = find.size();
    const std::size_t extra = replacement.size() - k;
    std::size_t growth = 0;
    if (__builtin_mul_overflow(text.size() / std::max<std::size_t>(k, 1), extra, &growth) ||
        growth > text.size()) {
        std::size_t replaced = 0;
        forEachTaken(text, find, [&replaced](std::size_t) { ++replaced; });
        if (__builtin_mul_overflow(replaced, extra, &growth)) {
            throw std::length_error("the replaced text is too long");
        }
    }
    constexpr std::size_t kReleaseStep = std::size_t{16} << 20;
    std::string out;
    std::size_t consumed = 0;
    std::size_t released = 0;
    const std::int64_t count = forEachTaken(text, find, [&](std::size_t at) {
        if (out.empty()) { // the first occurrence: a text without one reserves nothing
            out.reserve(text.size() + growth);
        }
        out.append(text, consumed, at - consumed);
        record(insertions, out.size());
        out.append(replacement);
        consumed = at + k;
        // The search reads nothing before the occurrence it reports.
        if (at - released >= kReleaseStep) {
            platform::releasePages(text.data() + released, at - released);
            released = at;
        }
    });
    if (count > 0) {
        out.append(text, consumed);
        text.swap(out); // the old text is freed on return
    }
    return count;
}

} // namespace

std::int64_t countOccurrences(std::string_view text, std::string_view find) {
    std::int64_t count = 0;
    forEachOccurrence(text, find, [&count](std::size_t) { ++count; });
    return count;
}

std::int64_t replaceInPlace(std::string& text, std::string_view find, std::string_view replacement) {
    return replacement.size() <= find.size() ? replaceNotGrowing(text, find, replacement, nullptr)
                                             : replaceGrowing(text, find, replacement, nullptr);
}

std::int64_t replaceInPlace(std::string& text, std::string_view find, std::string_view replacement,
                            Insertions& insertions) {
    insertions.at.clear();
    insertions.overflowed = false;
    return replacement.size() <= find.size() ? replaceNotGrowing(text, find, replacement, &insertions)
                                             : replaceGrowing(text, find, replacement, &insertions);
}

std::int64_t forEachReplaced(std::string_view text, std::string_view find,
                             const std::function<void(std::size_t at)>& onReplaced) {
    return forEachTaken(text, find, onReplaced);
}

void visitOccurrences(std::string_view text, std::string_view find,
                      const std::function<void(std::size_t at)>& onHit) {
    forEachOccurrence(text, find, onHit);
}

std::string replaceAllOccurrences(std::string_view text, std::string_view find,
                                  std::string_view replacement) {
    std::string out(text);
    replaceInPlace(out, find, replacement);
    return out;
}

std::vector<PairRole> pairRoles(const std::vector<std::string>& finds,
                                const std::vector<std::string>& replaces, bool simulate) {
    std::vector<PairRole> roles(finds.size(), PairRole::Replace);
    for (std::size_t j = 0; j < finds.size(); ++j) {
        if (finds[j] == replaces[j]) {
            roles[j] = PairRole::Keep;
        }
    }
    for (std::size_t j = finds.size(); simulate && j-- > 0;) {
        if (!finds[j].empty()) {
            roles[j] = PairRole::OnlyCount;
            break;
        }
    }
    return roles;
}

} // namespace morvane
