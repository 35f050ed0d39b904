#include "core/run/run.h"

#include "core/journal/contents_batch.h"
#include "core/journal/run_journal.h"
#include "core/journal/undo.h"
#include "core/platform/paths.h"
#include "core/platform/platform_fs.h"
#include "core/platform/text_file.h"
#include "core/run/progress.h"
#include "core/run/rename_groups.h"
#include "core/run/rename_plan.h"
#include "core/run/row_problem.h"
#include "core/text/find_set.h"
#include "core/text/notation.h"
#include "core/text/occurrences.h"
#include "core/text/stream_chain.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace morvane {

namespace {

// An empty list column still reads as one empty entry, so a run always has at least one pair and one path.
std::vector<std::string> atLeastOneEntry(std::vector<std::string> texts) {
    if (texts.empty()) {
        texts.emplace_back();
    }
    return texts;
}

bool isCancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

// From this many non-empty pairs on, one pass that finds which of them occur costs less than a pass for each.
constexpr std::size_t kPairsForFindSet = 16;

// Whether an occurrence of one text and one of the other can share a byte: one holds the other, or the end
// of one is the start of the other.
bool canOverlap(std::string_view a, std::string_view b) {
    if (a.find(b) != std::string_view::npos || b.find(a) != std::string_view::npos) {
        return true;
    }
    for (std::size_t overlap = 1; overlap < std::min(a.size(), b.size()); ++overlap) {
        if (a.substr(a.size() - overlap) == b.substr(0, overlap) ||
            b.substr(b.size() - overlap) == a.substr(0, overlap)) {
            return true;
        }
    }
    return false;
}

// Whether inserting the replacement, or cutting out the text it replaces when it is empty, can make the find
// text occur where it did not: a new occurrence either overlaps an inserted copy or spans a place where text
// was cut out.
bool canCreate(std::string_view replacement, std::string_view find) {
    if (replacement.empty()) {
        return find.size() > 1;
    }
    return canOverlap(replacement, find);
}

// The expanded pairs of one run, shared read-only by every worker.
struct Plan {
    const RunRequest& request;
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    std::size_t lastNonEmptyPair = 0;
    // For contents with many pairs: finds which pairs occur in a text, and for each pair the later ones
    // whose find text its replacements can make occur.
    std::optional<FindSet> findSet;
    std::vector<std::vector<std::size_t>> created;
    // For a simulate run with few pairs: the pairs whose replacements no later pair could tell from their
    // find text, since no later find text can overlap either. Their text is never made: they only count.
    std::vector<char> onlyCounting;
    RunJournal* journal = nullptr; // an execute run's, used on the run's own thread only
    // What the workers of an execute run in contents mode tell the journal while they prepare writes.
    platform::WriteJournal* folders = nullptr;
    // Whether the journal records the hash of what a write leaves, which a streamed write makes as it goes.
    bool hashWrites = false;

    Plan(const RunRequest& request_, std::vector<std::string> finds_, std::vector<std::string> replaces_)
        : request(request_), finds(std::move(finds_)), replaces(std::move(replaces_)) {
        std::size_t nonEmpty = 0;
        for (std::size_t j = 0; j < finds.size(); ++j) {
            if (!finds[j].empty()) {
                lastNonEmptyPair = j;
                ++nonEmpty;
            }
        }
        if (contents() && nonEmpty >= kPairsForFindSet && findSet.emplace(finds).usable()) {
            created.resize(finds.size());
            for (std::size_t i = 0; i < finds.size(); ++i) {
                for (std::size_t k = i + 1; k < finds.size() && finds[i] != replaces[i]; ++k) {
                    if (!finds[k].empty() && canCreate(replaces[i], finds[k])) {
                        created[i].push_back(k);
                    }
                }
            }
        } else {
            findSet.reset();
        }
        if (!request.execute && !findSet) {
            onlyCounting.assign(finds.size(), 1);
            for (std::size_t i = 0; i < finds.size(); ++i) {
                for (std::size_t k = i + 1; k < finds.size() && onlyCounting[i]; ++k) {
                    onlyCounting[i] = finds[k].empty() ||
                                      (!canOverlap(finds[i], finds[k]) && !canCreate(replaces[i], finds[k]));
                }
            }
        }
    }
    bool contents() const { return request.mode == ReplaceMode::Contents; }
};

// A worker keeps its text's memory from file to file, so that reading allocates only when a file is larger
// than any before; but not a large file's, which would stay counted long after. A simulate run also lets only
// one worker at a time hold a file larger than this, so that its memory stays near that of its largest file
// however many workers it has.
constexpr std::uintmax_t kLargeFileBytes = std::uintmax_t{64} << 20;

void releaseIfLarge(std::string& text) {
    if (text.capacity() > kLargeFileBytes) {
        std::string().swap(text);
    }
}

bool isLargeFile(const platform::PathStatus& status) {
    return status.kind == platform::PathKind::RegularFile && status.size > kLargeFileBytes;
}

// A file by device and inode, whatever paths and links name it.
using FileKey = std::pair<std::uint64_t, std::uint64_t>;
constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);
constexpr std::size_t kBatchFiles = 256;
constexpr std::uint64_t kBatchBytes = std::uint64_t{32} << 20;

struct RowOutcome {
    RowResult row;
    bool applied = false; // a non-empty pair ran over the row's text
    std::optional<RunFailure> failure;
    bool complete = false;             // false when the run was cancelled before the row was done
    std::optional<PendingWrite> write; // an execute run's in contents mode, still to be committed
};

using BeforePair = std::function<void(std::size_t pair)>;

// Beyond this many, a worker gives back the memory that held where a pair's replacements went.
constexpr std::size_t kInsertionsKept = std::size_t{1} << 18;

// What a worker keeps from row to row for the pairs' pass over a text.
struct PairScratch {
    std::vector<char> mayOccur; // the pairs that can occur in the text
    std::vector<char> wanted;   // the later pairs an insertion is checked for
    Insertions insertions;      // where the last pair put its replacements
};

std::int64_t applyPair(const Plan& plan, std::size_t j, std::string& text, Insertions* insertions) {
    const std::string& find = plan.finds[j];
    const std::string& replacement = plan.replaces[j];
    // Nobody reads the text after the last pair of a simulate run, nor a replacement no later pair can tell
    // from its find text, and a pair that keeps its own text changes nothing: all only count.
    const bool onlyCount = plan.finds[j] == replacement ||
                           (!plan.request.execute && j == plan.lastNonEmptyPair) ||
                           (!plan.onlyCounting.empty() && plan.onlyCounting[j]);
    if (onlyCount) {
        return countOccurrences(text, find);
    }
    if (insertions) {
        insertions->most = text.size() / 8 + 1024;
        return replaceInPlace(text, find, replacement, *insertions);
    }
    return replaceInPlace(text, find, replacement);
}

// After pair j replaced, the later pairs it can have made occur: each that does occur around one of its
// replacements (the bytes from a find text's length before to as far after), or, where scanning around the
// replacements would cost more than scanning the whole text for each, all that it could make occur.
void markCreated(const Plan& plan, std::size_t j, std::string_view text, PairScratch& scratch) {
    std::size_t candidates = 0;
    std::size_t reach = 0;
    for (const std::size_t k : plan.created[j]) {
        if (!scratch.mayOccur[k]) {
            scratch.wanted[k] = 1;
            ++candidates;
            reach = std::max(reach, plan.finds[k].size() - 1);
        }
    }
    if (candidates == 0) {
        return;
    }
    const Insertions& insertions = scratch.insertions;
    const std::size_t replacement = plan.replaces[j].size();
    // The automaton costs a few times what a vector scan does for each byte.
    constexpr std::size_t kAutomatonCost = 4;
    const std::size_t windows = insertions.at.size() * (replacement + 2 * reach);
    if (!insertions.overflowed && windows * kAutomatonCost < candidates * text.size()) {
        plan.findSet->markTouching(text, insertions.at, replacement, reach, scratch.wanted, scratch.mayOccur);
    } else {
        for (const std::size_t k : plan.created[j]) {
            scratch.mayOccur[k] = 1;
        }
    }
    for (const std::size_t k : plan.created[j]) {
        scratch.wanted[k] = 0;
    }
}

void renameTo(RowOutcome& outcome, std::size_t i, const NamedEntry& entry, const std::string& name,
              RunJournal* journal) {
    RowResult& row = outcome.row;
    // A name the pairs leave as it was needs no rename, whatever it is ("." or the empty name of a root).
    if (name == entry.name()) {
        return;
    }
    if (std::string refused = refusedNameReason(name); !refused.empty()) {
        outcome.failure = RunFailure{i, row.path, "cannot be renamed: " + refused};
        return;
    }
    const std::string oldPath = entry.path();
    const std::string newPath = entry.parts.folder + name;
    if (journal) {
        if (std::string refused = journal->renaming(oldPath, newPath); !refused.empty()) {
            outcome.failure = RunFailure{i, row.path, "cannot be renamed: " + refused};
            return;
        }
    }
    if (std::string error = platform::renameNoReplace(oldPath, newPath); !error.empty()) {
        outcome.failure = RunFailure{i, row.path, "cannot be renamed to \"" + name + "\": " + error};
        return;
    }
    if (journal) {
        journal->renamed(newPath);
    }
    row.path = newPath + entry.trailing;
    row.renamed = true;
}

// A text that ends as it was read is not written again, which would cost a copy, a flush and an undo record
// for the same bytes: the file only takes the modification time the write would have given it.
void prepareWriteBack(RowOutcome& outcome, std::size_t i, const std::string& path, const std::string& text,
                      const platform::FileIdentity& readAs, bool replacedSome, const Plan& plan) {
    PreparedWrite prepared = prepareWrite(path, text, readAs, replacedSome, plan.hashWrites, plan.folders);
    if (!prepared.error.empty()) {
        outcome.failure = RunFailure{i, path, "cannot be written: " + prepared.error};
    }
    outcome.write = std::move(prepared.write);
}

// Takes a simulate run's output, which nobody reads.
class DiscardingSink final : public ChainSink {
public:
    void take(std::string_view) override {}
};

// The bytes of a file from its start, read again in blocks, to tell whether what the pairs leave is still
// what the file holds.
class FileAsRead {
public:
    // From the byte at `from` on.
    FileAsRead(const std::string& path, const platform::FileIdentity& readAs, std::uint64_t from,
               std::size_t blockBytes)
        : block_(blockBytes, '\0') {
        platform::FileIdentity opened;
        usable_ = reader_.open(path, &opened).empty() && platform::sameFile(opened, readAs);
        reader_.skip(from);
    }

    // Whether the file's next bytes are these; once not, never again.
    bool continuesWith(std::string_view bytes) {
        while (usable_ && !bytes.empty()) {
            if (at_ == filled_) {
                at_ = 0;
                usable_ = reader_.read(block_, filled_).empty() && filled_ > 0;
                continue;
            }
            const std::size_t part = std::min(bytes.size(), filled_ - at_);
            usable_ = bytes.substr(0, part) == std::string_view(block_).substr(at_, part);
            at_ += part;
            bytes.remove_prefix(part);
        }
        return usable_;
    }

private:
    platform::FileReader reader_;
    std::string block_;
    std::size_t at_ = 0;
    std::size_t filled_ = 0;
    bool usable_ = false;
};

// Takes a streamed execute run's output: nothing while it is the file as read, so that a file the pairs leave
// as it was (or put back as it was) is never copied; from the first piece that differs on, the new file
// beside the target, begun with the part of the target passed over so far.
class ReplacementSink final : public ChainSink {
public:
    ReplacementSink(const StreamChain& chain, const std::string& path, const platform::FileIdentity& readAs,
                    const Plan& plan)
        : chain_(chain), path_(path), readAs_(readAs), folders_(plan.folders), hashing_(plan.hashWrites),
          blockBytes_(plan.request.streamBlockBytes) {}

    void take(std::string_view bytes) override {
        if (stopped()) {
            return;
        }
        if (hashing_) {
            hasher_.add(bytes);
        }
        if (!started_ && stillAsRead(bytes)) {
            passedOver_ += bytes.size();
            return;
        }
        if (start()) {
            error_ = replacement_.append(bytes);
        }
    }

    bool inPlaceOnly() const { return replacement_.mustRewriteInPlace(); }

    // After the chain's last piece: whether all it gave is the file as read.
    bool leftAsRead() const { return !started_ && passedOver_ == readAs_.size; }

    // After the chain's last piece: the write that the run commits, or the reason there is none.
    std::string finish(PendingWrite& write) {
        // The pairs may have cut out all there was, so that no piece came after the change.
        if (!stopped() && start()) {
            error_ = replacement_.finishWriting();
        }
        if (!stopped()) {
            write.path = path_;
            write.readAs = readAs_;
            write.replacement = std::move(replacement_);
            write.hash = hasher_.value();
        }
        return error_;
    }

private:
    // The rest of the output is of no use once the write failed or the file turned out to be one that can
    // only be rewritten in place; the chain still counts.
    bool stopped() const { return !error_.empty() || inPlaceOnly(); }

    // Until a pair replaces, the output is the input itself; after, only the file can tell.
    bool stillAsRead(std::string_view bytes) {
        if (!chain_.changed()) {
            return true;
        }
        if (!asRead_) {
            asRead_.emplace(path_, readAs_, passedOver_, blockBytes_);
        }
        return asRead_->continuesWith(bytes);
    }

    bool start() {
        if (!started_) {
            started_ = true;
            replacement_ = platform::beginReplacement(path_, readAs_, folders_);
            error_ = replacement_.error();
            if (!stopped()) {
                error_ = replacement_.copyTargetStart(passedOver_);
            }
        }
        return !stopped();
    }

    const StreamChain& chain_;
    const std::string& path_;
    const platform::FileIdentity& readAs_;
    platform::WriteJournal* folders_;
    bool hashing_;
    ContentHasher hasher_;
    std::size_t blockBytes_;
    std::optional<FileAsRead> asRead_; // once a pair has replaced
    platform::PreparedReplacement replacement_;
    std::uint64_t passedOver_ = 0;
    bool started_ = false;
    std::string error_;
};

// The later pairs of a simulate run over a streamed file, on a second thread that the earlier pairs' output
// is handed to a block at a time, so that one large file keeps two cores busy. A few blocks at most are in
// flight, and their memory is used again.
class LaterPairsThread final : public ChainSink {
public:
    LaterPairsThread(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                     std::size_t blockBytes)
        : chain_(finds, replaces, true), blockBytes_(blockBytes), thread_([this] { consume(); }) {}

    ~LaterPairsThread() override { close(); }

    void take(std::string_view bytes) override {
        filling_.append(bytes);
        if (filling_.size() >= blockBytes_) {
            hand();
        }
    }

    // After the earlier pairs' last piece: what the later pairs counted.
    std::int64_t finish() {
        hand();
        close();
        return chain_.count();
    }

private:
    static constexpr std::size_t kBlocksInFlight = 4;

    void hand() {
        if (filling_.empty()) {
            return;
        }
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return full_.size() < kBlocksInFlight; });
        full_.push_back(std::move(filling_));
        filling_.clear();
        if (!spare_.empty()) {
            filling_ = std::move(spare_.back());
            spare_.pop_back();
        }
        changed_.notify_all();
    }

    void close() {
        if (!thread_.joinable()) {
            return;
        }
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    void consume() {
        DiscardingSink nobody;
        for (;;) {
            std::string block;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return !full_.empty() || closed_; });
                if (full_.empty()) {
                    break;
                }
                block = std::move(full_.front());
                full_.pop_front();
            }
            changed_.notify_all();
            chain_.feed(block, nobody);
            block.clear();
            std::lock_guard lock(mutex_);
            spare_.push_back(std::move(block));
        }
        chain_.finish(nobody);
    }

    StreamChain chain_; // used by the thread alone until it ends
    std::size_t blockBytes_;
    std::string filling_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> full_;   // guarded by mutex_
    std::vector<std::string> spare_; // guarded by mutex_
    bool closed_ = false;            // guarded by mutex_
    std::thread thread_;
};

// Where a simulate run splits its pairs between two threads: half of the non-empty ones on each; 0 for
// no split.
std::size_t pairsOnFirstThread(const Plan& plan) {
    std::vector<std::size_t> nonEmpty;
    for (std::size_t j = 0; j < plan.finds.size(); ++j) {
        if (!plan.finds[j].empty()) {
            nonEmpty.push_back(j);
        }
    }
    if (plan.request.execute || nonEmpty.size() < 2 || std::thread::hardware_concurrency() < 2) {
        return 0;
    }
    return nonEmpty[nonEmpty.size() / 2];
}

std::vector<std::string> slice(const std::vector<std::string>& texts, std::size_t from, std::size_t to) {
    return {texts.begin() + static_cast<std::ptrdiff_t>(from),
            texts.begin() + static_cast<std::ptrdiff_t>(to)};
}

bool isStreamed(const Plan& plan, const platform::PathStatus& status) {
    return plan.contents() && status.kind == platform::PathKind::RegularFile &&
           status.size > plan.request.streamedFileBytes;
}

// A row whose file is too large to hold whole: its blocks go through the pairs as they are read, and an
// execute run writes the new contents as they are made, for the run to commit. Nothing when the file can only
// be rewritten in place (see platform::beginReplacement), which needs its text whole.
std::optional<RowOutcome> streamRow(const Plan& plan, std::size_t i, const std::string& path,
                                    const std::atomic<bool>* cancel, const BeforePair& beforePair) {
    RowOutcome outcome;
    outcome.row.path = path;
    const bool execute = plan.request.execute;
    platform::FileIdentity readAs;
    platform::FileReader reader;
    std::size_t split = pairsOnFirstThread(plan);
    std::optional<LaterPairsThread> later;
    try {
        if (split) {
            later.emplace(slice(plan.finds, split, plan.finds.size()),
                          slice(plan.replaces, split, plan.finds.size()), plan.request.streamBlockBytes);
        }
    } catch (const std::system_error&) {
        split = 0; // without a second thread, all the pairs run on this one
    }
    StreamChain chain(slice(plan.finds, 0, split ? split : plan.finds.size()),
                      slice(plan.replaces, 0, split ? split : plan.finds.size()), !execute && !split);
    outcome.applied = !plan.finds[plan.lastNonEmptyPair].empty();
    if (std::string error = reader.open(path, &readAs); !error.empty()) {
        outcome.failure = RunFailure{i, path, "cannot be read: " + error};
        outcome.complete = true;
        return outcome;
    }
    DiscardingSink discard;
    ReplacementSink replacement(chain, path, readAs, plan);
    ChainSink& sink = execute ? static_cast<ChainSink&>(replacement)
                      : later ? static_cast<ChainSink&>(*later)
                              : discard;
    std::string block(plan.request.streamBlockBytes, '\0');
    ContentHasher readHash; // what the file holds, should the pairs leave it so
    const bool hashRead = execute && plan.hashWrites;
    std::uint64_t read = 0;
    std::size_t nextPair = 0;
    for (;;) {
        if (isCancelled(cancel)) {
            return outcome;
        }
        // The bar passes each pair as the share of the file read passes its share of the pairs.
        while (nextPair < plan.finds.size() &&
               nextPair * static_cast<double>(readAs.size) <= read * static_cast<double>(plan.finds.size())) {
            beforePair(nextPair++);
        }
        std::size_t got = 0;
        if (std::string error = reader.read(block, got); !error.empty()) {
            outcome.failure = RunFailure{i, path, "cannot be read: " + error};
            outcome.complete = true;
            return outcome;
        }
        if (got == 0) {
            break;
        }
        read += got;
        if (hashRead) {
            readHash.add(std::string_view(block.data(), got));
        }
        chain.feed(std::string_view(block.data(), got), sink);
        if (replacement.inPlaceOnly()) {
            return std::nullopt;
        }
    }
    chain.finish(sink);
    outcome.row.count = chain.count() + (later ? later->finish() : 0);
    if (execute && outcome.applied) {
        PendingWrite write;
        if (replacement.leftAsRead()) {
            write.kind = PendingWrite::Kind::Touch;
            write.path = path;
            write.readAs = readAs;
            write.hash = hashRead ? readHash.value() : 0;
        } else if (std::string error = replacement.finish(write); !error.empty()) {
            outcome.failure = RunFailure{i, path, "cannot be written: " + error};
        }
        if (replacement.inPlaceOnly()) {
            return std::nullopt;
        }
        if (!outcome.failure) {
            outcome.write = std::move(write);
        }
    }
    outcome.complete = true;
    return outcome;
}

// Everything the run does with one row: read, every pair in order, then in an execute run the one write or
// rename. Never throws: a file too large for memory is a failure of its row.
RowOutcome processRow(const Plan& plan, std::size_t i, const std::string& path,
                      const platform::PathStatus& status, std::string& text, const std::atomic<bool>* cancel,
                      const BeforePair& beforePair) {
    RowOutcome outcome;
    outcome.row.path = path;
    RowResult& row = outcome.row;
    if (RowProblem problem = rowProblem(path, status, plan.request.mode); problem.any()) {
        row.skipped = problem.skipped;
        if (!problem.failure.empty()) {
            outcome.failure = RunFailure{i, path, std::move(problem.failure)};
        }
        outcome.complete = true;
        return outcome;
    }
    try {
        if (isStreamed(plan, status)) {
            if (std::optional<RowOutcome> streamed = streamRow(plan, i, path, cancel, beforePair)) {
                return std::move(*streamed);
            }
        }
        std::optional<NamedEntry> entry;
        bool readable = true;
        bool replacedSome = false; // some pair replaced an occurrence by another text
        platform::FileIdentity readAs;
        if (plan.contents()) {
            // Only a write compares the file with what was read.
            const std::string error = readTextFileInto(path, text, plan.request.execute ? &readAs : nullptr);
            readable = error.empty();
            if (!readable) {
                outcome.failure = RunFailure{i, path, "cannot be read: " + error};
            }
        } else {
            entry.emplace(path);
            text = entry->name();
        }
        // Which pairs can occur in the text: those found in it as read, and those that the replacements made
        // so far made occur.
        thread_local PairScratch scratch;
        if (plan.findSet) {
            plan.findSet->occurring(text, scratch.mayOccur);
            scratch.wanted.assign(plan.finds.size(), 0);
        }
        for (std::size_t j = 0; j < plan.finds.size(); ++j) {
            if (isCancelled(cancel)) {
                return outcome;
            }
            beforePair(j);
            if (plan.finds[j].empty()) {
                continue;
            }
            outcome.applied = true;
            if (plan.findSet && !scratch.mayOccur[j]) {
                continue;
            }
            const std::int64_t found = applyPair(plan, j, text, plan.findSet ? &scratch.insertions : nullptr);
            row.count += found;
            const bool replacing = found > 0 && plan.finds[j] != plan.replaces[j];
            replacedSome = replacedSome || replacing;
            if (plan.findSet && replacing) {
                markCreated(plan, j, text, scratch);
            }
        }
        if (scratch.insertions.at.capacity() > kInsertionsKept) {
            std::vector<std::size_t>().swap(scratch.insertions.at);
        }
        if (plan.request.execute && outcome.applied) {
            if (!plan.contents()) {
                renameTo(outcome, i, *entry, text, plan.journal);
            } else if (readable) {
                prepareWriteBack(outcome, i, path, text, readAs, replacedSome, plan);
            }
        }
    } catch (const std::bad_alloc&) {
        outcome.failure = RunFailure{i, path, "not enough memory to hold the file"};
        std::string().swap(text);
    } catch (const std::length_error&) {
        outcome.failure = RunFailure{i, path, "not enough memory to hold the file"};
        std::string().swap(text);
    }
    outcome.complete = true;
    return outcome;
}

// Hands rows out in list order to the workers, as far as they are open to them, and gives back each row's
// outcome in list order.
class WorkerPool {
public:
    // With earlierRows given, a row that holds another row's number there is not read: it names that row's
    // file, and takes its result once the run has it.
    WorkerPool(const Plan& plan, const std::vector<std::string>& files, unsigned workers,
               const std::atomic<bool>* cancel, std::size_t open,
               const std::vector<std::size_t>* earlierRows = nullptr)
        : plan_(plan), files_(files), cancel_(cancel), earlierRows_(earlierRows), outcomes_(files.size()),
          ready_(files.size(), false), open_(open) {
        try {
            for (unsigned w = 0; w < workers; ++w) {
                threads_.emplace_back([this] { work(); });
            }
        } catch (const std::system_error&) {
            // Fewer threads than asked for still finish the run; with none, the caller's thread does the
            // work.
        }
    }

    ~WorkerPool() {
        stop_ = true;
        opened_.notify_all();
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }

    // The outcome of row i, waiting for it; nothing when the run was cancelled first.
    std::optional<RowOutcome> take(std::size_t i) {
        if (threads_.empty()) {
            if (namesAnEarlierRowsFile(i)) {
                return laterName(i);
            }
            std::string text;
            return processRow(plan_, i, files_[i], platform::pathStatus(files_[i]), text, cancel_,
                              [](std::size_t) {});
        }
        std::unique_lock lock(mutex_);
        // The cancel flag is set from outside without notifying, so look at it now and then.
        while (!ready_[i]) {
            if (isCancelled(cancel_)) {
                waitingFor_ = kNoRow;
                return std::nullopt;
            }
            waitingFor_ = i;
            done_.wait_for(lock, std::chrono::milliseconds(20));
        }
        waitingFor_ = kNoRow;
        return std::move(outcomes_[i]);
    }

    // Lets the workers take the rows before this one.
    void openUpTo(std::size_t end) {
        {
            std::lock_guard lock(mutex_);
            open_ = end;
        }
        opened_.notify_all();
    }

private:
    bool namesAnEarlierRowsFile(std::size_t i) const { return earlierRows_ && (*earlierRows_)[i] != kNoRow; }

    RowOutcome laterName(std::size_t i) const {
        RowOutcome outcome;
        outcome.row.path = files_[i];
        outcome.complete = true;
        return outcome;
    }

    // False when the run ended while waiting.
    bool waitUntilOpen(std::size_t i) {
        std::unique_lock lock(mutex_);
        while (i >= open_) {
            if (stop_ || isCancelled(cancel_)) {
                return false;
            }
            opened_.wait_for(lock, std::chrono::milliseconds(20));
        }
        return true;
    }

    void work() {
        std::string text;
        for (;;) {
            const std::size_t i = next_.fetch_add(1);
            if (i >= files_.size() || stop_ || isCancelled(cancel_) || !waitUntilOpen(i)) {
                break;
            }
            if (namesAnEarlierRowsFile(i)) {
                hand(i, laterName(i));
                continue;
            }
            const platform::PathStatus status = platform::pathStatus(files_[i]);
            const bool large = plan_.contents() && isLargeFile(status);
            if (large && !takeLargeFileTurn()) {
                break;
            }
            RowOutcome outcome = processRow(plan_, i, files_[i], status, text, cancel_, [](std::size_t) {});
            releaseIfLarge(text);
            if (large) {
                giveLargeFileTurn();
            }
            hand(i, std::move(outcome));
        }
        done_.notify_all();
    }

    void hand(std::size_t i, RowOutcome outcome) {
        bool wake = false;
        {
            std::lock_guard lock(mutex_);
            outcomes_[i] = std::move(outcome);
            ready_[i] = true;
            wake = worthWaking();
        }
        if (wake) {
            done_.notify_all();
        }
    }

    // Whether the run's thread, waiting for a row, has enough rows ready to be woken: a few in a row from
    // the one it waits for, or all that are open. Woken for each row, it would cost as much as reading one
    // of many small files. Guarded by mutex_.
    bool worthWaking() const {
        if (waitingFor_ == kNoRow) {
            return false;
        }
        const std::size_t limit = std::min(open_, files_.size());
        std::size_t row = waitingFor_;
        while (row < limit && row < waitingFor_ + kRowsPerWake && ready_[row]) {
            ++row;
        }
        return row == waitingFor_ + kRowsPerWake || row >= limit;
    }

    // False when the run ended while waiting.
    bool takeLargeFileTurn() {
        std::unique_lock lock(mutex_);
        while (largeFileTaken_) {
            if (stop_ || isCancelled(cancel_)) {
                return false;
            }
            largeFileFree_.wait_for(lock, std::chrono::milliseconds(20));
        }
        largeFileTaken_ = true;
        return true;
    }

    void giveLargeFileTurn() {
        {
            std::lock_guard lock(mutex_);
            largeFileTaken_ = false;
        }
        largeFileFree_.notify_one();
    }

    const Plan& plan_;
    const std::vector<std::string>& files_;
    const std::atomic<bool>* cancel_;
    const std::vector<std::size_t>* earlierRows_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<RowOutcome> outcomes_; // guarded by mutex_
    std::vector<bool> ready_;          // guarded by mutex_
    bool largeFileTaken_ = false;      // guarded by mutex_
    std::size_t open_;                 // guarded by mutex_
    static constexpr std::size_t kRowsPerWake = 16;
    std::size_t waitingFor_ = kNoRow; // the row the run's thread waits for; guarded by mutex_
    std::condition_variable opened_;
    std::condition_variable largeFileFree_;
    std::vector<std::thread> threads_;
};

unsigned workersFor(const RunRequest& request, std::size_t files) {
    if (request.execute && request.mode == ReplaceMode::FileNames) {
        return 1;
    }
    unsigned workers = request.workers ? request.workers : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(workers, files));
}

class Run {
public:
    Run(const RunRequest& request, RunObserver* observer, const std::atomic<bool>* cancel)
        : request_(request), observer_(observer ? observer : &silent_), cancel_(cancel) {}

    RunResult execute() {
        std::vector<std::string> finds = atLeastOneEntry(request_.finds);
        std::vector<std::string> replaces = atLeastOneEntry(request_.replaces);
        if (finds.size() != replaces.size()) {
            result_.mismatch = true;
            result_.findsUbound = finds.size() - 1;
            result_.replacesUbound = replaces.size() - 1;
            return std::move(result_);
        }
        expandEachNotation(finds);
        expandEachNotation(replaces);
        Plan plan(request_, std::move(finds), std::move(replaces));
        const std::vector<std::string> files = atLeastOneEntry(request_.files);
        std::optional<RunJournal> journal;
        const std::string journalFolder = journalFolderIn(request_.stateFolder);
        if (request_.execute) {
            result_.leftovers = clearLeftovers(journalFolder, foldersOf(files));
            if (!journalFolder.empty() && (plan.contents() || request_.keepForUndo)) {
                plan.journal = &journal.emplace(journalFolder, headingOf(plan, files));
                if (const std::string& reason = plan.journal->begin(); !reason.empty()) {
                    observer_->notUndoable(reason);
                }
                plan.hashWrites = plan.journal->recordsWhatIsLeft();
            }
        }
        // Names are planned once the clear-up has put back what an interrupted run left aside.
        std::optional<RenamePlan> renames;
        std::optional<RenameGroups> groups;
        if (request_.execute && !plan.contents()) {
            renames_ = &renames.emplace(planRenames(request_));
            groups_ = &groups.emplace(*renames, plan.journal);
        }
        const ProgressSchedule schedule(plan.finds.size(), files.size());
        result_.rows.reserve(files.size());

        const unsigned workers = workersFor(request_, files.size());
        if (request_.execute && plan.contents()) {
            runInBatches(plan, files, schedule, workers);
        } else if (workers <= 1) {
            runInThisThread(plan, files, schedule);
        } else {
            runOnWorkers(plan, files, schedule, workers);
        }
        if (journal) {
            std::string incomplete = journal->finish();
            if (result_.notUndoable.empty()) {
                result_.notUndoable =
                    journal->undoUnavailable().empty() ? std::move(incomplete) : journal->undoUnavailable();
            }
            journal.reset();
            if (request_.keepForUndo) {
                dropOldestRuns(journalFolder, kRunsKeptForUndo, request_.undoBytesBound);
            }
        }
        if (!result_.cancelled) {
            observer_->progress(100);
        }
        return std::move(result_);
    }

private:
    // A run that could change more than the journal keeps runs without undo, and says so before it starts,
    // rather than drop every older run and still not be undoable.
    std::optional<RunHeading> headingOf(const Plan& plan, const std::vector<std::string>& files) {
        if (!request_.keepForUndo) {
            return std::nullopt;
        }
        if (plan.contents()) {
            result_.notUndoable = tooLargeForUndo(files, request_.undoBytesBound);
            if (!result_.notUndoable.empty()) {
                observer_->notUndoable(result_.notUndoable);
                return std::nullopt;
            }
        }
        return RunHeading{!plan.contents(), request_.finds, request_.replaces, files.size()};
    }

    void drawBefore(const ProgressSchedule& schedule, std::size_t pair, std::size_t file) {
        if (const auto percent = schedule.before(pair, file)) {
            observer_->progress(*percent);
        }
    }

    void runInThisThread(const Plan& plan, const std::vector<std::string>& files,
                         const ProgressSchedule& schedule) {
        std::string text;
        for (std::size_t i = 0; i < files.size() && !cancelled(); ++i) {
            const auto draw = [&](std::size_t j) { drawBefore(schedule, j, i); };
            if (std::optional<RowOutcome> planned = plannedRename(i, files[i])) {
                for (std::size_t j = 0; j < plan.finds.size(); ++j) {
                    draw(j);
                }
                deliver(i, std::move(*planned));
                continue;
            }
            deliver(i, processRow(plan, i, files[i], platform::pathStatus(files[i]), text, cancel_, draw));
            releaseIfLarge(text);
        }
    }

    void runOnWorkers(const Plan& plan, const std::vector<std::string>& files,
                      const ProgressSchedule& schedule, unsigned workers) {
        WorkerPool pool(plan, files, workers, cancel_, files.size());
        for (std::size_t i = 0; i < files.size() && !cancelled(); ++i) {
            std::optional<RowOutcome> outcome = pool.take(i);
            if (!outcome) {
                cancelled();
                return;
            }
            // The bar moves as rows arrive in order, through the same points as in a run on one thread.
            if (outcome->complete && outcome->row.skipped == SkipReason::None) {
                for (std::size_t j = 0; j < plan.finds.size(); ++j) {
                    drawBefore(schedule, j, i);
                }
            }
            deliver(i, std::move(*outcome));
        }
    }

    // An execute run in contents mode: the workers read the files of a batch, apply the pairs and prepare the
    // writes; then the batch's writes are committed together (see commitWrites), and only then are its rows
    // done.
    void runInBatches(Plan& plan, const std::vector<std::string>& files, const ProgressSchedule& schedule,
                      unsigned workers) {
        std::optional<FoldersToJournal> folders;
        if (plan.journal) {
            plan.folders = &folders.emplace(*plan.journal);
        }
        earlierRows_.assign(files.size(), kNoRow);
        WorkerPool pool(plan, files, workers, cancel_, 0, &earlierRows_);
        std::size_t end = batchEnd(files, 0);
        pool.openUpTo(end);
        for (std::size_t first = 0; first < files.size() && !cancelled();) {
            std::vector<RowOutcome> batch;
            for (std::size_t i = first; i < end; ++i) {
                std::optional<RowOutcome> outcome = pool.take(i);
                // A batch cut short is not committed: its files stay as they are, and the workers, which may
                // still be at work on it, are the only ones to use the journal until they have stopped.
                if (!outcome || !outcome->complete) {
                    result_.cancelled = true;
                    return;
                }
                // The bar moves as rows arrive in order, through the same points as in a run on one thread,
                // and as there, before the row's file is written.
                if (outcome->row.skipped == SkipReason::None) {
                    for (std::size_t j = 0; j < plan.finds.size(); ++j) {
                        drawBefore(schedule, j, i);
                    }
                }
                batch.push_back(std::move(*outcome));
            }
            // Once batches are full, the workers read the next one while this one is committed.
            const bool full = end - first == kBatchFiles;
            const std::size_t nextEnd = full ? batchEnd(files, end) : end;
            pool.openUpTo(nextEnd);
            commit(batch, first, plan.journal, plan.folders ? &*folders : nullptr);
            for (std::size_t k = 0; k < batch.size(); ++k) {
                const std::size_t earlier = earlierRows_[first + k];
                deliver(first + k, earlier == kNoRow
                                       ? std::move(batch[k])
                                       : sameAsEarlierRow(first + k, earlier, files[first + k]));
            }
            first = end;
            end = full ? nextEnd : batchEnd(files, first);
            pool.openUpTo(end);
        }
    }

    // The pairs go over each file once, however many rows name it (by other paths or links): a row naming
    // the file of an earlier row is not read, and takes that row's result. A batch holds no more rows than
    // the run has done before it, so that the first rows show at once and a run cut short has changed no
    // more than twice what it reported; and it is bounded in files, and in bytes, which the disk takes in at
    // the commit. A streamed file is a batch of its own: its new file is already written in full when its
    // row arrives, and waits for no other.
    std::size_t batchEnd(const std::vector<std::string>& files, std::size_t first) {
        const std::size_t most = std::clamp<std::size_t>(first, 1, kBatchFiles);
        std::uint64_t bytes = 0;
        std::size_t end = first;
        while (end < files.size() && end - first < most && bytes < kBatchBytes) {
            const platform::FileIdentity identity = platform::fileIdentity(files[end]);
            const FileKey file{identity.device, identity.inode};
            if (const auto seen = firstRowOf_.find(file); identity.known && seen != firstRowOf_.end()) {
                earlierRows_[end++] = seen->second;
                continue;
            }
            const bool streamed = identity.size > request_.streamedFileBytes;
            if (streamed && end > first) {
                break;
            }
            if (identity.known) {
                firstRowOf_.emplace(file, end);
            }
            bytes += identity.size;
            ++end;
            if (streamed) {
                break;
            }
        }
        return end;
    }

    // A row naming the file of an earlier row reports what the pairs did there.
    RowOutcome sameAsEarlierRow(std::size_t i, std::size_t earlier, const std::string& path) const {
        RowOutcome outcome;
        outcome.row = result_.rows[earlier];
        outcome.row.path = path;
        outcome.complete = true;
        const auto failure =
            std::lower_bound(result_.failures.begin(), result_.failures.end(), earlier,
                             [](const RunFailure& failure, std::size_t row) { return failure.row < row; });
        if (failure != result_.failures.end() && failure->row == earlier) {
            outcome.failure = RunFailure{i, path, failure->reason};
        }
        return outcome;
    }

    void commit(std::vector<RowOutcome>& batch, std::size_t first, RunJournal* journal,
                FoldersToJournal* workers) {
        std::vector<PendingWrite*> writes;
        std::vector<std::size_t> rows;
        for (std::size_t k = 0; k < batch.size(); ++k) {
            if (batch[k].write) {
                writes.push_back(&*batch[k].write);
                rows.push_back(k);
            }
        }
        const std::vector<std::string> reasons = commitWrites(writes, journal, workers);
        for (std::size_t n = 0; n < writes.size(); ++n) {
            RowOutcome& outcome = batch[rows[n]];
            if (!reasons[n].empty()) {
                outcome.failure =
                    RunFailure{first + rows[n], outcome.row.path, "cannot be written: " + reasons[n]};
            }
        }
        knowReplacedFiles(batch, first, rows, reasons);
        for (const std::size_t k : rows) {
            batch[k].write.reset();
        }
    }

    // A file replaced by a new one is the new file for the rows after: a later row may reach it by another
    // name, and a file made later may take the old one's inode.
    void knowReplacedFiles(const std::vector<RowOutcome>& batch, std::size_t first,
                           const std::vector<std::size_t>& rows, const std::vector<std::string>& reasons) {
        std::vector<std::size_t> replaced;
        for (std::size_t n = 0; n < rows.size(); ++n) {
            const PendingWrite& write = *batch[rows[n]].write;
            if (reasons[n].empty() && write.kind == PendingWrite::Kind::Replace) {
                firstRowOf_.erase(FileKey{write.readAs.device, write.readAs.inode});
                replaced.push_back(rows[n]);
            }
        }
        for (const std::size_t k : replaced) {
            const platform::FileIdentity written = platform::fileIdentity(batch[k].write->path);
            if (written.known) {
                firstRowOf_.insert_or_assign(FileKey{written.device, written.inode}, first + k);
            }
        }
    }

    // A row the names plan refuses, or one of a chain or cycle, which are renamed as a whole; nothing for
    // a row renamed on its own as it comes.
    std::optional<RowOutcome> plannedRename(std::size_t i, const std::string& path) {
        if (!renames_) {
            return std::nullopt;
        }
        const PlannedRename& planned = renames_->rows[i];
        RowOutcome outcome;
        outcome.row.path = path;
        outcome.row.count = planned.count;
        outcome.applied = planned.applied;
        outcome.complete = true;
        if (planned.kind == RenameKind::Refused) {
            outcome.failure = RunFailure{i, path, "cannot be renamed: " + planned.problem};
            return outcome;
        }
        if (planned.kind == RenameKind::Repeated) {
            return sameEntryAsEarlierRow(i, planned, std::move(outcome));
        }
        std::optional<GroupRename> done = groups_->take(i);
        if (!done) {
            return std::nullopt;
        }
        outcome.row.path = std::move(done->path);
        outcome.row.renamed = done->renamed;
        if (!done->failure.empty()) {
            outcome.failure = RunFailure{i, path, std::move(done->failure)};
        }
        return outcome;
    }

    // A row naming the entry of an earlier row by another spelling of its path reports what that row's
    // rename did, in its own spelling: looked for again, the entry would be gone.
    RowOutcome sameEntryAsEarlierRow(std::size_t i, const PlannedRename& planned, RowOutcome outcome) const {
        const RowResult& earlier = result_.rows[planned.after];
        if (earlier.renamed) {
            outcome.row.path = planned.newPath;
            outcome.row.renamed = true;
        }
        const auto failure =
            std::lower_bound(result_.failures.begin(), result_.failures.end(), planned.after,
                             [](const RunFailure& failure, std::size_t row) { return failure.row < row; });
        if (failure != result_.failures.end() && failure->row == planned.after) {
            outcome.failure = RunFailure{i, outcome.row.path, failure->reason};
        }
        return outcome;
    }

    void deliver(std::size_t i, RowOutcome outcome) {
        if (!outcome.complete) {
            result_.cancelled = true;
            return;
        }
        // A row that failed did not change what it counted.
        if (!outcome.failure) {
            result_.total += outcome.row.count;
        }
        if (outcome.applied) {
            result_.status = request_.execute ? StatusKind::Done : StatusKind::Pending;
        }
        if (outcome.failure) {
            result_.failures.push_back(std::move(*outcome.failure));
        }
        result_.rows.push_back(std::move(outcome.row));
        observer_->rowDone(i, result_.rows.back(), result_.total, result_.status);
    }

    bool cancelled() {
        if (isCancelled(cancel_)) {
            result_.cancelled = true;
        }
        return result_.cancelled;
    }

    const RunRequest& request_;
    RunObserver silent_;
    RunObserver* observer_;
    const std::atomic<bool>* cancel_;
    RunResult result_;
    const RenamePlan* renames_ = nullptr; // an execute run's in file-names mode
    RenameGroups* groups_ = nullptr;
    // An execute run's in contents mode: the first row that named each file, by the identity it had when
    // the row was reached and the one its new contents have; and for each row, the earlier row whose file it
    // names, or kNoRow.
    std::map<FileKey, std::size_t> firstRowOf_;
    std::vector<std::size_t> earlierRows_;
};

} // namespace

RunResult runPairs(const RunRequest& request, RunObserver* observer, const std::atomic<bool>* cancel) {
    return Run(request, observer, cancel).execute();
}

std::string skipReasonText(SkipReason reason, ReplaceMode mode) {
    switch (reason) {
    case SkipReason::EmptyPath:
        return "empty path";
    case SkipReason::Missing:
        return "no such file or folder";
    case SkipReason::Folder:
        return mode == ReplaceMode::Contents ? "is a folder; contents mode reads files only" : "is a folder";
    case SkipReason::None:
        break;
    }
    return {};
}

std::string statusLine(std::string_view message, std::int64_t total) {
    return std::string(message) + " " + std::to_string(total);
}

std::string mismatchText(std::string_view message, std::size_t findsUbound, std::size_t replacesUbound) {
    return std::string(message) + "\r\n" + std::to_string(findsUbound) + "\t" +
           std::to_string(replacesUbound);
}

} // namespace morvane
