#include "core/app/status_line.h"

#include "core/state/message_keys.h"

#include <initializer_list>
#include <utility>

namespace morvane {

namespace {

// Puts the numbers in the places %1, %2, ... of a language file's text.
std::string withNumbers(std::string text, std::initializer_list<std::int64_t> numbers) {
    int place = 1;
    for (const std::int64_t number : numbers) {
        const std::string mark = "%" + std::to_string(place++);
        if (const std::size_t at = text.find(mark); at != std::string::npos) {
            text.replace(at, mark.size(), std::to_string(number));
        }
    }
    return text;
}

} // namespace

std::string notUndoableText(std::string_view reason, const MessageLookup& text) {
    return text(keys::kNotUndoable) + " " + std::string(reason);
}

// A row that failed changed nothing: it adds neither to what was replaced nor to the files written.
ExecuteOutcome executeOutcome(const RunResult& result) {
    ExecuteOutcome outcome;
    for (const RowResult& row : result.rows) {
        if (!row.failure.empty()) {
            ++outcome.failed;
        } else if (row.count > 0) {
            outcome.replaced += row.count;
            ++outcome.files;
        }
    }
    outcome.stopped = result.cancelled;
    outcome.undoable = result.keptForUndo && outcome.files > 0;
    outcome.notUndoable = result.notUndoable;
    return outcome;
}

std::string executeSummary(const ExecuteOutcome& outcome, const MessageLookup& text) {
    std::string line = statusLine(text(keys::kReplacementsDone), outcome.replaced) +
                       withNumbers(text(keys::kDoneFiles), {outcome.files, outcome.failed});
    if (outcome.stopped) {
        line += " " + text(keys::kDoneStopped);
    }
    if (outcome.undoable) {
        line += " " + text(keys::kDoneUndoable);
    } else if (!outcome.notUndoable.empty()) {
        line += " " + notUndoableText(outcome.notUndoable, text);
    }
    return line;
}

StatusLine::StatusLine(MessageLookup text) : text_(std::move(text)) {}

std::optional<std::string> StatusLine::handle(const StatusEvent& event) {
    return std::visit([this](const auto& happened) { return on(happened); }, event);
}

// An empty list has nothing to count: the line is blank rather than a 0 over nothing.
std::string StatusLine::counts(std::string_view key, std::int64_t total, std::int64_t rows) {
    countsKey_ = key;
    return rows == 0 ? std::string() : statusLine(text_(key), total);
}

// Any run but the one that follows an execute run was asked for after the inputs changed, or by the user:
// what the execute run did is no longer what the lists show.
std::optional<std::string> StatusLine::on(const status_event::RunStarted& event) {
    if (state_ == State::ExecuteShown && !event.followsExecute) {
        state_ = State::Counts;
    }
    return std::nullopt;
}

std::optional<std::string> StatusLine::on(const status_event::RowsCounted& event) {
    if (state_ == State::NotUndoable || state_ == State::ExecuteShown) {
        return std::nullopt;
    }
    return counts(event.kind == StatusKind::Done ? keys::kReplacementsDone : keys::kReplacementsPending,
                  event.total, 1);
}

std::optional<std::string> StatusLine::on(const status_event::NotUndoable& event) {
    state_ = State::NotUndoable;
    notUndoable_ = event.reason;
    return notUndoableText(event.reason, text_);
}

// An execute run's line says what it did; the simulate run that follows adds what is still left. An undo's
// text waits for the end of a simulate run that went through. Any other run that went through says the sum
// of the rows, also when no pair met a file: the rows were set to 0 when it began.
std::optional<std::string> StatusLine::on(const status_event::RunEnded& event) {
    std::optional<std::string> shown;
    if (event.executed) {
        state_ = State::ExecuteShown;
        executed_ = *event.executed;
        pendingShown_ = false;
        shown = executeSummary(executed_, text_);
    } else if (event.cancelled) {
        state_ = state_ == State::ExecuteShown ? state_ : State::Counts;
    } else if (state_ == State::ExecuteShown) {
        if (event.total != 0) {
            pendingShown_ = true;
            shown = executeSummary(executed_, text_) + " " +
                    statusLine(text_(keys::kReplacementsPending), event.total);
        }
    } else if (!undoText_.empty()) {
        state_ = State::Counts;
        countsKey_ = {}; // the line tells of the undo, in the words it was told in
        shown = undoText_;
    } else {
        state_ = State::Counts;
        shown = counts(keys::kReplacementsPending, event.total, event.rows);
    }
    undoText_.clear();
    return shown;
}

std::optional<std::string> StatusLine::on(const status_event::RunStopped& event) {
    if (state_ == State::ExecuteShown) {
        return std::nullopt;
    }
    return counts(keys::kRunStopped, event.total, 1);
}

// Removing rows changes the inputs: the line counts what is left, as what it counted before.
std::optional<std::string> StatusLine::on(const status_event::RowsRemoved& event) {
    if (state_ == State::NotUndoable) {
        return std::nullopt;
    }
    const bool countsShown = state_ == State::Counts && !countsKey_.empty();
    state_ = State::Counts;
    undoText_.clear();
    return counts(countsShown ? countsKey_ : keys::kReplacementsPending, event.total, event.rows);
}

// An undo that found nothing to do has nothing to say, and what an earlier one said goes with it.
std::optional<std::string> StatusLine::on(const status_event::UndoEnded& event) {
    undoText_ = event.text;
    if (state_ != State::NotUndoable) {
        state_ = undoText_.empty() ? State::Counts : State::UndoShown;
    }
    return std::nullopt;
}

std::optional<std::string> StatusLine::on(const status_event::NewTask&) {
    if (state_ == State::UndoShown || state_ == State::ExecuteShown) {
        state_ = State::Counts;
    }
    countsKey_ = {};
    undoText_.clear();
    return std::string();
}

// Counts are told again in the new words; so are what an execute run did and why a run cannot be undone.
std::optional<std::string> StatusLine::on(const status_event::LanguageChanged& event) {
    switch (state_) {
    case State::NotUndoable:
        return notUndoableText(notUndoable_, text_);
    case State::ExecuteShown:
        return pendingShown_ ? executeSummary(executed_, text_) + " " +
                                   statusLine(text_(keys::kReplacementsPending), event.total)
                             : executeSummary(executed_, text_);
    case State::Counts:
    case State::UndoShown:
        break;
    }
    if (countsKey_.empty()) {
        return std::nullopt;
    }
    return counts(countsKey_, event.total, event.rows);
}

} // namespace morvane
