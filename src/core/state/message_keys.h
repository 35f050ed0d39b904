#pragma once

#include <string_view>

// Keys under which the language file holds the texts of messages, status lines and column headings.
namespace morvane::keys {

inline constexpr std::string_view kFindReplaceWith = "[FindReplaceWith]";
inline constexpr std::string_view kPathFileReplacements = "[Path,File,Replacements]";
inline constexpr std::string_view kSavedTaskColumns = "[Nr.,Name,Find,Replace with]";
inline constexpr std::string_view kSpecifyReplacementTask = "[SpecifyReplacementTask]";
inline constexpr std::string_view kSavingNotPossible = "[Saving not possible]";
inline constexpr std::string_view kUboundElementsWrong = "[UboundElementsWrong]";
inline constexpr std::string_view kReplacementsPending = "[Replacements pending]";
inline constexpr std::string_view kReplacementsDone = "[Replacements done]";
inline constexpr std::string_view kRunStopped = "[Run stopped]";
inline constexpr std::string_view kDoneFiles = "[Done files]";
inline constexpr std::string_view kDoneStopped = "[Done stopped]";
inline constexpr std::string_view kDoneUndoable = "[Done undoable]";
inline constexpr std::string_view kMoreInDetails = "[MoreInDetails]";
inline constexpr std::string_view kAppFolderReadOnly = "[AppFolderReadOnly]";
inline constexpr std::string_view kTasksNotSaved = "[TasksNotSaved]";
inline constexpr std::string_view kSettingsReadOnly = "[SettingsReadOnly]";
inline constexpr std::string_view kTasksReadOnly = "[TasksReadOnly]";
inline constexpr std::string_view kTasksKeptAside = "[TasksKeptAside]";
inline constexpr std::string_view kLeftoversFound = "[LeftoversFound]";
inline constexpr std::string_view kLeftoverPutBack = "[LeftoverPutBack]";
inline constexpr std::string_view kLeftoverRewriteFinished = "[LeftoverRewriteFinished]";
inline constexpr std::string_view kLeftoverRewriteNotBegun = "[LeftoverRewriteNotBegun]";
inline constexpr std::string_view kLeftoverTemporaryRemoved = "[LeftoverTemporaryRemoved]";
inline constexpr std::string_view kLeftoverBackupKept = "[LeftoverBackupKept]";
inline constexpr std::string_view kLeftoverNotPutBack = "[LeftoverNotPutBack]";
inline constexpr std::string_view kLeftoverBackupLost = "[LeftoverBackupLost]";
inline constexpr std::string_view kLeftoverAsidePutBack = "[LeftoverAsidePutBack]";
inline constexpr std::string_view kLeftoverAsideKept = "[LeftoverAsideKept]";
inline constexpr std::string_view kLeftoverRunNotClosed = "[LeftoverRunNotClosed]";
inline constexpr std::string_view kLeftoverKeptDropped = "[LeftoverKeptDropped]";
inline constexpr std::string_view kLeftoverKeptIn = "[LeftoverKeptIn]";
inline constexpr std::string_view kMenuAddFiles = "[mnuAddFiles]";
inline constexpr std::string_view kMenuAddFolder = "[mnuAddFolder]";
inline constexpr std::string_view kMenuTaskFiles = "[mnuTaskFiles]";
inline constexpr std::string_view kFolderSkipped = "[FolderSkipped]";
inline constexpr std::string_view kMenuUndo = "[mnuUndo]";
inline constexpr std::string_view kUndoRun = "[Undo run]";
inline constexpr std::string_view kUndoDone = "[Undo done]";
inline constexpr std::string_view kUndoFailed = "[Undo failed]";
inline constexpr std::string_view kUndoUnfinished = "[Undo unfinished]";
inline constexpr std::string_view kNotUndoable = "[Not undoable]";
inline constexpr std::string_view kLeftoverRunInterrupted = "[LeftoverRunInterrupted]";
inline constexpr std::string_view kLeftoverUndoInterrupted = "[LeftoverUndoInterrupted]";
inline constexpr std::string_view kUndoInterruptedRun = "[Undo interrupted run]";
inline constexpr std::string_view kStateInUserFolder = "[StateInUserFolder]";
inline constexpr std::string_view kStateKeptInUserFolder = "[StateKeptInUserFolder]";
inline constexpr std::string_view kMenuFileOpen = "[mnuFileOpen]";
inline constexpr std::string_view kMenuFileShowInFolder = "[mnuFileShowInFolder]";
inline constexpr std::string_view kMenuFileRemove = "[mnuFileRemove]";
inline constexpr std::string_view kMenuFileSelectAll = "[mnuFileSelectAll]";
inline constexpr std::string_view kMenuFileAddFolderFiles = "[mnuFileAddFolderFiles]";
inline constexpr std::string_view kFolderFilesTitle = "[FolderFilesTitle]";
inline constexpr std::string_view kFolderFilesInclude = "[FolderFilesInclude]";
inline constexpr std::string_view kFolderFilesExclude = "[FolderFilesExclude]";
inline constexpr std::string_view kFolderFilesHidden = "[FolderFilesHidden]";
inline constexpr std::string_view kFolderFilesIgnored = "[FolderFilesIgnored]";
inline constexpr std::string_view kFolderFilesBinary = "[FolderFilesBinary]";
inline constexpr std::string_view kFolderFilesReading = "[FolderFilesReading]";
inline constexpr std::string_view kFolderFilesNone = "[FolderFilesNone]";
inline constexpr std::string_view kFolderFilesUnreadable = "[FolderFilesUnreadable]";
inline constexpr std::string_view kMenuPreview = "[mnuPreview]";
inline constexpr std::string_view kPreviewTitle = "[PreviewTitle]";
inline constexpr std::string_view kPreviewNoFile = "[PreviewNoFile]";
inline constexpr std::string_view kPreviewNoChange = "[PreviewNoChange]";
inline constexpr std::string_view kPreviewWorking = "[PreviewWorking]";
inline constexpr std::string_view kPreviewCount = "[PreviewCount]";
inline constexpr std::string_view kPreviewMore = "[PreviewMore]";
inline constexpr std::string_view kPreviewProblem = "[PreviewProblem]";
inline constexpr std::string_view kPreviewColumns = "[PreviewColumns]";
inline constexpr std::string_view kSpecialCharsHelp = "[SpecialCharsHelp]";
inline constexpr std::string_view kMenuOnlyMatches = "[mnuOnlyMatches]";
inline constexpr std::string_view kMenuNextMatch = "[mnuNextMatch]";
inline constexpr std::string_view kMenuPreviousMatch = "[mnuPreviousMatch]";
inline constexpr std::string_view kFilesShown = "[FilesShown]";
inline constexpr std::string_view kFolderColumn = "[FolderColumn]";

inline constexpr std::string_view kPairChangesInserted = "[PairChangesInserted]";
inline constexpr std::string_view kPairNeverMatches = "[PairNeverMatches]";
inline constexpr std::string_view kPatternUnusable = "[PatternUnusable]";

} // namespace morvane::keys
