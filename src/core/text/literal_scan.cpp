#include "core/text/literal_scan.h"

#include <algorithm>
#include <atomic>
#include <hs/hs.h>
#include <limits>

namespace morvane {

struct LiteralScan::Database {
    hs_database_t* compiled = nullptr;
    // Tells this database from any other built before or after, even at the same address.
    std::uint64_t serial = 0;
    ~Database() { hs_free_database(compiled); }
};

namespace {

std::atomic<std::uint64_t> databasesBuilt{0};

// One thread's scratch space, grown to fit every database it scans with; freed when the thread ends. Fitting
// it costs about as much as scanning a small file, so it is done once for each database.
struct ThreadScratch {
    hs_scratch_t* space = nullptr;
    std::uint64_t fitsSerial = 0;
    ~ThreadScratch() { hs_free_scratch(space); }
};

struct ScanState {
    const std::uint32_t* lengths;
    std::vector<std::uint64_t>* reported;
    std::size_t mostHits;
};

// A literal match reports where it ends; it starts a find text's length before.
int onMatch(unsigned int id, unsigned long long, unsigned long long to, unsigned int, void* context) {
    auto& state = *static_cast<ScanState*>(context);
    if (state.reported->size() == state.mostHits) {
        return 1; // stops the scan
    }
    state.reported->push_back(std::uint64_t{id} << 32 | (to - state.lengths[id]));
    return 0;
}

// The reports grouped by find text, each group in ascending order: a counting sort by find index, which keeps
// the order the scan reported in, and a sort of any group that came out of order.
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
    for (std::size_t j = 0; j < findCount; ++j) {
        const auto from = hits.starts.begin() + hits.first[j];
        const auto to = hits.starts.begin() + hits.first[j + 1];
        if (!std::is_sorted(from, to)) {
            std::sort(from, to);
        }
    }
}

} // namespace

LiteralScan::LiteralScan(const std::vector<std::string>& finds) : findCount_(finds.size()) {
    std::vector<const char*> texts;
    std::vector<std::size_t> sizes;
    std::vector<unsigned> ids;
    for (std::size_t j = 0; j < finds.size(); ++j) {
        lengths_.push_back(static_cast<std::uint32_t>(finds[j].size()));
        if (!finds[j].empty()) {
            texts.push_back(finds[j].data());
            sizes.push_back(finds[j].size());
            ids.push_back(static_cast<unsigned>(j));
        }
    }
    if (texts.empty() || finds.size() > std::numeric_limits<std::uint32_t>::max()) {
        return;
    }
    const std::vector<unsigned> flags(texts.size(), 0);
    auto database = std::make_unique<Database>();
    hs_compile_error_t* error = nullptr;
    if (hs_compile_lit_multi(texts.data(), flags.data(), ids.data(), sizes.data(),
                             static_cast<unsigned>(texts.size()), HS_MODE_BLOCK, nullptr, &database->compiled,
                             &error) != HS_SUCCESS) {
        hs_free_compile_error(error);
        return;
    }
    database->serial = ++databasesBuilt;
    database_ = std::move(database);
}

LiteralScan::~LiteralScan() = default;

bool LiteralScan::scan(std::string_view text, std::size_t mostHits, LiteralHits& hits) const {
    hits.reported.clear();
    if (!database_ || text.size() > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    thread_local ThreadScratch scratch;
    if (scratch.fitsSerial != database_->serial) {
        if (hs_alloc_scratch(database_->compiled, &scratch.space) != HS_SUCCESS) {
            return false;
        }
        scratch.fitsSerial = database_->serial;
    }
    ScanState state{lengths_.data(), &hits.reported, mostHits};
    if (hs_scan(database_->compiled, text.data(), static_cast<unsigned>(text.size()), 0, scratch.space,
                onMatch, &state) != HS_SUCCESS) {
        return false;
    }
    groupByFind(findCount_, hits);
    return true;
}

} // namespace morvane
