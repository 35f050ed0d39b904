#pragma once

#include "core/run/run.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace morvane::testing {

// Makes a change once the run has read its first file, before it writes anything.
struct ChangeAfterTheFirstRead : RunObserver {
    std::function<void()> change;
    void progress(int) override {
        if (change) {
            std::exchange(change, nullptr)();
        }
    }
};

// Hears why a run cannot be undone, and whether it was told before any row was done.
struct UndoNotice : RunObserver {
    std::string reason;
    bool beforeAnyRow = false;
    bool rowSeen = false;
    void notUndoable(const std::string& why) override {
        reason = why;
        beforeAnyRow = !rowSeen;
    }
    void rowDone(std::size_t, const RowResult&, std::int64_t, std::optional<StatusKind>) override {
        rowSeen = true;
    }
};

} // namespace morvane::testing
