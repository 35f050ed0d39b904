#pragma once

#include "core/run/rename_plan.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvane {

class RunJournal;
struct PlannedMove;

// What an execute run did with a row of a chain or cycle.
struct GroupRename {
    std::string path; // the new path when renamed, else the old one
    bool renamed = false;
    std::string failure; // why it was not renamed, or not renamed back; empty when all went well
};

// Carries out the chains and cycles of a names plan, each as a whole when its first row comes. The journal
// (when there is one) hears every rename of the plan, the plain rows' too, before the first is made, and each
// rename again as it is made; none replaces an existing entry. A
// chain that fails part way keeps what it did, each entry whole under its old or new name; a cycle that fails
// part way is taken back, so no entry is left under a name put aside. Used from one thread.
class RenameGroups {
public:
    RenameGroups(const RenamePlan& plan, RunJournal* journal);

    // What happened to a row of a chain or cycle, carrying out its group first when the row is the group's
    // first; nothing for any other row. Rows must be asked for in list order.
    std::optional<GroupRename> take(std::size_t row);

private:
    std::vector<PlannedMove> movesInRunOrder() const;
    void carryOut(std::size_t group);
    std::string renameRecorded(const std::string& from, const std::string& to);
    void takeBack(const std::vector<std::size_t>& renamed, const std::vector<RenameStep>& steps,
                  const std::string& aside, const std::string& why);

    const RenamePlan& plan_;
    RunJournal* journal_;
    std::vector<bool> grouped_;       // by row: renamed with its chain or cycle
    std::vector<std::string> asides_; // by group: where a cycle's first entry waits for its new name
    std::size_t nextGroup_ = 0;
    std::unordered_map<std::size_t, GroupRename> done_;
};

} // namespace morvane
