#pragma once

#include "core/app/key_codes.h"

namespace morvane {

enum class FileListKey { None, ShowInFolder, Open, DeleteSelected, SelectAll };
enum class PairListKey { None, DeleteSelected, SelectAll, EditCurrent, AddNew };
enum class SavedTaskKey { None, DeleteSelected, SelectAll, Load, UndoDelete };

FileListKey fileListKey(KeyStroke key);
PairListKey pairListKey(KeyStroke key);
SavedTaskKey savedTaskKey(KeyStroke key);
// Ctrl+A in the find and replace boxes selects the box's whole text.
bool selectsWholeText(KeyStroke key);

} // namespace morvane
