#pragma once

#include <QIcon>
#include <functional>
#include <string>
#include <vector>

class QTreeWidget;

namespace morvane {

// The common look of the program's lists: report view, whole rows selected, grid lines, the selection kept
// visible without the focus, no editing in place, no sorting.
void ListViewInit(QTreeWidget& list);

// Appends one column per heading, each (list width - 80 twips) / n wide.
void ListViewAddColumns(QTreeWidget& list, const std::vector<std::string>& headings);

// Removes every selected row, keeping the order of the others; returns how many went.
int ListViewDeleteSelected(QTreeWidget& list);

int ListViewSelectAll(QTreeWidget& list);

// Runs a change of many rows' texts and repaints the list once. Told of each cell on its own, the view takes
// time that grows faster than the rows: seconds for a count reset over 100,000 files.
void ListViewChangeRows(QTreeWidget& list, const std::function<void()>& change);

// Shows an icon in a cell; row counts from 1, column from 0.
void ListViewSetSubItemImage(QTreeWidget& list, int row, int column, const QIcon& image);

} // namespace morvane
