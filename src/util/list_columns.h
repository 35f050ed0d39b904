#pragma once

#include <string>
#include <vector>

class QTreeWidget;

namespace morvane {

// One column of a list as texts, one per row in row order: column 0 is the row's own text, column n its
// sub-item n. A list without rows, or a column it does not have, gives one empty text, never no entries.
std::vector<std::string> ListViewSpalteHolen(const QTreeWidget& list, int column);

// The same for a column that holds paths.
std::vector<std::string> ListViewPfadeHolen(const QTreeWidget& list, int column);

} // namespace morvane
