#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Finds every occurrence of a few literal find texts in one vector pass over a text. The find texts are
// shared out among eight buckets. For each of a find text's first three bytes, two tables of 16 entries, one
// looked up by the byte's low four bits and one by its high four, tell which buckets hold a find text that
// may have that byte there; a byte shuffle looks 32 places up at once, and only a place where all six
// lookups agree on a bucket is compared in full with that bucket's find texts. A find text shorter than
// three bytes lets every byte through after its end. Needs AVX2 at run time.
class BucketScan {
public:
    // Beyond this many find texts, buckets shared by several let through so many places that one walk of an
    // automaton costs less.
    static constexpr std::size_t kMostFinds = 24;

    // Whether this processor runs the scan.
    static bool supported();

    // Whether the scan serves this many non-empty find texts.
    static bool serves(std::size_t findCount) {
        return findCount > 0 && findCount <= kMostFinds && supported();
    }

    // ignoringCase[j] (none where shorter) tells that find text j matches its ASCII letters in either case.
    BucketScan(const std::vector<std::string>& finds, const std::vector<char>& ignoringCase);

    // Whether the processor runs the scan, some find text is not empty and none but at most kMostFinds are.
    bool usable() const { return usable_; }

    // Appends (find index << 32 | start) for every occurrence of every find text, overlapping ones included,
    // in the order they start. False, part way, once `most` are held.
    bool allOccurrences(std::string_view text, std::size_t most, std::vector<std::uint64_t>& reported) const;

private:
    static constexpr std::size_t kBuckets = 8;
    static constexpr std::size_t kWidth = 3; // the leading bytes the tables look at

    struct Find {
        std::string bytes; // lowered where folding
        std::uint32_t index = 0;
        bool folding = false;
    };
    // Which values of a byte's low and high four bits a bucket lets through at each leading position.
    struct Nibbles {
        std::array<std::uint16_t, kWidth> low{};
        std::array<std::uint16_t, kWidth> high{};
    };

    static Nibbles nibblesOf(const Find& find);
    void shareOut(std::vector<Find> finds);
    // Reports the occurrences that start at the places in `candidates` (a bit for each of the 32 places from
    // base), each with the buckets it may hold in `buckets`.
    bool checkCandidates(std::string_view text, std::size_t base, std::uint32_t candidates,
                         const std::uint8_t* buckets, std::size_t most,
                         std::vector<std::uint64_t>& reported) const;

    bool usable_ = false;
    std::array<std::vector<Find>, kBuckets> buckets_;
    // For each leading position, the low and the high table, each repeated for both halves of a 256-bit
    // register, since a shuffle looks up within each half.
    alignas(32) std::uint8_t low_[kWidth][32] = {};
    alignas(32) std::uint8_t high_[kWidth][32] = {};
};

} // namespace morvane
