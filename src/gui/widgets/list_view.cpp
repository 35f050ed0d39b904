#include "gui/widgets/list_view.h"

#include "core/app/form_layout.h"
#include "core/app/list_text.h"
#include "gui/widgets/qt_keys.h"
#include "gui/widgets/qt_text.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace morvane {

ListView::ListView(Claims claims, QWidget* parent) : QTreeView(parent), claims_(claims) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid palette(midlight);"
                                 " border-bottom: 1px solid palette(midlight); }"
                                 "QTreeView::item:selected { background: palette(highlight);"
                                 " color: palette(highlighted-text); }"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    // Every row is one line high (texts show their line breaks as marks), so the view never measures rows.
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setTextElideMode(Qt::ElideRight);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
}

std::vector<int> ListView::selectedRows() const {
    std::vector<int> rows;
    if (!selectionModel()) {
        return rows;
    }
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int ListView::currentRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ListView::setCurrentRow(int row) {
    setCurrentIndex(model() ? model()->index(row, 0) : QModelIndex());
}

void ListView::setEqualColumnWidths() {
    const int columns = model() ? model()->columnCount() : 0;
    const double width =
        initialColumnWidthTwips(twipsFromPixels(this->width()), static_cast<std::size_t>(columns));
    for (int column = 0; column < columns; ++column) {
        setColumnWidth(column, pixelsFromTwips(width));
    }
}

void ListView::setColumnWidthsTwips(std::span<const std::optional<double>> widths) {
    const int columns = model() ? model()->columnCount() : 0;
    for (int column = 0; column < columns && column < static_cast<int>(widths.size()); ++column) {
        if (const auto& width = widths[static_cast<std::size_t>(column)]) {
            setColumnWidth(column, pixelsFromTwips(*width));
        }
    }
}

void ListView::keyPressEvent(QKeyEvent* event) {
    const KeyStroke key = keyStrokeOf(*event);
    if (!claims_(key)) {
        QTreeView::keyPressEvent(event);
        return;
    }
    emit keyPressed(key);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    emit doubleClickedAnywhere();
}

QStringList columnHeadings(std::string_view languageText, std::initializer_list<const char*> builtIn) {
    QStringList headings;
    if (languageText.empty()) {
        for (const char* heading : builtIn) {
            headings << QString::fromUtf8(heading);
        }
    }
    for (const std::string& heading : splitHeadings(languageText)) {
        headings << toQString(heading);
    }
    return headings;
}

} // namespace morvane
