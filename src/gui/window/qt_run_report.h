#pragma once

#include "core/journal/leftovers.h"
#include "core/run/run.h"
#include "gui/widgets/message_dialog.h"

#include <QString>
#include <functional>
#include <string_view>
#include <vector>

namespace morvane {

// The text of the one box that tells what interrupted runs left and what was done about it, and every file a
// run could not read, write or rename: one line each, never one box per file, a long list behind the box's
// details. `after` ends the text. Empty when there is nothing to tell. `message` looks a key up in the
// language file, with the built-in text for a missing one.
BoxText runReport(const std::vector<LeftoverNote>& leftovers, const std::vector<RunFailure>& failures,
                  const std::function<QString(std::string_view key, const char* builtIn)>& message,
                  const QString& after = {});

// The one box after a run or an undo: the report, then `note`, one more line the user should read at the
// end. Empty text when there is nothing to tell.
struct ReportBox {
    BoxText text;
    // It tells of something the user must look after, rather than of what was put right.
    bool needsAttention = false;
};
ReportBox reportBox(const std::vector<LeftoverNote>& leftovers, const std::vector<RunFailure>& failures,
                    const QString& note,
                    const std::function<QString(std::string_view key, const char* builtIn)>& message);

// The box after an execute run: what it left and could not do, and why it cannot be undone when it cannot.
ReportBox executeReportBox(const RunResult& result,
                           const std::function<QString(std::string_view key, const char* builtIn)>& message);

} // namespace morvane
