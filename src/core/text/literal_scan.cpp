#include "core/text/literal_scan.h"

#include "core/text/text_encoding.h"

#include <algorithm>
#include <limits>

namespace morvane {

namespace {

// The reports grouped by find text, each group in ascending order: a counting sort by find index, which keeps
// the order the scan reported in (by where each occurrence starts or ends, either of which orders the
// occurrences of one find text by their starts).
void groupByFind(std::size_t findCount, LiteralHits& hits) {
    hits.first.assign(findCount + 1, 0);
    for (const std::uint64_t report : hits.reported) {
        ++hits.first[(report >> 32) + 1];
    }
    for (std::size_t j = 0; j < findCount; ++j) {
        hits.first[j + 1] += hits.first[j];
    }
    hits.starts.resize(hits.reported.size());
    std::vector<std::uint32_t> next(hits.first.begin(), hits.first.end() - 1);
    for (const std::uint64_t report : hits.reported) {
        hits.starts[next[report >> 32]++] = static_cast<std::uint32_t>(report);
    }
}

bool anyIgnoresCase(const std::vector<char>& ignoringCase) {
    return std::any_of(ignoringCase.begin(), ignoringCase.end(), [](char ignores) { return ignores != 0; });
}

bool holdsAsciiLetter(std::string_view find) {
    return std::any_of(find.begin(), find.end(),
                       [](char c) { return isAsciiLetter(static_cast<unsigned char>(c)); });
}

} // namespace

LiteralScan::LiteralScan(const std::vector<std::string>& finds, const std::vector<char>& ignoringCase,
                         std::shared_ptr<const FindSet> set)
    : findCount_(finds.size()), buckets_(finds, ignoringCase) {
    if (buckets_.usable()) {
        usable_ = true;
        return;
    }
    set_ = set ? std::move(set) : std::make_shared<const FindSet>(finds, anyIgnoresCase(ignoringCase));
    usable_ = set_->usable() && finds.size() < std::numeric_limits<std::uint32_t>::max() &&
              std::any_of(finds.begin(), finds.end(), [](const std::string& find) { return !find.empty(); });
    if (anyIgnoresCase(ignoringCase)) {
        checked_.resize(finds.size());
        for (std::size_t j = 0; j < finds.size(); ++j) {
            if ((j >= ignoringCase.size() || !ignoringCase[j]) && holdsAsciiLetter(finds[j])) {
                checked_[j] = finds[j];
                anyChecked_ = true;
            }
        }
    }
}

void LiteralScan::keepExactOnes(std::string_view text, std::vector<std::uint64_t>& reported) const {
    const auto differs = [&](std::uint64_t report) {
        const std::string& find = checked_[report >> 32];
        return !find.empty() && text.compare(static_cast<std::uint32_t>(report), find.size(), find) != 0;
    };
    reported.erase(std::remove_if(reported.begin(), reported.end(), differs), reported.end());
}

bool LiteralScan::scan(std::string_view text, std::size_t mostHits, LiteralHits& hits) const {
    hits.reported.clear();
    if (!usable_ || text.size() > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    // The bucket scan checks each find text in its own way; only the automaton's reports need checking.
    const bool found = buckets_.usable() ? buckets_.allOccurrences(text, mostHits, hits.reported)
                                         : set_->allOccurrences(text, mostHits, hits.reported);
    if (!found) {
        return false;
    }
    if (anyChecked_) {
        keepExactOnes(text, hits.reported);
    }
    groupByFind(findCount_, hits);
    return true;
}

} // namespace morvane
