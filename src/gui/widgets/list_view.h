#pragma once

#include "core/app/key_codes.h"

#include <QStringList>
#include <QTreeView>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace morvane {

// The look the program's lists share: a report view with a heading row, whole rows selected and several at a
// time, grid lines, the selection kept visible without the focus, no editing in place, no sorting, no click
// on a heading, rows one line high. It hands the keys its rule claims to its owner, translated into key
// codes, and reports a double-click wherever it lands: on a row or on the empty part below the rows.
class ListView : public QTreeView {
    Q_OBJECT

public:
    using Claims = bool (*)(KeyStroke key);
    explicit ListView(Claims claims, QWidget* parent = nullptr);

    // Positions of the selected rows, ascending.
    std::vector<int> selectedRows() const;
    // The current row, or -1 when there is none.
    int currentRow() const;
    void setCurrentRow(int row);

    // Every column (W - 80 twips) / n wide, as at start-up before the first layout.
    void setEqualColumnWidths();
    // The widths the layout gives, in twips; columns without one keep theirs.
    void setColumnWidthsTwips(std::span<const std::optional<double>> widths);

signals:
    void keyPressed(morvane::KeyStroke key);
    void doubleClickedAnywhere();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Claims claims_;
};

// The headings of a list from its text in the language file (see splitHeadings); a list the file gives none
// keeps the built-in ones, so its rows keep their columns.
QStringList columnHeadings(std::string_view languageText, std::initializer_list<const char*> builtIn);

} // namespace morvane
