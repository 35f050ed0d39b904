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

// What happens that the status line may tell of. `total` is the sum of the counts the file list shows then.
namespace status_event {
// A run's rows reached the list; `kind` says whether the counts are found or done.
struct RowsCounted {
    StatusKind kind;
    std::int64_t total;
};
// The execute run that goes was found to be one that cannot be undone, before it changed anything.
struct NotUndoable {
    std::string reason;
};
// A run ended that was not superseded. `countsHeldBack`: an execute run that could not be undone had counts
// the not-undoable note kept off the line.
struct RunEnded {
    bool executed = false;
    bool cancelled = false;
    bool countsHeldBack = false;
    std::int64_t total = 0;
};
struct RunStopped {
    std::int64_t total;
};
// An undo ended; `text` says what it did and shows when the simulate run that follows it ends.
struct UndoEnded {
    std::string text;
};
struct NewTask {};
} // namespace status_event

using StatusEvent = std::variant<status_event::RowsCounted, status_event::NotUndoable, status_event::RunEnded,
                                 status_event::RunStopped, status_event::UndoEnded, status_event::NewTask>;

// The one line under the lists that says what the runs found and did. The window hands it every event and
// shows the text it answers; it alone decides what the line says.
class StatusLine {
public:
    enum class State {
        Counts,      // the counts of the runs as they come
        NotUndoable, // an execute run that cannot be undone goes: the line says so until it ends
        UndoShown,   // an undo ended: what it did waits for the simulate run that follows
    };

    explicit StatusLine(MessageLookup text);

    // The line's new text, or nothing when the line stays as it is.
    std::optional<std::string> handle(const StatusEvent& event);

    State state() const { return state_; }

private:
    std::optional<std::string> on(const status_event::RowsCounted& event);
    std::optional<std::string> on(const status_event::NotUndoable& event);
    std::optional<std::string> on(const status_event::RunEnded& event);
    std::optional<std::string> on(const status_event::RunStopped& event);
    std::optional<std::string> on(const status_event::UndoEnded& event);
    std::optional<std::string> on(const status_event::NewTask& event);
    std::string counts(std::string_view key, std::int64_t total) const;

    MessageLookup text_;
    State state_ = State::Counts;
    std::string undoText_; // while UndoShown
};

} // namespace morvane
