#pragma once

#include "core/text/bucket_scan.h"
#include "core/text/find_set.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Where each find text of a scan occurs: the starts of find j, ascending, overlapping ones included, are
// starts[first[j]] up to starts[first[j + 1]].
struct LiteralHits {
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> starts;
    std::vector<std::uint64_t> reported; // the scan's reports as they come, find index and start packed
};

// Finds every occurrence of many literal find texts in one pass over a text, however many there are: for a
// few, one bucket scan where the processor runs it; otherwise one walk of the find set's automaton. Find
// texts that ignore case match their ASCII letters in either case; where some do, the automaton folds every
// find text's letters, and the occurrences of the others that hold a letter are checked byte for byte.
// Thread-safe once built.
class LiteralScan {
public:
    // ignoringCase[j] (none where shorter) tells that find text j ignores the case of its ASCII letters. A
    // caller that already holds the automaton of these find texts, folding where any of them ignores case,
    // passes it as `set`, which spares building a second one of the same size.
    explicit LiteralScan(const std::vector<std::string>& finds, const std::vector<char>& ignoringCase = {},
                         std::shared_ptr<const FindSet> set = nullptr);

    // Whether the bucket scan or the automaton serves and some find text is not empty; a scan with an
    // unusable one fails.
    bool usable() const { return usable_; }

    // The occurrences of every find text in the text. Fails, leaving hits unspecified, where the text is too
    // long for 32-bit offsets, where there are more occurrences than `mostHits` (whose memory would outgrow
    // the text's), or where neither the bucket scan nor the automaton was built.
    bool scan(std::string_view text, std::size_t mostHits, LiteralHits& hits) const;

private:
    // Drops the reports of find texts matched exactly whose bytes differ from the text's in case.
    void keepExactOnes(std::string_view text, std::vector<std::uint64_t>& reported) const;

    std::size_t findCount_ = 0;
    std::vector<std::string> checked_; // the find texts whose occurrences are checked; empty for the others
    bool anyChecked_ = false;
    BucketScan buckets_;
    std::shared_ptr<const FindSet> set_; // where the bucket scan does not serve
    bool usable_ = false;
};

} // namespace morvane
