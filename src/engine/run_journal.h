#pragma once

#include "util/held_file.h"
#include "util/platform_fs.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace morvane {

// The folder, inside the one that keeps the saved tasks, where execute runs keep their journals.
inline constexpr std::string_view kJournalFolderName = "Undo";

// Empty for an empty state folder: no journal.
std::string journalFolderIn(const std::string& stateFolder);

// Whether a name in the journal folder is that of a run's journal.
bool isJournalName(std::string_view name);

// A rewrite in place as a journal records it: the file by its path and identity, its backup, and what the
// file held before and is to hold after, by size and content hash.
struct RecordedRewrite {
    std::string target;
    std::string backup;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t oldSize = 0;
    std::uint64_t oldHash = 0;
    std::uint64_t newSize = 0;
    std::uint64_t newHash = 0;
};

// What the journal of a run that did not end says.
struct JournalRecord {
    std::vector<std::string> folders;        // where the run made temporary files or backups
    std::vector<RecordedRewrite> unfinished; // rewrites in place begun and not ended
};

// Reads a journal; a last line without its line end was being written when the run stopped and is left out.
// Nothing for a journal this program does not know how to read (a later version's).
std::optional<JournalRecord> readJournal(std::string_view text);

// A hash that tells a file's contents from others that a crash or an edit could leave; not for security.
std::uint64_t contentHash(std::string_view bytes);

// The journal of one execute run: a file in the journal folder, made at the run's first write, held while
// the run goes (see HeldFile) and removed when the run ends. A run cut short leaves it for clearLeftovers.
// Every line is on disk before the change it announces begins. Used from one thread.
class RunJournal final : public platform::WriteJournal {
public:
    explicit RunJournal(std::string journalFolder);
    ~RunJournal() override;
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    void writingIn(const std::string& folder) override;
    std::string rewriteStarting(const platform::InPlaceRewrite& rewrite) override;
    void rewriteGoingOn() override;
    void rewriteEnded(const platform::InPlaceRewrite& rewrite) override;

private:
    bool record(const std::string& line);

    std::string journalFolder_;
    platform::HeldFile file_;
    bool opened_ = false;
    std::unordered_set<std::string> folders_;
};

} // namespace morvane
