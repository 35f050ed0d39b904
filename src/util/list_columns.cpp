#include "util/list_columns.h"

#include "util/qt_text.h"

#include <QTreeWidget>

namespace morvane {

namespace {

template <class Convert>
std::vector<std::string> columnTexts(const QTreeWidget& list, int column, Convert convert) {
    if (column < 0 || column > list.columnCount() - 1 || list.topLevelItemCount() == 0) {
        return {std::string()};
    }
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(list.topLevelItemCount()));
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        texts.push_back(convert(list.topLevelItem(row)->text(column)));
    }
    return texts;
}

} // namespace

std::vector<std::string> ListViewSpalteHolen(const QTreeWidget& list, int column) {
    return columnTexts(list, column, fromQString);
}

std::vector<std::string> ListViewPfadeHolen(const QTreeWidget& list, int column) {
    return columnTexts(list, column, pathFromQString);
}

} // namespace morvane
