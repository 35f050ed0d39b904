// A row streamed in blocks: the sinks that take what the pairs leave (nothing in a simulate run, the new file
// in an execute run) and, where the text cannot be cut into ranges (see range_counter.h), the second thread
// that takes a simulate run's later pairs.
#include "core/run/streamed_row.h"

#include "core/journal/contents_batch.h"
#include "core/journal/run_journal.h"
#include "core/run/range_counter.h"
#include "core/run/range_share.h"
#include "core/run/run_texts.h"
#include "core/text/stream_chain.h"
#include "core/text/text_encoding.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace morvane {

namespace {

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
            writeInBlocks(bytes);
        }
    }

    bool inPlaceOnly() const { return replacement_.mustRewriteInPlace(); }

    // After the chain's last piece: whether all it gave is the file as read.
    bool leftAsRead() const { return !started_ && passedOver_ == readAs_.size; }

    // After the chain's last piece: the write that the run commits, or the reason there is none.
    std::string finish(PendingWrite& write) {
        // The pairs may have cut out all there was, so that no piece came after the change.
        if (!stopped() && start() && (unwritten_.empty() || writeOut(unwritten_))) {
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

    // The chain hands on pieces of tens of kilobytes; the new file is written a block at a time.
    void writeInBlocks(std::string_view bytes) {
        unwritten_.append(bytes);
        if (unwritten_.size() >= blockBytes_ && writeOut(unwritten_)) {
            unwritten_.clear();
        }
    }

    bool writeOut(std::string_view bytes) {
        error_ = replacement_.append(bytes);
        return error_.empty();
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
    std::string unwritten_;
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

} // namespace

bool isStreamed(const Plan& plan, const platform::PathStatus& status) {
    return plan.contents() && !plan.hasOptionPairs && status.kind == platform::PathKind::RegularFile &&
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
    const RangeCuts cuts(plan.finds, plan.replaces, plan.request.options);
    const unsigned helpers = execute || !cuts.usable() ? 0 : rangeHelpers(plan.request);
    std::size_t split = helpers ? 0 : pairsOnFirstThread(plan);
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
    outcome.applied = plan.hasNonEmptyPair;
    if (std::string error = reader.open(path, &readAs); !error.empty()) {
        outcome.failure = RunFailure{i, path, cannotReadText(error)};
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
    // A UTF-8 mark goes past the pairs, straight to what an execute run writes: it is kept and never matched.
    // First bytes that are no mark are the pairs' first piece.
    std::array<char, 3> start{};
    std::size_t startRead = 0;
    if (std::string error = reader.read(start, startRead); !error.empty()) {
        outcome.failure = RunFailure{i, path, cannotReadText(error)};
        outcome.complete = true;
        return outcome;
    }
    read = startRead;
    const std::string_view head(start.data(), startRead);
    if (helpers) {
        const bool marked = encodingOf(head) == TextEncoding::Utf8WithMark;
        return countInRanges(plan, cuts, i, path, readAs, marked ? head.size() : 0, helpers, cancel,
                             beforePair);
    }
    if (hashRead) {
        readHash.add(head);
    }
    if (encodingOf(head) != TextEncoding::Utf8WithMark) {
        chain.feed(head, sink);
    } else if (execute) {
        replacement.take(head);
    }
    if (replacement.inPlaceOnly()) {
        return std::nullopt;
    }
    PairProgress progress(plan.finds.size(), readAs.size, beforePair);
    for (;;) {
        if (isCancelled(cancel)) {
            return outcome;
        }
        progress.reached(read);
        std::size_t got = 0;
        if (std::string error = reader.read(block, got); !error.empty()) {
            outcome.failure = RunFailure{i, path, cannotReadText(error)};
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
            outcome.failure = RunFailure{i, path, cannotWriteText(error)};
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

} // namespace morvane
