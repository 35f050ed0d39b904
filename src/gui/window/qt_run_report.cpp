#include "gui/window/qt_run_report.h"

#include "core/app/message_catalogue.h"
#include "core/app/reports.h"
#include "core/app/status_line.h"
#include "core/state/message_keys.h"
#include "gui/widgets/qt_text.h"

#include <QDir>
#include <QStringList>
#include <algorithm>
#include <string>

namespace morvane {

namespace {

QString pathLine(const std::string& path, const std::string& text) {
    return QDir::toNativeSeparators(pathToQString(path)) + QStringLiteral(": ") + toQString(text);
}

MessageLookup withBuiltIn(const std::function<QString(std::string_view key, const char* builtIn)>& message) {
    return [message](std::string_view key) { return fromQString(message(key, builtInText(key).c_str())); };
}

bool needAttention(const std::vector<LeftoverNote>& leftovers, const std::vector<RunFailure>& failures) {
    return !failures.empty() || std::any_of(leftovers.begin(), leftovers.end(), needsAttention);
}

} // namespace

BoxText runReport(const std::vector<LeftoverNote>& leftovers, const std::vector<RunFailure>& failures,
                  const std::function<QString(std::string_view key, const char* builtIn)>& message,
                  const QString& after) {
    const MessageLookup text = withBuiltIn(message);
    if (leftovers.empty() && failures.empty()) {
        return {after, {}};
    }
    QStringList lines;
    for (const ReportLine& line : leftoverLines(leftovers, text)) {
        lines << pathLine(line.path, line.text);
    }
    for (const RunFailure& failure : failures) {
        lines << pathLine(failure.path, failure.reason);
    }
    const QString lead = leftovers.empty() ? QString() : toQString(text(keys::kLeftoversFound));
    return listedText(lead, lines, toQString(text(keys::kMoreInDetails)), after);
}

ReportBox reportBox(const std::vector<LeftoverNote>& leftovers, const std::vector<RunFailure>& failures,
                    const QString& note,
                    const std::function<QString(std::string_view key, const char* builtIn)>& message) {
    return {runReport(leftovers, failures, message, note),
            needAttention(leftovers, failures) || !note.isEmpty()};
}

ReportBox executeReportBox(const RunResult& result,
                           const std::function<QString(std::string_view key, const char* builtIn)>& message) {
    const QString note = result.notUndoable.empty()
                             ? QString()
                             : toQString(notUndoableText(result.notUndoable, withBuiltIn(message)));
    return reportBox(result.leftovers, result.failures, note, message);
}

} // namespace morvane
