#pragma once

#include "core/journal/leftovers.h"
#include "core/journal/undo.h"
#include "core/run/run.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The text of a message key in the language shown: the window's catalogue, or the built-in English texts
// for the runner.
using MessageLookup = std::function<std::string(std::string_view key)>;

// One line of a report: a path and what is said of it.
struct ReportLine {
    std::string path;
    std::string text;
};

// The key under which the language file holds what the clear-up did.
std::string_view leftoverKey(LeftoverAction action);

// What the clear-up of interrupted runs did with each thing it found, one line each.
std::vector<ReportLine> leftoverLines(const std::vector<LeftoverNote>& notes, const MessageLookup& text);

// Every change an undo left as it is: its reason, then `afterReason`, then where its old contents are kept.
std::vector<ReportLine> undoLeftLines(const UndoResult& result, const MessageLookup& text,
                                      std::string_view afterReason = {});

} // namespace morvane
