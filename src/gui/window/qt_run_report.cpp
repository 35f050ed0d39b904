#include "gui/window/qt_run_report.h"

#include "core/app/message_catalogue.h"
#include "core/state/message_keys.h"
#include "gui/widgets/qt_text.h"

#include <QDir>
#include <QStringList>
#include <algorithm>
#include <string>

namespace morvane {

namespace {

std::string_view leftoverKey(LeftoverAction action) {
    switch (action) {
    case LeftoverAction::PutBack:
        return keys::kLeftoverPutBack;
    case LeftoverAction::RewriteFinished:
        return keys::kLeftoverRewriteFinished;
    case LeftoverAction::RewriteNotBegun:
        return keys::kLeftoverRewriteNotBegun;
    case LeftoverAction::TemporaryRemoved:
        return keys::kLeftoverTemporaryRemoved;
    case LeftoverAction::BackupKept:
        return keys::kLeftoverBackupKept;
    case LeftoverAction::NotPutBack:
        return keys::kLeftoverNotPutBack;
    case LeftoverAction::BackupLost:
        return keys::kLeftoverBackupLost;
    case LeftoverAction::AsidePutBack:
        return keys::kLeftoverAsidePutBack;
    case LeftoverAction::AsideKept:
        return keys::kLeftoverAsideKept;
    case LeftoverAction::RunInterrupted:
        return keys::kLeftoverRunInterrupted;
    case LeftoverAction::UndoInterrupted:
        return keys::kLeftoverUndoInterrupted;
    case LeftoverAction::RunNotClosed:
        return keys::kLeftoverRunNotClosed;
    case LeftoverAction::KeptDropped:
        return keys::kLeftoverKeptDropped;
    }
    return {};
}

QString pathLine(const std::string& path, const std::string& text) {
    return QDir::toNativeSeparators(pathToQString(path)) + QStringLiteral(": ") + toQString(text);
}

} // namespace

QString runReport(const std::vector<LeftoverNote>& leftovers, const std::vector<RunFailure>& failures,
                  const std::function<QString(std::string_view key, const char* builtIn)>& message) {
    QStringList lines;
    if (!leftovers.empty()) {
        lines << message(keys::kLeftoversFound, builtInText(keys::kLeftoversFound).c_str());
    }
    const std::string keptIn =
        fromQString(message(keys::kLeftoverKeptIn, builtInText(keys::kLeftoverKeptIn).c_str()));
    for (const LeftoverNote& note : leftovers) {
        const std::string action = fromQString(
            message(leftoverKey(note.action), std::string(leftoverActionText(note.action)).c_str()));
        lines << pathLine(note.path, describeLeftover(note, action, keptIn));
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
