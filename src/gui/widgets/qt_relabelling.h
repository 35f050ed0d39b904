#pragma once

#include "core/app/message_catalogue.h"
#include "core/state/relabel_table.h"

#include <QString>

class QObject;

namespace morvane {

// Puts a text on the control that the row names, found by its object name below the root: a menu's title, an
// action's or button's or label's caption, a text box's contents, or a tooltip. Rows whose control the window
// does not have are passed over.
void applyLabel(QObject& root, const Relabel& row, const QString& text);

// Gives every control of the table below the root its text in the catalogue's language, as its language file
// was read when loaded; a missing or empty file leaves the captions as they are.
void relabel(QObject& root, const MessageCatalogue& messages);

} // namespace morvane
