#include "core/app/message_catalogue.h"

#include "core/journal/leftovers.h"
#include "core/platform/paths.h"
#include "core/platform/text_file.h"
#include "core/state/language.h"
#include "core/state/message_keys.h"
#include "core/text/keyed_text.h"
#include "core/text/notation.h"

#include <algorithm>
#include <vector>

namespace morvane {

namespace {

std::vector<MessageEntry> makeTable() {
    using enum LeftoverAction;
    return {
        {keys::kFindReplaceWith, ""},
        {keys::kPathFileReplacements, ""},
        {keys::kSavedTaskColumns, ""},
        {keys::kSpecifyReplacementTask, ""},
        {keys::kSavingNotPossible, ""},
        {keys::kUboundElementsWrong, ""},
        {keys::kReplacementsPending, ""},
        {keys::kReplacementsDone, ""},
        {keys::kRunStopped, "Run stopped; found so far:"},
        {keys::kDoneFiles, "; files changed: %1, failed: %2."},
        {keys::kDoneStopped, "Stopped before the last file."},
        {keys::kDoneUndoable, "Ctrl+Z undoes it."},
        {keys::kMoreInDetails, "...and %1 more; Show Details lists them all."},
        {keys::kAppFolderReadOnly, "This program keeps its settings and saved tasks in its own folder, and "
                                   "that folder cannot be written, "
                                   "so changes to the settings and the tasks will not be kept.\r\nTo keep "
                                   "them, copy the program folder "
                                   "to a place you can write, such as your home folder, and start the "
                                   "program from the copy (README.md in "
                                   "the program folder explains how). The program folder:"},
        {keys::kTasksNotSaved,
         "The saved tasks could not be written; the change will be lost when the program ends."},
        {keys::kSettingsReadOnly, "The settings file cannot be written, so changes to the settings will not "
                                  "be kept. The settings file:"},
        {keys::kTasksReadOnly, "The saved-tasks file or its backup cannot be written, so tasks stored or "
                               "deleted now will not be kept. The saved-tasks file:"},
        {keys::kTasksKeptAside,
         "The saved-tasks file holds text that cannot be read as tasks. So that none of it is lost when the "
         "tasks are saved, it has been copied to:"},
        {keys::kLeftoversFound, "Morvane found what interrupted runs left behind and cleared it up:"},
        {keys::kLeftoverPutBack, leftoverActionText(PutBack)},
        {keys::kLeftoverRewriteFinished, leftoverActionText(RewriteFinished)},
        {keys::kLeftoverRewriteNotBegun, leftoverActionText(RewriteNotBegun)},
        {keys::kLeftoverTemporaryRemoved, leftoverActionText(TemporaryRemoved)},
        {keys::kLeftoverBackupKept, leftoverActionText(BackupKept)},
        {keys::kLeftoverNotPutBack, leftoverActionText(NotPutBack)},
        {keys::kLeftoverBackupLost, leftoverActionText(BackupLost)},
        {keys::kLeftoverAsidePutBack, leftoverActionText(AsidePutBack)},
        {keys::kLeftoverAsideKept, leftoverActionText(AsideKept)},
        {keys::kLeftoverRunNotClosed, leftoverActionText(RunNotClosed)},
        {keys::kLeftoverKeptDropped, leftoverActionText(KeptDropped)},
        {keys::kLeftoverKeptIn, kKeptInText},
        {keys::kMenuAddFiles, "&Add Files..."},
        {keys::kMenuAddFolder, "Add F&older..."},
        {keys::kMenuTaskFiles, "Load Saved Tasks with their &Files"},
        {keys::kFolderSkipped, "A folder: replacing in file contents passes folders over."},
        {keys::kMenuUndo, "Undo last Execute"},
        {keys::kUndoRun, "run of %1, files: %2"},
        {keys::kUndoDone, "Undone: %1 put back, %2 left as changed"},
        {keys::kUndoFailed, "The last Execute could not be undone:"},
        {keys::kUndoUnfinished, "Not undone yet: %1 put back, %2 left; Undo again puts back the rest"},
        {keys::kNotUndoable, "This run cannot be undone:"},
        {keys::kLeftoverRunInterrupted, leftoverActionText(RunInterrupted)},
        {keys::kLeftoverUndoInterrupted, leftoverActionText(UndoInterrupted)},
        {keys::kUndoInterruptedRun, "Undo the part of the interrupted run that was done?"},
        {keys::kStateInUserFolder,
         "The program folder cannot be written, so the settings, the saved tasks and "
         "what Undo needs are kept in your own folder:"},
        {keys::kStateKeptInUserFolder,
         "Morvane keeps your settings, your saved tasks and what Undo needs in your own folder:"},
        {keys::kMenuFileOpen, "&Open"},
        {keys::kMenuFileShowInFolder, "Show in &Folder"},
        {keys::kMenuFileRemove, "&Remove from List"},
        {keys::kMenuFileSelectAll, "Select &All"},
        {keys::kMenuFileAddFolderFiles, "Add the Files in this Fol&der..."},
        {keys::kFolderFilesTitle, "Add the Files in this Folder"},
        {keys::kFolderFilesInclude, "Only names like (e.g. *.cpp *.h):"},
        {keys::kFolderFilesExclude, "Leave out names like:"},
        {keys::kFolderFilesHidden, "Include hidden files and folders"},
        {keys::kFolderFilesIgnored, "Include files that .gitignore or .ignore files leave out"},
        {keys::kFolderFilesBinary, "Include binary files"},
        {keys::kFolderFilesReading, "%1 files so far; reading %2"},
        {keys::kFolderFilesNone,
         "The folder holds no file that these choices keep; its row stays in the list."},
        {keys::kFolderFilesUnreadable, "These folders could not be read and were passed over:"},
        {keys::kMenuPreview, "Preview"},
        {keys::kPreviewTitle, "Preview"},
        {keys::kPreviewNoFile, "Choose a file in the file list to see what Execute would change in it."},
        {keys::kPreviewNoChange, "The pairs change nothing in this file."},
        {keys::kPreviewWorking, "Working out the changes..."},
        {keys::kPreviewCount, "Replacements: %1"},
        {keys::kPreviewMore, "Only the first %1 places are shown; there are more."},
        {keys::kPreviewProblem, "This file cannot be shown:"},
        {keys::kPreviewColumns, "Old name,New name,Problem"},
        {keys::kSpecialCharsHelp, kSpecialCharsHelp},
        {keys::kMenuOnlyMatches, "&Only Files with Matches"},
        {keys::kMenuNextMatch, "Ne&xt File with Matches"},
        {keys::kMenuPreviousMatch, "Pre&vious File with Matches"},
        {keys::kFilesShown, "%1 of %2 files"},
        {keys::kFolderColumn, "Folder"},
        {keys::kPairChangesInserted, "Pair %1 also changes what pair %2 inserts"},
        {keys::kPairNeverMatches, "Pair %2 replaces every \"%3\" before pair %1 looks for \"%4\""},
        {keys::kPatternUnusable, "This pattern cannot be used: %1"},
    };
}

} // namespace

std::span<const MessageEntry> messageTable() {
    static const std::vector<MessageEntry> table = makeTable();
    return table;
}

std::string builtInText(std::string_view key) {
    const std::span<const MessageEntry> table = messageTable();
    const auto found =
        std::find_if(table.begin(), table.end(), [&](const MessageEntry& entry) { return entry.key == key; });
    return found == table.end() ? std::string() : std::string(found->builtIn);
}

std::string languageFileProblem(LanguageFileState state) {
    switch (state) {
    case LanguageFileState::Missing:
        return "Language file not found";
    case LanguageFileState::Empty:
        return "Language File empty";
    case LanguageFileState::Usable:
        break;
    }
    return {};
}

LanguageFileState MessageCatalogue::load(const std::string& appFolder, int language) {
    const std::string path = joinPath(appFolder, kLanguageFileName);
    const bool found = fileExists(path);
    languageFile_ = found ? normaliseKeyedText(readTextFileOrEmpty(path)) : std::string();
    language_ = language;
    state_ = !found                  ? LanguageFileState::Missing
             : languageFile_.empty() ? LanguageFileState::Empty
                                     : LanguageFileState::Usable;
    return state_;
}

std::string MessageCatalogue::text(std::string_view key) const {
    std::string found = fileText(key);
    return found.empty() ? builtInText(key) : found;
}

std::string MessageCatalogue::fileText(std::string_view key) const {
    return languageFileText(key, languageFile_, language_);
}

} // namespace morvane
