#pragma once

#include "core/platform/held_file.h"
#include "core/platform/platform_fs.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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
    bool ended = false;                      // a run that can be undone ended, or was cleared up after
    bool undoing = false; // an undo of the ended run began and did not stop: the lines above are its own
};

// What an execute run that can be undone records before its first change.
struct RunHeading {
    bool names = false; // file names, not contents
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    std::size_t rows = 0;
};

// What a file or entry was when the run had changed it: enough to tell whether anyone changed it since.
struct LeftIdentity : platform::FileIdentity {
    std::uint64_t hash = 0;
};

struct RecordedContents {
    std::string target;
    std::string kept;  // the name of the file's old contents in the run's folder of kept files
    LeftIdentity left; // not known when the change did not happen, or the run stopped first
    // What the file was to be once changed, recorded before the change began: the device and inode of the
    // new file (or of the file itself, rewritten in place), and the size and hash of what it was to hold.
    // Not known in a journal of an earlier version.
    LeftIdentity intended;
};

struct RecordedRename {
    std::string from;
    std::string to;
    LeftIdentity left; // device and inode only
};

// A file whose text the run left as it was, and only gave the time of a rewrite.
struct RecordedTouch {
    std::string target;
    std::int64_t oldModifiedNanoseconds = 0;
    LeftIdentity left; // not known when the touch did not happen
};

// The journal of a run that can be undone, as undo reads it; changes in the order they were made.
struct UndoRecord {
    RunHeading heading;
    std::int64_t startedNanoseconds = 0;
    std::vector<RecordedContents> contents;
    std::vector<RecordedRename> renames;
    std::vector<RecordedTouch> touches;
    bool ended = false;
    bool interrupted = false; // ended by a clear-up after the process stopped part way
    bool undone = false;
};

// Nothing for a journal without a heading: one of a run that cannot be undone. Reads the journals of names
// runs that record their renames one by one as well as those that record them as a plan.
std::optional<UndoRecord> readUndoRecord(std::string_view text);

// A rename that an execute run in file-names mode plans before it makes any, by the paths the run gives it.
struct PlannedMove {
    std::string from;
    std::string to;
    std::string asideIn; // the folder, when the rename puts the entry aside for a swap or cycle
};

// For the journal of a names run cut short in a swap or cycle, with an entry still aside: the entries of that
// cycle go back to their old names, the last renamed first, and the one aside last, as the run does with a
// cycle that breaks off. Gives the old paths of the entries that were aside and are back.
std::vector<std::string> takeBackCutCycle(std::string_view text);

// What closes the journal of a run cut short, kept for undo: for a run that planned its renames, which of
// them the disk shows made; for a file whose change began and whose outcome was not recorded, what it left
// when the disk shows it is what it was to be; then the ended line. Empty when the run changed nothing, and
// the journal can go.
std::string interruptedEnding(std::string_view text);

// The folder that keeps the old contents of the files a run changed, beside its journal.
std::string keptFolderOf(const std::string& journalPath);
// The journal a folder of kept old contents belongs to; empty for a name that is no such folder's.
std::string journalOfKeptFolder(const std::string& keptFolder);

// Lines that close a journal for good, kept for undo: the run ended (or was cleared up after), or was undone.
std::string endedLine(bool interrupted);
std::string undoneLine();
// What the clear-up adds for an undo cut short: the run is not undone, and its undo may be run again.
std::string undoStoppedLine();

// Reads a journal; a last line without its line end was being written when the run stopped and is left out.
// Nothing for a journal this program does not know how to read (a later version's).
std::optional<JournalRecord> readJournal(std::string_view text);
// Whether a journal whose text ends with `tail` has ended, as readJournal tells, by its last line alone: a
// line that ends the run or an undo, with its line end. False where the tail does not tell.
bool endsJournal(std::string_view tail);

// A hash that tells a file's contents from others that a crash or an edit could leave; not for security.
std::uint64_t contentHash(std::string_view bytes);

// The same hash of bytes that come in pieces.
class ContentHasher {
public:
    ContentHasher();
    void add(std::string_view bytes);
    std::uint64_t value() const;

private:
    void mixWord(const char* bytes);

    std::uint64_t hash_;
    std::uint64_t size_ = 0;
    char pending_[8] = {};
    std::size_t pendingSize_ = 0;
};

// A file about to take new contents, as the journal records it before the change.
struct ReplacingFile {
    std::string target;
    platform::FileIdentity becomes; // the new file, whose device and inode the target takes
    std::uint64_t hash = 0;         // of the new contents
};

// The journal of one execute run: a file in the journal folder, made at the run's first write and held while
// the run goes (see HeldFile). A run cut short leaves it for clearLeftovers. Every line is on disk before the
// change it announces begins. Without a heading it serves only the clear-up and is removed when the run ends;
// with one, it also keeps the old contents and names for undo, and stays, marked ended, once the run changed
// anything. Such a journal takes room on disk for the lines that follow a change (what it left, the run's
// end) before it announces the change: a disk that fills up stops changes, never the record of one made.
// Used from one thread at a time.
class RunJournal final : public platform::WriteJournal {
public:
    explicit RunJournal(std::string journalFolder, std::optional<RunHeading> heading = std::nullopt);
    ~RunJournal() override;
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    void writingIn(const std::string& folder) override;
    std::string rewriteStarting(const platform::InPlaceRewrite& rewrite) override;
    void rewriteGoingOn() override;
    void rewriteEnded(const platform::InPlaceRewrite& rewrite) override;
    std::string replacing(const std::string& target, const platform::FileIdentity& becomes,
                          std::string_view bytes) override;
    void replaced(const std::string& target, std::string_view bytes) override;
    // Whether the journal records what a change left, for which a write made as its bytes come must hash
    // them (see ContentHasher).
    bool recordsWhatIsLeft() const { return heading_.has_value(); }

    // Before files take new contents together: keeps the old contents of each and records them all, with
    // what each is to become, with one flush. A reason for a file stops its replacement.
    std::vector<std::string> replacingAll(const std::vector<ReplacingFile>& files);
    // Once a file replaced that way holds its new contents, known by their hash.
    void replacedWith(const std::string& target, std::uint64_t hash);
    // Puts what replacedWith recorded on disk with one flush, so that undo knows every file of a batch once
    // the batch is done, even after a power loss, and not only those whose lines a later flush carried.
    void flushWhatIsLeft();

    // Records the renames the run plans, in the order it will make them, with one flush before the first; a
    // reason when that fails, and then none of them may be made. A rename of the plan is then not written
    // down as it is made: the disk tells after a crash whether it was, by where its entry is. The run's end
    // records those made, once its folders are on disk.
    std::string renamesPlanned(const std::vector<PlannedMove>& moves);
    // Before and after a file or folder is renamed in file-names mode; a reason stops the rename. One the
    // plan does not hold is written down and flushed before it is made; taking back a rename of the plan,
    // which puts the entry where the plan found it, needs no line.
    std::string renaming(const std::string& from, const std::string& to);
    void renamed(const std::string& to);
    // Before and after a file whose text no pair changed is given the time of a rewrite; a reason stops it.
    // The hash is that of its text, as for replacedWith.
    std::string touching(const std::string& target, const platform::FileIdentity& readAs);
    void touched(std::uint64_t hash);

    // Makes the journal before the run changes anything, so that a run that was to be kept for undo and
    // cannot be says so first. Returns undoUnavailable().
    const std::string& begin();
    // Why a run that was to be kept for undo cannot be undone: its journal could not be made. Empty
    // otherwise.
    const std::string& undoUnavailable() const { return undoUnavailable_; }
    // Ends the run's journal: marks it ended once the run changed anything, else removes it with what it
    // kept. Returns why the journal could not be completed, when it stays for the next clear-up to close as
    // interrupted. The destructor ends a journal not ended yet.
    std::string finish();

private:
    bool keepsForUndo();
    std::string makeRoom(std::uint64_t announcing, std::uint64_t following);
    void settled(std::uint64_t following);
    bool open();
    bool record(const std::string& line);
    std::string nextKeptPath();
    static std::string keepLines(const std::string& target, const std::string& kept,
                                 const platform::FileIdentity& becomes, std::uint64_t hash);
    void recordLeft(std::string_view kind, const std::string& path, std::optional<std::uint64_t> hash);
    std::string absolutePath(const std::string& path);
    std::string realPath(const std::string& target);
    std::string madeLines();

    std::string journalFolder_;
    std::optional<RunHeading> heading_;
    platform::HeldFile file_;
    bool opened_ = false;
    bool changed_ = false;
    std::size_t kept_ = 0;
    std::string undoUnavailable_;
    bool finished_ = false;
    std::uint64_t owed_ = 0; // room taken for lines that follow changes announced
    std::unordered_set<std::string> folders_;
    std::string touching_;      // the file being touched, as its line names it
    std::string workingFolder_; // the one relative paths start from, looked up once
    std::unordered_map<std::string, std::string> realFolders_; // folders of touched files, links resolved
    // The renames of a names run, numbered: the planned ones first, then the others as they come.
    std::unordered_map<std::string, std::size_t> planned_; // by from and to, as the run names them
    std::size_t moves_ = 0;
    std::size_t plannedBegun_ = 0; // planned renames up to the last one begun
    std::string planRefused_;
    struct Renaming {
        std::size_t move = 0;
        bool back = false; // takes a planned rename back
    };
    std::optional<Renaming> renaming_;
    std::vector<std::size_t> made_;             // in the order made
    std::unordered_set<std::string> renamedIn_; // folders whose entries must reach the disk before the end
};

// What an undo records in the journal of the run it takes back, which it holds meanwhile: that it began,
// before it changes anything, the folders it makes temporary files in and its rewrites in place, each before
// it is made, and at its end whether the run is now undone. An undo cut short is thus cleared up after like a
// run, and the run stays to be undone. A watcher, where given, hears of every write after the journal.
class UndoJournal final : public platform::WriteJournal {
public:
    explicit UndoJournal(platform::HeldFile& journal, platform::WriteJournal* watcher = nullptr);

    // A reason when the journal cannot be written: then nothing may be changed.
    std::string begin();
    void writingIn(const std::string& folder) override;
    std::string rewriteStarting(const platform::InPlaceRewrite& rewrite) override;
    void rewriteGoingOn() override;
    void rewriteEnded(const platform::InPlaceRewrite& rewrite) override;
    // Whether a line could not be written: a temporary file made since may be left for the clear-up to miss.
    bool failed() const { return failed_; }
    // A reason when the ending cannot be written.
    std::string end(bool undone);

private:
    bool record(const std::string& line);

    platform::HeldFile& journal_;
    platform::WriteJournal* watcher_;
    std::unordered_set<std::string> folders_;
    bool failed_ = false;
};

} // namespace morvane
