#pragma once

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

// Finds every occurrence of many literal find texts in one pass over a text, however many there are. The pass
// is vectorscan's literal matcher (shift-or over hashed byte groups, then exact checks), which keeps a few
// bytes per cycle up to thousands of find texts where an automaton walk waits on a table lookup for each
// byte. An empty find text occurs nowhere. Thread-safe once built: each thread scans with scratch space of
// its own.
class LiteralScan {
public:
    explicit LiteralScan(const std::vector<std::string>& finds);
    ~LiteralScan();
    LiteralScan(const LiteralScan&) = delete;
    LiteralScan& operator=(const LiteralScan&) = delete;

    // Whether the matcher was built; a scan with an unusable one fails.
    bool usable() const { return database_ != nullptr; }

    // The occurrences of every find text in the text. Fails, leaving hits unspecified, where the text is too
    // long for 32-bit offsets, where there are more occurrences than `mostHits` (whose memory would outgrow
    // the text's), or where the matcher cannot run.
    bool scan(std::string_view text, std::size_t mostHits, LiteralHits& hits) const;

private:
    struct Database;
    std::size_t findCount_ = 0;
    std::vector<std::uint32_t> lengths_;
    std::unique_ptr<Database> database_;
};

} // namespace morvane
