#pragma once

#include "core/platform/platform_fs.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace morvane {

class RunJournal;

// What an execute run in contents mode does with a row's final text, in two steps: the worker that read the
// file prepares the write, and the run then makes the prepared writes of many rows durable together, with a
// few flushes for them all where one file at a time would take several each.
struct PendingWrite {
    enum class Kind {
        Replace,        // a new file beside the target, to be flushed and renamed over it
        RewriteInPlace, // a file that keeps its inode, written one at a time (see replaceFileContents)
        Touch,          // the text ends as it was read: the file only takes the time of a rewrite
    };
    Kind kind = Kind::Replace;
    std::string path; // as the row names it
    platform::FileIdentity readAs;
    platform::PreparedReplacement replacement; // for Replace
    std::uint64_t hash = 0;                    // of the new text, when the journal records what is left
    std::string text;                          // the new text, for RewriteInPlace
};

// Hands on, from any thread, the folders a worker is about to write in to the run's journal.
class FoldersToJournal final : public platform::WriteJournal {
public:
    explicit FoldersToJournal(platform::WriteJournal& journal) : journal_(journal) {}
    void writingIn(const std::string& folder) override;
    // Keeps the workers from the journal while the run's own thread uses it.
    std::unique_lock<std::mutex> hold() { return std::unique_lock(mutex_); }
    std::string rewriteStarting(const platform::InPlaceRewrite&) override { return {}; }
    void rewriteGoingOn() override {}
    void rewriteEnded(const platform::InPlaceRewrite&) override {}

private:
    platform::WriteJournal& journal_;
    std::mutex mutex_;
};

// The write a row's final text needs, or the reason it cannot be written. A text that some pair replaced in
// and that differs from what is on disk is prepared beside its file; the folder is told to the journal first.
// Its text is hashed only when hashed is set, for a journal that records what a write leaves.
struct PreparedWrite {
    std::optional<PendingWrite> write;
    std::string error;
};
PreparedWrite prepareWrite(const std::string& path, const std::string& text,
                           const platform::FileIdentity& readAs, bool replacedSome, bool hashed,
                           platform::WriteJournal* folders);

// Carries out the writes, each of another file: the new files are flushed together, then the journal keeps
// every old file and records them with one flush, then each new file is renamed over its target after a last
// look that it is still the file read, then every folder renamed in is flushed once. Once it returns, each
// file holds its new contents on disk or is as it was; after a crash at any point, each is wholly old or
// wholly new, and the journal lets the clear-up and undo deal with it. Workers that prepare the next writes
// meanwhile are kept from the journal while it is used. Returns each write's reason on failure.
std::vector<std::string> commitWrites(std::vector<PendingWrite*>& writes, RunJournal* journal,
                                      FoldersToJournal* workers);

} // namespace morvane
