#include "core/app/reports.h"

#include "core/state/message_keys.h"

namespace morvane {

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

std::vector<ReportLine> leftoverLines(const std::vector<LeftoverNote>& notes, const MessageLookup& text) {
    const std::string keptIn = text(keys::kLeftoverKeptIn);
    std::vector<ReportLine> lines;
    for (const LeftoverNote& note : notes) {
        lines.push_back({note.path, describeLeftover(note, text(leftoverKey(note.action)), keptIn)});
    }
    return lines;
}

std::vector<ReportLine> undoLeftLines(const UndoResult& result, const MessageLookup& text,
                                      std::string_view afterReason) {
    const std::string keptIn = text(keys::kLeftoverKeptIn);
    std::vector<ReportLine> lines;
    for (const UndoNote& note : result.left) {
        std::string reason = note.reason + std::string(afterReason);
        if (!note.keptIn.empty()) {
            reason += "; " + keptIn + " \"" + note.keptIn + "\"";
        }
        lines.push_back({note.path, std::move(reason)});
    }
    return lines;
}

} // namespace morvane
