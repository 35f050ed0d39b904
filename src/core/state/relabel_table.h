#pragma once

#include <array>
#include <string_view>

namespace morvane {

// Which property of a control takes the text of its key.
enum class LabelProperty { Caption, Text, Tooltip };

struct Relabel {
    std::string_view key;     // in the language file
    std::string_view control; // the control's object name
    LabelProperty property;
    std::string_view designCaption; // what the control shows before a language is applied
};

// What the option toggles do, in their tooltips and for assistive technology.
inline constexpr std::string_view kIgnoreCaseHelp = "Ignore case: letters match whatever their case (Alt+I)";
inline constexpr std::string_view kWholeWordHelp =
    "Whole word: a match may not continue a word on either side (Alt+W)";
inline constexpr std::string_view kPatternHelp = "Regular expression: the find text is a pattern, and the "
                                                 "replacement may use its groups as $1 or ${name}, "
                                                 "and $$ for a dollar sign (Alt+R)";

// The controls that take their texts from the language file, in the order in which a language is applied.
// A key missing from the file gives its control an empty text; the design captions are only the window's
// built-in texts before the first relabelling.
inline constexpr std::array<Relabel, 35> kRelabelTable{{
    {"[mnuFile]", "mnuFile", LabelProperty::Caption, "&File"},
    {"[mnuNew]", "mnuNew", LabelProperty::Caption, "New"},
    {"[mnuClose]", "mnuClose", LabelProperty::Caption, "Close"},
    {"[mnuList]", "mnuList", LabelProperty::Caption, "&Find && Replace List"},
    {"[mnuShowAdd]", "mnuShowAdd", LabelProperty::Caption, "&Add new element"},
    {"[mnuEdit]", "mnuEdit", LabelProperty::Caption, "&Edit selected element"},
    {"[mnuAddToTasks]", "mnuAddToTasks", LabelProperty::Caption, "Add to Saved Tasks"},
    {"[mnuSimulate]", "mnuSimulate", LabelProperty::Caption, "Update/ Simulate"},
    {"[mnuReplace]", "mnuReplace", LabelProperty::Caption, "Execute/ Replace"},
    {"[mnuUndo]", "mnuUndo", LabelProperty::Caption, "Undo last Execute"},
    {"[mnuLanguages]", "mnuLanguages", LabelProperty::Caption, "Language"},
    {"[mnuLanguage(0)]", "mnuLanguage(0)", LabelProperty::Caption, "English"},
    {"[mnuLanguage(1)]", "mnuLanguage(1)", LabelProperty::Caption, "German"},
    {"[mnuAbout]", "mnuAbout", LabelProperty::Caption, "About this Program"},
    {"[cmdAddNewElement]", "cmdAddNewElement", LabelProperty::Caption, "&Add"},
    {"[cmdCancelNewElement]", "cmdCancelNewElement", LabelProperty::Caption, "&Cancel"},
    {"[cmdSaveList]", "cmdSaveList", LabelProperty::Caption, "Save List"},
    {"[cmdSwap]", "cmdSwap", LabelProperty::Caption, "swap  <-->"},
    {"[cmdToList]", "cmdToList", LabelProperty::Caption, "Add to &List"},
    {"[cmdUpdateElement]", "cmdUpdateElement", LabelProperty::Caption, "Up&date"},
    {"[frameNewElement]", "frameNewElement", LabelProperty::Caption, "New Element"},
    {"[label(0)]", "Label(0)", LabelProperty::Caption, "Find"},
    {"[label(1)]", "Label(1)", LabelProperty::Caption, "Replace With:"},
    {"[label(2)]", "Label(2)", LabelProperty::Caption, "Special Characters:"},
    {"[label(5)]", "Label(5)", LabelProperty::Caption, "Replace in..."},
    {"[label(6)]", "Label(6)", LabelProperty::Caption, "File names"},
    {"[label(7)]", "Label(7)", LabelProperty::Caption, "File contents"},
    {"[label(8)]", "Label(8)", LabelProperty::Caption, "Saved Tasks"},
    {"[txtTaskName]", "txtTaskName", LabelProperty::Text, "Enter Name to save new Task"},
    {"[imgButton(1)]", "imgButton(1)", LabelProperty::Tooltip, "Update"},
    {"[imgButton(2)]", "imgButton(2)", LabelProperty::Tooltip, "Execute"},
    {"[imgButton(5)]", "imgButton(5)", LabelProperty::Tooltip, "Swap"},
    {"[tglIgnoreCase]", "tglIgnoreCase", LabelProperty::Tooltip, kIgnoreCaseHelp},
    {"[tglWholeWord]", "tglWholeWord", LabelProperty::Tooltip, kWholeWordHelp},
    {"[tglPattern]", "tglPattern", LabelProperty::Tooltip, kPatternHelp},
}};

// What assistive technology reads for a control: a name where the control has no caption that names it, and a
// description that says what it does and which keys work it. A missing key gives the built-in English text.
struct AccessibleText {
    std::string_view control;     // the control's object name
    std::string_view nameKey;     // empty where the control's own caption names it
    std::string_view builtInName; // the English text of nameKey
    std::string_view descriptionKey;
    std::string_view builtInDescription;
};

inline constexpr std::array<AccessibleText, 16> kAccessibleTable{{
    {"lvCurrentFindReplace", "[accPairs]", "Find and replace pairs", "[accPairsHelp]",
     "Applied from the top down. F1 adds a pair, Enter edits the selected one, Delete removes it."},
    {"lvFiles", "[accFiles]", "Files", "[accFilesHelp]",
     "Drop files or folders here, or add them from the File menu; the last column counts what the pairs "
     "find. Enter opens a file, Delete removes it from the list."},
    {"lvSavedReps", "[label(8)]", "Saved Tasks", "[accSavedTasksHelp]",
     "Enter loads the selected task, Delete removes it, Ctrl+Z brings it back."},
    {"txtTaskName", "[accTaskName]", "Name of the new task", "[txtTaskName]", "Enter Name to save new Task"},
    {"cmdToList", "", "", "[accToListHelp]", "Saves the pairs, the files and the mode as a task (F3)."},
    {"Label(6)", "", "", "[accModeHelp]",
     "Where the pairs replace: Space chooses this mode, an arrow key the other one."},
    {"Label(7)", "", "", "[accModeHelp]",
     "Where the pairs replace: Space chooses this mode, an arrow key the other one."},
    {"imgButton(2)", "[imgButton(2)]", "Execute", "[accExecuteHelp]",
     "Replaces in the listed files (F8); Escape stops it between two files."},
    {"imgButton(5)", "[imgButton(5)]", "Swap", "[accSwapHelp]", "Swaps the find and the replace text."},
    {"picProgress", "[accProgress]", "Progress", "", ""},
    {"txtFind", "[label(0)]", "Find", "", ""},
    {"txtReplace", "[label(1)]", "Replace With:", "", ""},
    {"txtSpecialChars", "[label(2)]", "Special Characters:", "", ""},
    {"tglIgnoreCase", "[accIgnoreCase]", "Ignore case", "[tglIgnoreCase]", kIgnoreCaseHelp},
    {"tglWholeWord", "[accWholeWord]", "Whole word", "[tglWholeWord]", kWholeWordHelp},
    {"tglPattern", "[accPattern]", "Regular expression", "[tglPattern]", kPatternHelp},
}};

} // namespace morvane
