#include "lists/list_views.h"

#include "lists/list_text.h"
#include "ui/form_layout.h"
#include "util/qt_text.h"

#include <QHeaderView>
#include <QSet>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace morvane {

void ListViewInit(QTreeWidget& list) {
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid palette(midlight);"
                                      " border-bottom: 1px solid palette(midlight); }"
                                      "QTreeView::item:selected { background: palette(highlight);"
                                      " color: palette(highlighted-text); }"));
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setRootIsDecorated(false);
    list.setItemsExpandable(false);
    list.setUniformRowHeights(true);
    list.setSortingEnabled(false);
    list.header()->setSectionsClickable(false);
    list.header()->setSectionsMovable(false);
    list.header()->setStretchLastSection(false);
}

void ListViewAddColumns(QTreeWidget& list, const std::vector<std::string>& headings) {
    if (headings.empty()) {
        return;
    }
    const int first = list.columnCount();
    QStringList labels;
    for (int column = 0; column < first; ++column) {
        labels << list.headerItem()->text(column);
    }
    for (const std::string& heading : headings) {
        labels << toQString(heading);
    }
    list.setColumnCount(static_cast<int>(labels.size()));
    list.setHeaderLabels(labels);
    const double width = initialColumnWidthTwips(twipsFromPixels(list.width()), headings.size());
    for (int column = first; column < list.columnCount(); ++column) {
        list.setColumnWidth(column, pixelsFromTwips(width));
    }
}

int ListViewDeleteSelected(QTreeWidget& list) {
    const QList<QTreeWidgetItem*> selected = list.selectedItems();
    if (selected.isEmpty()) {
        return 0;
    }
    // Taking every row out and putting the kept ones back costs two updates of the view, where removing
    // rows one by one would cost one per row: thousands of rows stay quick.
    const QSet<QTreeWidgetItem*> doomed(selected.begin(), selected.end());
    QList<QTreeWidgetItem*> kept;
    for (QTreeWidgetItem* item : list.invisibleRootItem()->takeChildren()) {
        if (doomed.contains(item)) {
            delete item;
        } else {
            kept << item;
        }
    }
    list.addTopLevelItems(kept);
    return static_cast<int>(doomed.size());
}

int ListViewSelectAll(QTreeWidget& list) {
    list.selectAll();
    return 1;
}

void ListViewChangeRows(QTreeWidget& list, const std::function<void()>& change) {
    {
        const QSignalBlocker quiet(list.model());
        change();
    }
    list.viewport()->update();
}

void ListViewSetSubItemImage(QTreeWidget& list, int row, int column, const QIcon& image) {
    if (QTreeWidgetItem* item = list.topLevelItem(row - 1)) {
        item->setIcon(column, image);
    }
}

} // namespace morvane
