#pragma once

#include "core/state/relabel_table.h"

#include <QString>
#include <string>

class QObject;

namespace morvane {

// Puts a text on the control that the row names, found by its object name below the root: a menu's title, an
// action's or button's or label's caption, a text box's contents, or a tooltip. Rows whose control the window
// does not have are passed over.
void applyLabel(QObject& root, const Relabel& row, const QString& text);

enum class LanguageFileState { Usable, Missing, Empty };

// Gives every control of the table below the root its text in the language, from the language file of the
// application folder; a missing or empty file changes nothing.
LanguageFileState relabel(QObject& root, const std::string& appFolder, int language);

} // namespace morvane
