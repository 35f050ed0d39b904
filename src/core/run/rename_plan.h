#pragma once

#include "core/platform/paths.h"
#include "core/run/run.h"
#include "core/text/pair_matcher.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Why a new name cannot be given to an entry; empty when it can. A name with a separator would move it.
std::string refusedNameReason(const std::string& name);

// The entry a row renames in file-names mode. A folder given as "d/" is the folder "d": its name is what the
// pairs see, and the separators after it stay on the printed path.
struct NamedEntry {
    PathParts parts;
    std::string trailing;

    explicit NamedEntry(std::string_view path);
    std::string name() const { return parts.name + parts.extension; }
    std::string path() const { return parts.folder + name(); }
};

// The name of a row's entry in quotes, as a problem names another row: the rows have no numbers on screen,
// and rows that stand in each other's way share a folder or lie one in the other, so the name tells which is
// meant.
std::string quotedEntryName(std::string_view path);

// What the pairs make of a name in an execute run: every pair in order, replacing as it goes.
struct PairedName {
    std::string name;
    std::int64_t count = 0;
    bool applied = false; // a non-empty pair ran over the name
};

// The pairs expanded from the notation; the columns must be of the same length. A pair with a matcher (see
// matchersOfPairs) is matched by it.
PairedName nameAfterPairs(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                          std::string_view name,
                          const std::vector<std::optional<PairMatcher>>& matchers = {});

// What an execute run in file-names mode does with a row.
enum class RenameKind {
    Unchanged, // the pairs leave the name as it is
    Skipped,   // an empty path, or nothing exists there (yet: an earlier row may still make it)
    Plain,     // renamed directly; nothing of the run stands in its way (a chain may wait for it)
    Ordered,   // its new name is free once another row of the run has renamed that entry away (a chain)
    Cycle,     // part of a swap or a longer cycle: one of its entries goes through a temporary name
    Repeated,  // the entry of an earlier row, which renames it; this row then finds it gone
    Refused,   // not renamed: see the problem
};

struct PlannedRename {
    std::string path;    // as the row gives it
    std::string newPath; // the path with the new name, separators after it kept; the path when not renamed
    std::int64_t count = 0;
    bool applied = false; // a non-empty pair ran over the name
    SkipReason skipped = SkipReason::None;
    RenameKind kind = RenameKind::Unchanged;
    std::string problem; // why a refused row is not renamed
    // For Ordered and Cycle: the row whose rename frees this row's new name. For Repeated: the earlier row.
    std::size_t after = 0;
};

// One rename of an execute run. A Cycle's first row in list order is parked under a temporary name first
// (a hidden leftover name beside it, see leftover_names.h), and takes its new name last.
struct RenameStep {
    enum class Stage { Direct, Park, Unpark };
    std::size_t row = 0;
    Stage stage = Stage::Direct;
};

struct RenamePlan {
    // The pair columns differ in length: nothing is planned. The highest indices are for the message.
    bool mismatch = false;
    std::size_t findsUbound = 0;
    std::size_t replacesUbound = 0;
    std::vector<PlannedRename> rows; // one per path, in row order
    // The renames of each chain (its Ordered rows and the Plain row they wait for) and each cycle, in the
    // order that works; the groups in the order of their first rows in the list. Other Plain rows are
    // renamed in list order as they come.
    std::vector<std::vector<RenameStep>> groups;
};

// Plans an execute run in file-names mode over the request's pairs (in the notation) and paths, looking at
// what exists on disk now and changing nothing. Collisions are refused for the rows involved: two rows that
// get the same new path, a new name taken by an entry that no row renames away (or by one whose row is
// refused itself), and names the run refuses anyway (empty, "." or "..", a separator or NUL byte, longer
// than the folder's file system takes). An entry inside a folder that the run renames before the entry's
// turn would no longer be found under its path, so its row is refused too (listed before the folder, it is
// renamed first and then moves with it). Paths are compared as absolute paths without "." and ".." steps; a
// new name that differs from the old only in letter case, on a file system that ignores case, is the entry's
// own.
RenamePlan planRenames(const RunRequest& request);

// What stands in the way of a row's rename, as the runner prints it and the preview shows it; empty when
// nothing does. A Repeated row reports what the earlier row's rename did, so nothing stands in its way.
std::string renameProblem(const PlannedRename& row);

// A short English word for the kind, as the runner prints it.
std::string_view renameKindText(RenameKind kind);

} // namespace morvane
