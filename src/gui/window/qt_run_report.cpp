#include "gui/window/qt_run_report.h"

#include "core/app/message_catalogue.h"
#include "core/app/reports.h"
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

} // namespace

QString runReport(const std::vector<LeftoverNote>& leftovers, const std::vector<RunFailure>& failures,
                  const std::function<QString(std::string_view key, const char* builtIn)>& message) {
    const MessageLookup text = [&](std::string_view key) {
        return fromQString(message(key, builtInText(key).c_str()));
    };
    QStringList lines;
    if (!leftovers.empty()) {
        lines << toQString(text(keys::kLeftoversFound));
    }
    for (const ReportLine& line : leftoverLines(leftovers, text)) {
        lines << pathLine(line.path, line.text);
    }
    for (const RunFailure& failure : failures) {
        lines << pathLine(failure.path, failure.reason);
    }
    return lines.join(QLatin1Char('\n'));
}

bool reportNeedsAttention(const std::vector<LeftoverNote>& leftovers,
                          const std::vector<RunFailure>& failures) {
    return !failures.empty() || std::any_of(leftovers.begin(), leftovers.end(), needsAttention);
}

} // namespace morvane
