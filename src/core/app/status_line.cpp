#include "core/app/status_line.h"

#include "core/state/message_keys.h"

#include <utility>

namespace morvane {

std::string notUndoableText(std::string_view reason, const MessageLookup& text) {
    return text(keys::kNotUndoable) + " " + std::string(reason);
}

StatusLine::StatusLine(MessageLookup text) : text_(std::move(text)) {}

std::optional<std::string> StatusLine::handle(const StatusEvent& event) {
    return std::visit([this](const auto& happened) { return on(happened); }, event);
}

std::string StatusLine::counts(std::string_view key, std::int64_t total) const {
    return statusLine(text_(key), total);
}

std::optional<std::string> StatusLine::on(const status_event::RowsCounted& event) {
    if (state_ == State::NotUndoable) {
        return std::nullopt;
    }
    return counts(event.kind == StatusKind::Done ? keys::kReplacementsDone : keys::kReplacementsPending,
                  event.total);
}

std::optional<std::string> StatusLine::on(const status_event::NotUndoable& event) {
    state_ = State::NotUndoable;
    return notUndoableText(event.reason, text_);
}

// An undo's text waits for the end of a simulate run that went through; any run's end lets it go.
std::optional<std::string> StatusLine::on(const status_event::RunEnded& event) {
    std::optional<std::string> shown;
    if (!undoText_.empty() && !event.executed && !event.cancelled) {
        shown = undoText_;
    }
    if (event.executed && event.countsHeldBack) {
        shown = counts(keys::kReplacementsDone, event.total);
    }
    state_ = State::Counts;
    undoText_.clear();
    return shown;
}

std::optional<std::string> StatusLine::on(const status_event::RunStopped& event) {
    return counts(keys::kRunStopped, event.total);
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
    if (state_ == State::UndoShown) {
        state_ = State::Counts;
    }
    undoText_.clear();
    return std::string();
}

} // namespace morvane
