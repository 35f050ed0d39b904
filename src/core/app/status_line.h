#pragma once

#include "core/app/reports.h"
#include "core/run/run.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace morvane {

// "This run cannot be undone:" and why; said on the status line while the run goes and in its report after.
std::string notUndoableText(std::string_view reason, const MessageLookup& text);

// What an execute run did, as its line after the run tells it.
struct ExecuteOutcome {
    std::int64_t replaced = 0; // in the rows that did not fail
    std::int64_t files = 0;    // rows written or renamed
    std::int64_t failed = 0;   // rows that could not be read, written or renamed
    bool stopped = false;      // the user stopped it before the last file
    bool undoable = false;     // what it changed can be put back
    std::string notUndoable{}; // why it cannot be, when it was to be kept for undo
};
ExecuteOutcome executeOutcome(const RunResult& result);

// "Replacements done: 73; files changed: 5, failed: 1. Ctrl+Z undoes it."
std::string executeSummary(const ExecuteOutcome& outcome, const MessageLookup& text);

// What happens that the status line may tell of. `total` is the sum of the counts the file list shows then,
// `rows` the number of rows it has.
namespace status_event {
// A run starts; the simulate run that follows an execute run at once shows what is left after it.
struct RunStarted {
    bool followsExecute = false;
};
// A run's rows reached the list; `kind` says whether the counts are found or done.
struct RowsCounted {
    StatusKind kind;
    std::int64_t total;
};
// The execute run that goes was found to be one that cannot be undone, before it changed anything.
struct NotUndoable {
    std::string reason;
};
// A run ended that was not superseded; `outcome` is what an execute run did.
struct RunEnded {
    std::optional<ExecuteOutcome> executed{};
    bool cancelled = false;
    std::int64_t total = 0;
    std::int64_t rows = 0;
};
struct RunStopped {
    std::int64_t total;
};
// Rows left the file list outside a run.
struct RowsRemoved {
    std::int64_t total;
    std::int64_t rows;
};
// An undo ended; `text` says what it did and shows when the simulate run that follows it ends.
struct UndoEnded {
    std::string text;
};
struct NewTask {};
// The user chose another language: the line says what it said, in the new one.
struct LanguageChanged {
    std::int64_t total;
    std::int64_t rows;
};
} // namespace status_event

using StatusEvent =
    std::variant<status_event::RunStarted, status_event::RowsCounted, status_event::NotUndoable,
                 status_event::RunEnded, status_event::RunStopped, status_event::RowsRemoved,
                 status_event::UndoEnded, status_event::NewTask, status_event::LanguageChanged>;

// The one line under the lists that says what the runs found and did. The window hands it every event and
// shows the text it answers; it alone decides what the line says. A line of counts always says the sum of
// the rows shown; what an execute run did stays said until the inputs change.
class StatusLine {
public:
    enum class State {
        Counts,       // the counts of the runs as they come
        NotUndoable,  // an execute run that cannot be undone goes: the line says so until it ends
        ExecuteShown, // an execute run ended: what it did stays through the simulate run that follows
        UndoShown,    // an undo ended: what it did waits for the simulate run that follows
    };

    explicit StatusLine(MessageLookup text);

    // The line's new text, or nothing when the line stays as it is.
    std::optional<std::string> handle(const StatusEvent& event);

    State state() const { return state_; }

private:
    std::optional<std::string> on(const status_event::RunStarted& event);
    std::optional<std::string> on(const status_event::RowsCounted& event);
    std::optional<std::string> on(const status_event::NotUndoable& event);
    std::optional<std::string> on(const status_event::RunEnded& event);
    std::optional<std::string> on(const status_event::RunStopped& event);
    std::optional<std::string> on(const status_event::RowsRemoved& event);
    std::optional<std::string> on(const status_event::UndoEnded& event);
    std::optional<std::string> on(const status_event::NewTask& event);
    std::optional<std::string> on(const status_event::LanguageChanged& event);
    std::string counts(std::string_view key, std::int64_t total, std::int64_t rows);

    MessageLookup text_;
    State state_ = State::Counts;
    std::string_view countsKey_; // what the counts on the line are, while it shows counts
    ExecuteOutcome executed_;    // while ExecuteShown
    bool pendingShown_ = false;  // while ExecuteShown: what is left is said after what the run did
    std::string notUndoable_;    // while NotUndoable: why
    std::string undoText_;       // while UndoShown
};

} // namespace morvane
