#include "core/run/rename_plan.h"

#include "core/platform/paths.h"
#include "core/platform/platform_fs.h"
#include "core/text/notation.h"
#include "core/text/occurrences.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <optional>
#include <unordered_map>

namespace morvane {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

bool entryExists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(toFsPath(path), error));
}

// A row the plan must place among the others: it exists and its name changes.
struct Moving {
    std::size_t row;
    std::string entry;           // the path without separators after it
    std::string newEntry;        // the same with the new name
    std::string from;            // the entry's comparable path
    std::string to;              // the new entry's comparable path
    std::size_t blocker = kNone; // the row whose entry holds the new name
    std::size_t waiter = kNone;  // the row that waits for this one
};

class Planner {
public:
    Planner(std::vector<std::string> finds, std::vector<std::string> replaces,
            std::vector<std::optional<PairMatcher>> matchers)
        : finds_(std::move(finds)), replaces_(std::move(replaces)), matchers_(std::move(matchers)) {}

    RenamePlan plan(const PathList& files) {
        plan_.rows.reserve(files.size());
        rowBySource_.reserve(files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            plan_.rows.push_back(planRow(i, files[i]));
        }
        refuseSharedNames();
        findBlockers();
        refuseEntriesOfFoldersRenamedFirst();
        classifyAndOrder();
        refuseRepeatsOfRefused();
        return std::move(plan_);
    }

private:
    // Two spellings of one path compare equal: "./a", "a" and "sub/../a" from the same working folder, which
    // is looked up once: a look for each path would cost more than the rest of the plan.
    std::string comparablePath(const std::string& path) {
        fs::path given = toFsPath(path);
        if (given.is_relative()) {
            if (!workingFolderKnown_) {
                std::error_code error;
                workingFolder_ = fs::current_path(error);
                workingFolderKnown_ = true;
            }
            given = workingFolder_ / given;
        }
        return fromFsPath(given.lexically_normal());
    }

    PlannedRename planRow(std::size_t i, const std::string& path) {
        PlannedRename row;
        row.path = path;
        row.newPath = path;
        if (path.empty()) {
            row.skipped = SkipReason::EmptyPath;
            row.kind = RenameKind::Skipped;
            return row;
        }
        if (!fileExists(path)) {
            row.skipped = SkipReason::Missing;
            row.kind = RenameKind::Skipped;
            return row;
        }
        const NamedEntry entry(path);
        PairedName paired = nameAfterPairs(finds_, replaces_, entry.name(), matchers_);
        row.count = paired.count;
        row.applied = paired.applied;
        // A name the pairs leave as it was needs no rename, whatever it is ("." or the empty name of a root).
        if (paired.name == entry.name()) {
            return row;
        }
        std::string newEntry = entry.parts.folder + paired.name;
        row.newPath = newEntry + entry.trailing;
        if (std::string refused = refusedNameReason(paired.name); !refused.empty()) {
            refuse(row, std::move(refused));
            return row;
        }
        if (paired.name.size() > nameMaxIn(entry.parts.folder)) {
            refuse(row, "the new name is longer than the " + std::to_string(nameMaxIn(entry.parts.folder)) +
                            " bytes the file system takes");
            return row;
        }
        std::string from = comparablePath(entry.path());
        if (const auto earlier = rowBySource_.find(from); earlier != rowBySource_.end()) {
            row.kind = RenameKind::Repeated;
            row.after = moving_[earlier->second].row;
            return row;
        }
        row.kind = RenameKind::Plain;
        rowBySource_.emplace(from, moving_.size());
        std::string to = comparablePath(newEntry);
        moving_.push_back(Moving{i, entry.path(), std::move(newEntry), std::move(from), std::move(to)});
        return row;
    }

    std::size_t nameMaxIn(const std::string& folder) {
        const auto known = nameMaxByFolder_.find(folder);
        if (known != nameMaxByFolder_.end()) {
            return known->second;
        }
        return nameMaxByFolder_.emplace(folder, platform::nameMax(folder)).first->second;
    }

    std::string rowEntryText(std::size_t row) const { return quotedEntryName(plan_.rows[row].path); }

    void refuse(PlannedRename& row, std::string problem) {
        row.kind = RenameKind::Refused;
        row.problem = std::move(problem);
    }

    bool refused(const Moving& m) const { return plan_.rows[m.row].kind == RenameKind::Refused; }

    // Two entries cannot end under one name, so neither row is renamed.
    void refuseSharedNames() {
        std::unordered_map<std::string, std::size_t> firstByTarget;
        firstByTarget.reserve(moving_.size());
        for (std::size_t m = 0; m < moving_.size(); ++m) {
            const auto [first, added] = firstByTarget.emplace(moving_[m].to, m);
            if (added) {
                continue;
            }
            const std::size_t other = first->second;
            refuse(plan_.rows[moving_[m].row], rowEntryText(moving_[other].row) + " gets the same new name");
            if (!refused(moving_[other])) {
                refuse(plan_.rows[moving_[other].row],
                       rowEntryText(moving_[m].row) + " gets the same new name");
            }
        }
    }

    // Which entry of the run holds each new name; a name held by anything else is taken.
    void findBlockers() {
        std::vector<std::size_t> refusedNow;
        for (std::size_t m = 0; m < moving_.size(); ++m) {
            Moving& moving = moving_[m];
            if (refused(moving)) {
                refusedNow.push_back(m);
                continue;
            }
            const auto holder = rowBySource_.find(moving.to);
            if (holder != rowBySource_.end() && holder->second != m) {
                moving.blocker = holder->second;
                moving_[holder->second].waiter = m;
                continue;
            }
            if (holder == rowBySource_.end() && entryExists(moving.newEntry) &&
                !platform::isCaseChangeOfEntry(moving.entry, moving.newEntry)) {
                refuse(plan_.rows[moving.row],
                       "a file or folder named \"" + fileNameOf(moving.newEntry) + "\" already exists");
                refusedNow.push_back(m);
            }
        }
        refuseWaitersOf(refusedNow);
    }

    // An entry that stays where it is keeps its name from whoever waits for it, and so on down the chain.
    void refuseWaitersOf(const std::vector<std::size_t>& refusedNow) {
        for (std::size_t m : refusedNow) {
            for (std::size_t w = moving_[m].waiter; w != kNone && !refused(moving_[w]);
                 w = moving_[w].waiter) {
                refuse(plan_.rows[moving_[w].row], "the new name is held by " +
                                                       rowEntryText(moving_[moving_[w].blocker].row) +
                                                       ", which is not renamed");
            }
        }
    }

    // When each moving row's rename is made: a plain row's at its own turn, a chain's or cycle's all at the
    // turn of its first row in the list.
    std::vector<std::size_t> turns() const {
        std::vector<std::size_t> turn(moving_.size(), kNone);
        for (std::size_t m = 0; m < moving_.size(); ++m) {
            if (turn[m] != kNone || refused(moving_[m])) {
                continue;
            }
            const std::size_t start = chainStart(m);
            std::size_t w = start == kNone ? m : start;
            do {
                turn[w] = moving_[m].row;
                w = moving_[w].waiter;
            } while (w != kNone && turn[w] == kNone);
        }
        return turn;
    }

    // The moving row whose entry is the nearest folder above row m's entry that the run renames before m's
    // turn; kNone when none is. A folder between them that is refused, or renamed later, does not keep the
    // entry where it is.
    std::size_t folderRenamedBefore(std::size_t m, const std::vector<std::size_t>& turn) const {
        fs::path folder = toFsPath(moving_[m].from);
        while (folder.has_relative_path()) {
            folder = folder.parent_path();
            if (const auto holder = rowBySource_.find(fromFsPath(folder));
                holder != rowBySource_.end() && !refused(moving_[holder->second]) &&
                turn[holder->second] < turn[m]) {
                return holder->second;
            }
        }
        return kNone;
    }

    // An entry whose folder, or one above it, is renamed before its own turn is gone from its path when that
    // turn comes. A row refused may move the turn of its chain, so the rows are looked at again until none
    // is refused.
    void refuseEntriesOfFoldersRenamedFirst() {
        while (refuseEntriesOfFoldersRenamedBeforeTheirTurns(turns())) {
        }
    }

    // Returns whether a row was refused.
    bool refuseEntriesOfFoldersRenamedBeforeTheirTurns(const std::vector<std::size_t>& turn) {
        std::vector<std::size_t> refusedNow;
        for (std::size_t m = 0; m < moving_.size(); ++m) {
            if (refused(moving_[m])) {
                continue;
            }
            const std::size_t folder = folderRenamedBefore(m, turn);
            if (folder == kNone) {
                continue;
            }
            refuse(plan_.rows[moving_[m].row], "the folder " + rowEntryText(moving_[folder].row) +
                                                   " is renamed first; list the folder after this row");
            // A chain goes on without the row: the entry it waited for still moves, and nothing follows it.
            if (const std::size_t blocker = moving_[m].blocker; blocker != kNone) {
                moving_[blocker].waiter = kNone;
                moving_[m].blocker = kNone;
            }
            refusedNow.push_back(m);
        }
        refuseWaitersOf(refusedNow);
        return !refusedNow.empty();
    }

    // A row that names the entry of a refused row must not rename it at its own turn.
    void refuseRepeatsOfRefused() {
        for (PlannedRename& row : plan_.rows) {
            if (row.kind == RenameKind::Repeated && plan_.rows[row.after].kind == RenameKind::Refused) {
                refuse(row, plan_.rows[row.after].problem);
            }
        }
    }

    // The first row of the chain or cycle, walking towards the rows that must go first; kNone for a cycle.
    std::size_t chainStart(std::size_t m) const {
        const std::size_t start = m;
        while (moving_[m].blocker != kNone) {
            m = moving_[m].blocker;
            if (m == start) {
                return kNone;
            }
        }
        return m;
    }

    void classifyAndOrder() {
        std::vector<bool> placed(moving_.size(), false);
        for (std::size_t m = 0; m < moving_.size(); ++m) {
            if (placed[m] || refused(moving_[m])) {
                continue;
            }
            if (moving_[m].blocker == kNone && moving_[m].waiter == kNone) {
                placed[m] = true;
                continue;
            }
            const std::size_t start = chainStart(m);
            plan_.groups.emplace_back();
            if (start == kNone) {
                placeCycle(m, placed);
            } else {
                placeChain(start, placed);
            }
        }
    }

    void placeChain(std::size_t start, std::vector<bool>& placed) {
        for (std::size_t m = start; m != kNone; m = moving_[m].waiter) {
            placed[m] = true;
            PlannedRename& row = plan_.rows[moving_[m].row];
            if (moving_[m].blocker != kNone) {
                row.kind = RenameKind::Ordered;
                row.after = moving_[moving_[m].blocker].row;
            }
            plan_.groups.back().push_back(RenameStep{moving_[m].row, RenameStep::Stage::Direct});
        }
    }

    // The first row in list order steps aside, the others follow each other into the names freed, and the
    // first takes its new name last.
    void placeCycle(std::size_t first, std::vector<bool>& placed) {
        plan_.groups.back().push_back(RenameStep{moving_[first].row, RenameStep::Stage::Park});
        std::size_t m = first;
        do {
            placed[m] = true;
            PlannedRename& row = plan_.rows[moving_[m].row];
            row.kind = RenameKind::Cycle;
            row.after = moving_[moving_[m].blocker].row;
            m = moving_[m].waiter;
            if (m != first) {
                plan_.groups.back().push_back(RenameStep{moving_[m].row, RenameStep::Stage::Direct});
            }
        } while (m != first);
        plan_.groups.back().push_back(RenameStep{moving_[first].row, RenameStep::Stage::Unpark});
    }

    std::vector<std::string> finds_;
    std::vector<std::string> replaces_;
    std::vector<std::optional<PairMatcher>> matchers_;
    RenamePlan plan_;
    std::vector<Moving> moving_;
    std::unordered_map<std::string, std::size_t> rowBySource_; // comparable old path to index in moving_
    std::unordered_map<std::string, std::size_t> nameMaxByFolder_;
    fs::path workingFolder_;
    bool workingFolderKnown_ = false;
};

} // namespace

std::string refusedNameReason(const std::string& name) {
    if (name.empty()) {
        return "the new name would be empty";
    }
    if (name == "." || name == "..") {
        return "the new name \"" + name + "\" is not allowed";
    }
    if (std::any_of(name.begin(), name.end(), [](char c) { return isPathSeparator(c) || c == '\0'; })) {
        return "the new name would contain a path separator or a NUL byte";
    }
    return {};
}

std::string quotedEntryName(std::string_view path) {
    return "\"" + NamedEntry(path).name() + "\"";
}

NamedEntry::NamedEntry(std::string_view path) {
    const std::string_view entry = withoutTrailingSeparators(path);
    parts = splitPath(entry);
    trailing = path.substr(entry.size());
}

PairedName nameAfterPairs(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                          std::string_view name, const std::vector<std::optional<PairMatcher>>& matchers) {
    PairedName paired{std::string(name)};
    for (std::size_t j = 0; j < finds.size() && j < replaces.size(); ++j) {
        if (finds[j].empty()) {
            continue;
        }
        paired.applied = true;
        if (j < matchers.size() && matchers[j]) {
            paired.count += matchers[j]->replace(paired.name);
            continue;
        }
        // A pair that keeps its own text changes nothing.
        paired.count += finds[j] == replaces[j] ? countOccurrences(paired.name, finds[j])
                                                : replaceInPlace(paired.name, finds[j], replaces[j]);
    }
    return paired;
}

RenamePlan planRenames(const RunRequest& request) {
    std::vector<std::string> finds = request.finds.empty() ? std::vector<std::string>{""} : request.finds;
    std::vector<std::string> replaces =
        request.replaces.empty() ? std::vector<std::string>{""} : request.replaces;
    if (finds.size() != replaces.size()) {
        RenamePlan plan;
        plan.mismatch = true;
        plan.findsUbound = finds.size() - 1;
        plan.replacesUbound = replaces.size() - 1;
        return plan;
    }
    expandEachNotation(finds);
    expandEachNotation(replaces);
    const PathList files = request.files.empty() ? PathList{""} : request.files;
    return Planner(std::move(finds), std::move(replaces),
                   matchersOfPairs(request.finds, request.replaces, request.options))
        .plan(files);
}

std::string renameProblem(const PlannedRename& row) {
    switch (row.kind) {
    case RenameKind::Refused:
        return row.problem;
    case RenameKind::Skipped:
        return skipReasonText(row.skipped, ReplaceMode::FileNames);
    case RenameKind::Unchanged:
    case RenameKind::Plain:
    case RenameKind::Ordered:
    case RenameKind::Cycle:
    case RenameKind::Repeated:
        break;
    }
    return {};
}

std::string_view renameKindText(RenameKind kind) {
    switch (kind) {
    case RenameKind::Unchanged:
        return "unchanged";
    case RenameKind::Skipped:
        return "skipped";
    case RenameKind::Plain:
        return "rename";
    case RenameKind::Ordered:
        return "chain";
    case RenameKind::Cycle:
        return "cycle";
    case RenameKind::Repeated:
        return "repeated";
    case RenameKind::Refused:
        return "refused";
    }
    return {};
}

} // namespace morvane
