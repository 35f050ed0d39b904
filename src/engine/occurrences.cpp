#include "engine/occurrences.h"

#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MORVANE_X86_SIMD 1
#include <immintrin.h>
#endif

namespace morvane {

namespace {

// Every occurrence, overlapping ones included, is reported in ascending order by one pass over the text.
// The vector scans compare a block of positions at once with the find text's first and last bytes and check
// only the candidates in full; with occurrences every few dozen bytes, as in ordinary text, this is several
// times faster than restarting memmem after each one.

template <class OnHit>
void scanRemainder(std::string_view text, std::string_view find, std::size_t from, OnHit& onHit) {
    const std::size_t k = find.size();
    for (std::size_t i = from; i + k <= text.size(); ++i) {
        if (text[i] == find[0] && std::memcmp(text.data() + i, find.data(), k) == 0) {
            onHit(i);
        }
    }
}

#ifdef MORVANE_X86_SIMD

// A byte mask of the candidates in a block: bit b set when position i + b starts with the first byte and
// position i + b + k - 1 holds the last one. Full comparison of the bytes between follows.
template <class OnHit>
inline void checkCandidates(unsigned mask, std::size_t i, std::string_view text, std::string_view find,
                            OnHit& onHit) {
    const std::size_t k = find.size();
    while (mask) {
        const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
        if (k <= 2 || std::memcmp(text.data() + at + 1, find.data() + 1, k - 2) == 0) {
            onHit(at);
        }
        mask &= mask - 1;
    }
}

template <class OnHit>
__attribute__((target("avx2"))) void scanAvx2(std::string_view text, std::string_view find, OnHit& onHit) {
    const char* s = text.data();
    const std::size_t k = find.size();
    const __m256i first = _mm256_set1_epi8(find.front());
    const __m256i last = _mm256_set1_epi8(find.back());
    std::size_t i = 0;
    for (; i + k - 1 + 32 <= text.size(); i += 32) {
        const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + k - 1));
        const __m256i both = _mm256_and_si256(_mm256_cmpeq_epi8(head, first), _mm256_cmpeq_epi8(tail, last));
        checkCandidates(static_cast<unsigned>(_mm256_movemask_epi8(both)), i, text, find, onHit);
    }
    scanRemainder(text, find, i, onHit);
}

template <class OnHit> void scanSse2(std::string_view text, std::string_view find, OnHit& onHit) {
    const char* s = text.data();
    const std::size_t k = find.size();
    const __m128i first = _mm_set1_epi8(find.front());
    const __m128i last = _mm_set1_epi8(find.back());
    std::size_t i = 0;
    for (; i + k - 1 + 16 <= text.size(); i += 16) {
        const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + k - 1));
        const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(head, first), _mm_cmpeq_epi8(tail, last));
        checkCandidates(static_cast<unsigned>(_mm_movemask_epi8(both)), i, text, find, onHit);
    }
    scanRemainder(text, find, i, onHit);
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");

#endif

template <class OnHit> void forEachOccurrence(std::string_view text, std::string_view find, OnHit&& onHit) {
    if (find.empty() || find.size() > text.size()) {
        return;
    }
#ifdef MORVANE_X86_SIMD
    if (kHasAvx2) {
        scanAvx2(text, find, onHit);
    } else {
        scanSse2(text, find, onHit);
    }
#else
    for (std::size_t at = text.find(find); at != std::string_view::npos; at = text.find(find, at + 1)) {
        onHit(at);
    }
#endif
}

} // namespace

std::int64_t AnzahlFundstellen(std::string_view text, std::string_view find) {
    std::int64_t count = 0;
    forEachOccurrence(text, find, [&count](std::size_t) { ++count; });
    return count;
}

std::int64_t countAndReplace(std::string_view text, std::string_view find, std::string_view replacement,
                             std::string& out) {
    std::int64_t count = 0;
    std::size_t copiedUpTo = 0;
    forEachOccurrence(text, find, [&](std::size_t at) {
        ++count;
        if (at < copiedUpTo) {
            return; // starts inside the occurrence replaced last
        }
        if (count == 1) {
            out.clear();
            out.reserve(text.size());
        }
        out.append(text.data() + copiedUpTo, at - copiedUpTo);
        out.append(replacement);
        copiedUpTo = at + find.size();
    });
    if (count > 0) {
        out.append(text.data() + copiedUpTo, text.size() - copiedUpTo);
    }
    return count;
}

std::string replaceAllOccurrences(std::string_view text, std::string_view find,
                                  std::string_view replacement) {
    std::string out;
    if (countAndReplace(text, find, replacement, out) == 0) {
        return std::string(text);
    }
    return out;
}

} // namespace morvane
