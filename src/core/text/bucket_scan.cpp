#include "core/text/bucket_scan.h"

#include "core/text/text_encoding.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MORVANE_BUCKET_SIMD 1
#include <immintrin.h>
#endif

namespace morvane {

namespace {

constexpr std::uint16_t kEveryNibble = 0xffff;

// The share of places a bucket lets through, were every byte value as frequent as any other.
double passRate(const std::array<std::uint16_t, 3>& low, const std::array<std::uint16_t, 3>& high) {
    double rate = 1;
    for (std::size_t m = 0; m < low.size(); ++m) {
        rate *= __builtin_popcount(low[m]) * __builtin_popcount(high[m]) / 256.0;
    }
    return rate;
}

bool equalFolded(const char* text, std::string_view lowered) {
    for (std::size_t i = 0; i < lowered.size(); ++i) {
        if (asciiLower(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(lowered[i])) {
            return false;
        }
    }
    return true;
}

#ifdef MORVANE_BUCKET_SIMD

constexpr std::size_t kBlock = 32;

// For each of the 32 places from `at`, the buckets whose tables let through the bytes there.
template <std::size_t Width>
__attribute__((target("avx2"))) inline __m256i bucketsAt(const unsigned char* at, const __m256i (&low)[Width],
                                                         const __m256i (&high)[Width]) {
    const __m256i nibble = _mm256_set1_epi8(0x0f);
    __m256i buckets = _mm256_set1_epi8(-1);
    for (std::size_t m = 0; m < Width; ++m) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + m));
        const __m256i lowHalves = _mm256_and_si256(bytes, nibble);
        const __m256i highHalves = _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble);
        buckets = _mm256_and_si256(buckets, _mm256_and_si256(_mm256_shuffle_epi8(low[m], lowHalves),
                                                             _mm256_shuffle_epi8(high[m], highHalves)));
    }
    return buckets;
}

__attribute__((target("avx2"))) inline std::uint32_t placesWithBuckets(__m256i buckets) {
    return ~static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi8(buckets, _mm256_setzero_si256())));
}

// Calls onBlock(base, candidates, buckets) for each block of 32 places that holds a candidate; stops, false,
// where it returns false.
template <std::size_t Width, class OnBlock>
__attribute__((target("avx2"))) bool scanAvx2(std::string_view text,
                                              const std::uint8_t (&lowTables)[Width][32],
                                              const std::uint8_t (&highTables)[Width][32], OnBlock& onBlock) {
    __m256i low[Width];
    __m256i high[Width];
    for (std::size_t m = 0; m < Width; ++m) {
        low[m] = _mm256_load_si256(reinterpret_cast<const __m256i*>(lowTables[m]));
        high[m] = _mm256_load_si256(reinterpret_cast<const __m256i*>(highTables[m]));
    }
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    alignas(kBlock) std::uint8_t buckets[kBlock];
    std::size_t i = 0;
    for (; i + kBlock + Width - 1 <= size; i += kBlock) {
        const __m256i found = bucketsAt(bytes + i, low, high);
        const std::uint32_t candidates = placesWithBuckets(found);
        if (candidates != 0) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(buckets), found);
            if (!onBlock(i, candidates, buckets)) {
                return false;
            }
        }
    }
    // The lookups read Width - 1 bytes past each place: the last places are read from a copy padded with
    // zero bytes, and whatever the padding lets through is checked against the text itself.
    alignas(kBlock) unsigned char tail[2 * kBlock + Width] = {};
    std::memcpy(tail, bytes + i, size - i);
    for (std::size_t at = 0; i + at < size; at += kBlock) {
        const __m256i found = bucketsAt(tail + at, low, high);
        std::uint32_t candidates = placesWithBuckets(found);
        if (size - i - at < kBlock) {
            candidates &= (std::uint32_t{1} << (size - i - at)) - 1;
        }
        if (candidates != 0) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(buckets), found);
            if (!onBlock(i + at, candidates, buckets)) {
                return false;
            }
        }
    }
    return true;
}

#endif

} // namespace

bool BucketScan::supported() {
#ifdef MORVANE_BUCKET_SIMD
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
#else
    return false;
#endif
}

BucketScan::BucketScan(const std::vector<std::string>& finds, const std::vector<char>& ignoringCase) {
    std::vector<Find> kept;
    for (std::size_t j = 0; j < finds.size(); ++j) {
        if (finds[j].empty()) {
            continue;
        }
        Find find{finds[j], static_cast<std::uint32_t>(j), j < ignoringCase.size() && ignoringCase[j]};
        if (find.folding) {
            std::transform(find.bytes.begin(), find.bytes.end(), find.bytes.begin(), [](char c) {
                return static_cast<char>(asciiLower(static_cast<unsigned char>(c)));
            });
        }
        kept.push_back(std::move(find));
    }
    usable_ = serves(kept.size()) && finds.size() <= 0xffffffffu;
    if (usable_) {
        shareOut(std::move(kept));
    }
}

BucketScan::Nibbles BucketScan::nibblesOf(const Find& find) {
    Nibbles nibbles;
    for (std::size_t m = 0; m < kWidth; ++m) {
        if (m >= find.bytes.size()) {
            nibbles.low[m] = kEveryNibble;
            nibbles.high[m] = kEveryNibble;
            continue;
        }
        const auto c = static_cast<unsigned char>(find.bytes[m]);
        nibbles.low[m] = static_cast<std::uint16_t>(1u << (c & 0x0f));
        nibbles.high[m] = static_cast<std::uint16_t>(1u << (c >> 4));
        if (find.folding && isAsciiLetter(c)) {
            nibbles.high[m] |= static_cast<std::uint16_t>(1u << ((c ^ 0x20) >> 4));
        }
    }
    return nibbles;
}

// The shortest find texts, which let the most places through, are placed first; each goes to the bucket
// whose share of places let through it raises least, which puts find texts that start alike together.
void BucketScan::shareOut(std::vector<Find> finds) {
    std::stable_sort(finds.begin(), finds.end(),
                     [](const Find& a, const Find& b) { return a.bytes.size() < b.bytes.size(); });
    std::array<Nibbles, kBuckets> shares{};
    for (Find& find : finds) {
        const Nibbles own = nibblesOf(find);
        std::size_t best = 0;
        double bestRise = 2;
        for (std::size_t b = 0; b < kBuckets; ++b) {
            Nibbles joined = shares[b];
            for (std::size_t m = 0; m < kWidth; ++m) {
                joined.low[m] |= own.low[m];
                joined.high[m] |= own.high[m];
            }
            const double rise = passRate(joined.low, joined.high) - passRate(shares[b].low, shares[b].high);
            if (rise < bestRise) {
                best = b;
                bestRise = rise;
            }
        }
        for (std::size_t m = 0; m < kWidth; ++m) {
            shares[best].low[m] |= own.low[m];
            shares[best].high[m] |= own.high[m];
        }
        buckets_[best].push_back(std::move(find));
    }
    for (std::size_t b = 0; b < kBuckets; ++b) {
        for (std::size_t m = 0; m < kWidth; ++m) {
            for (unsigned nibble = 0; nibble < 16; ++nibble) {
                const auto bit = static_cast<std::uint8_t>(1u << b);
                if (shares[b].low[m] & (1u << nibble)) {
                    low_[m][nibble] |= bit;
                    low_[m][nibble + 16] |= bit;
                }
                if (shares[b].high[m] & (1u << nibble)) {
                    high_[m][nibble] |= bit;
                    high_[m][nibble + 16] |= bit;
                }
            }
        }
    }
}

bool BucketScan::checkCandidates(std::string_view text, std::size_t base, std::uint32_t candidates,
                                 const std::uint8_t* buckets, std::size_t most,
                                 std::vector<std::uint64_t>& reported) const {
    for (; candidates != 0; candidates &= candidates - 1) {
        const auto offset = static_cast<std::size_t>(__builtin_ctz(candidates));
        const std::size_t start = base + offset;
        for (unsigned set = buckets[offset]; set != 0; set &= set - 1) {
            for (const Find& find : buckets_[static_cast<std::size_t>(__builtin_ctz(set))]) {
                const std::string& bytes = find.bytes;
                if (text.size() - start < bytes.size() ||
                    (find.folding ? !equalFolded(text.data() + start, bytes)
                                  : std::memcmp(text.data() + start, bytes.data(), bytes.size()) != 0)) {
                    continue;
                }
                if (reported.size() == most) {
                    return false;
                }
                reported.push_back(std::uint64_t{find.index} << 32 | start);
            }
        }
    }
    return true;
}

bool BucketScan::allOccurrences(std::string_view text, std::size_t most,
                                std::vector<std::uint64_t>& reported) const {
    if (!usable_) {
        return false;
    }
#ifdef MORVANE_BUCKET_SIMD
    auto onBlock = [&](std::size_t base, std::uint32_t candidates, const std::uint8_t* buckets) {
        return checkCandidates(text, base, candidates, buckets, most, reported);
    };
    return scanAvx2(text, low_, high_, onBlock);
#else
    return false;
#endif
}

} // namespace morvane
