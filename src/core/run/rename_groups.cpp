#include "core/run/rename_groups.h"

#include "core/journal/file_reasons.h"
#include "core/journal/leftovers.h"
#include "core/journal/run_journal.h"
#include "core/platform/held_file.h"
#include "core/platform/platform_fs.h"

namespace morvane {

RenameGroups::RenameGroups(const RenamePlan& plan, RunJournal* journal)
    : plan_(plan), journal_(journal), grouped_(plan.rows.size(), false), asides_(plan.groups.size()) {
    for (std::size_t group = 0; group < plan_.groups.size(); ++group) {
        for (const RenameStep& step : plan_.groups[group]) {
            grouped_[step.row] = true;
            if (step.stage == RenameStep::Stage::Park) {
                asides_[group] = platform::asidePathFor(NamedEntry(plan_.rows[step.row].path).path());
            }
        }
    }
    if (journal_) {
        journal_->renamesPlanned(movesInRunOrder());
    }
}

// As the run makes them: a plain row at its turn, a chain or cycle as take carries it out.
std::vector<PlannedMove> RenameGroups::movesInRunOrder() const {
    std::vector<PlannedMove> moves;
    std::vector<bool> placed(plan_.rows.size(), false);
    std::size_t nextGroup = 0;
    for (std::size_t row = 0; row < plan_.rows.size(); ++row) {
        const PlannedRename& planned = plan_.rows[row];
        if (!grouped_[row] && planned.kind == RenameKind::Plain) {
            moves.push_back(
                PlannedMove{NamedEntry(planned.path).path(), NamedEntry(planned.newPath).path(), {}});
        }
        for (; grouped_[row] && !placed[row] && nextGroup < plan_.groups.size(); ++nextGroup) {
            const std::string& aside = asides_[nextGroup];
            for (const RenameStep& step : plan_.groups[nextGroup]) {
                placed[step.row] = true;
                const std::string entry = NamedEntry(plan_.rows[step.row].path).path();
                if (step.stage == RenameStep::Stage::Park) {
                    moves.push_back(PlannedMove{entry, aside, foldersOf({entry}).front()});
                    continue;
                }
                moves.push_back(PlannedMove{step.stage == RenameStep::Stage::Unpark ? aside : entry,
                                            NamedEntry(plan_.rows[step.row].newPath).path(),
                                            {}});
            }
        }
    }
    return moves;
}

std::optional<GroupRename> RenameGroups::take(std::size_t row) {
    if (row >= grouped_.size() || !grouped_[row]) {
        return std::nullopt;
    }
    while (!done_.contains(row) && nextGroup_ < plan_.groups.size()) {
        carryOut(nextGroup_++);
    }
    const auto done = done_.find(row);
    if (done == done_.end()) {
        return std::nullopt;
    }
    GroupRename outcome = std::move(done->second);
    done_.erase(done);
    return outcome;
}

std::string RenameGroups::renameRecorded(const std::string& from, const std::string& to) {
    if (journal_) {
        if (std::string refused = journal_->renaming(from, to); !refused.empty()) {
            return refused;
        }
    }
    if (std::string error = platform::renameNoReplace(from, to); !error.empty()) {
        return error;
    }
    if (journal_) {
        journal_->renamed(to);
    }
    return {};
}

void RenameGroups::carryOut(std::size_t group) {
    const std::vector<RenameStep>& steps = plan_.groups[group];
    std::string aside;  // where the first entry of a cycle waits for its new name, once it is there
    std::string failed; // why the rest of the group is not renamed
    std::vector<std::size_t> renamed;
    // Kept from before the entry goes aside until the group is done, so that the clear-up of another run
    // in the folder, the window's or a runner's, leaves the entry where it is.
    platform::HeldFile hold;
    for (const RenameStep& step : steps) {
        const PlannedRename& row = plan_.rows[step.row];
        GroupRename& outcome = done_[step.row];
        if (outcome.path.empty()) {
            outcome.path = row.path;
        }
        if (!failed.empty()) {
            if (step.stage != RenameStep::Stage::Unpark) {
                outcome.failure = "not renamed: " + failed;
            }
            continue;
        }
        const NamedEntry entry(row.path);
        if (step.stage == RenameStep::Stage::Park) {
            aside = asides_[group];
            hold = platform::HeldFile::holdAside(aside);
            std::string reason =
                hold.held() ? renameRecorded(entry.path(), aside) : asideNameNotHeldText(aside);
            if (!reason.empty()) {
                outcome.failure = "cannot be put aside for the entry that takes its name: " + reason;
                failed = quotedEntryName(row.path) + " could not be put aside";
                aside.clear();
            }
            continue;
        }
        const NamedEntry target(row.newPath);
        const std::string from = step.stage == RenameStep::Stage::Unpark ? aside : entry.path();
        if (std::string reason = renameRecorded(from, target.path()); !reason.empty()) {
            outcome.failure = cannotRenameToText(target.name(), reason);
            failed = quotedEntryName(row.path) + " could not be renamed first";
            continue;
        }
        outcome.path = row.newPath;
        outcome.renamed = true;
        renamed.push_back(step.row);
        if (step.stage == RenameStep::Stage::Unpark) {
            aside.clear();
        }
    }
    if (!failed.empty() && !aside.empty()) {
        takeBack(renamed, steps, aside, failed);
    }
    if (hold.held()) {
        hold.remove();
    }
}

// A cycle that broke off leaves one entry aside and another under the name it was to free; every entry goes
// back to its old name instead, last renamed first.
void RenameGroups::takeBack(const std::vector<std::size_t>& renamed, const std::vector<RenameStep>& steps,
                            const std::string& aside, const std::string& why) {
    for (auto row = renamed.rbegin(); row != renamed.rend(); ++row) {
        const PlannedRename& planned = plan_.rows[*row];
        GroupRename& outcome = done_[*row];
        const std::string reason =
            renameRecorded(NamedEntry(planned.newPath).path(), NamedEntry(planned.path).path());
        if (reason.empty()) {
            outcome = GroupRename{planned.path, false, "not renamed: " + why};
        } else {
            outcome.failure = "renamed, and cannot be renamed back after " + why + ": " + reason;
        }
    }
    const std::size_t first = steps.front().row;
    const PlannedRename& planned = plan_.rows[first];
    GroupRename& outcome = done_[first];
    if (std::string reason = renameRecorded(aside, NamedEntry(planned.path).path()); !reason.empty()) {
        outcome = GroupRename{aside, true, "left under the name \"" + aside + "\": " + reason};
    } else if (outcome.failure.empty()) {
        outcome.failure = "not renamed: " + why;
    }
}

} // namespace morvane
