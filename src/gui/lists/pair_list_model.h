#pragma once

#include "core/run/pair_warnings.h"
#include "core/text/pair_options.h"
#include "gui/work/run_controller.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace morvane {

// The find/replace pairs in the order the run applies them, each text kept byte for byte in the list's
// notation, with the options it matches by. Columns: 0 the find text, 1 the replacement, 2 a short mark of
// each option the pair has, empty for a plain pair.
class PairListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Row {
        RowId id = 0;
        std::string find;
        std::string replace;
        PairOptions options;
    };

    static constexpr int kOptionsColumn = 2;

    explicit PairListModel(QObject* parent = nullptr);

    // The find and replacement columns' headings; the options column has none.
    void setHeadings(const QStringList& headings);
    // The tooltips of a pair that works against an earlier one: %1 the pair's number, %2 the earlier pair's,
    // and for one that never matches %3 the earlier find text and %4 its own.
    void setWarningTexts(const QString& changesInserted, const QString& neverMatches);
    // The names of the options, for the tooltip of their marks: ignore case, whole word, pattern.
    void setOptionNames(const QStringList& names);

    // An empty find text is never stored.
    void append(std::string find, std::string replace, PairOptions options = {});
    void update(int index, std::string find, std::string replace, PairOptions options);
    void removeAt(std::vector<int> rows);
    void clear();

    const Row& row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    int size() const { return static_cast<int>(rows_.size()); }

    // What the pair at the index works against, if anything.
    std::optional<PairWarning> warningAt(int index) const;

    // The column texts as a run reads them: one per row, or one empty text when there are no rows.
    std::vector<std::string> finds() const;
    std::vector<std::string> replaces() const;
    // One entry per row.
    PairOptionsList options() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString warningText(const PairWarning& warning) const;
    QVariant optionsData(const PairOptions& options, int role) const;
    void updateWarnings();

    std::vector<Row> rows_;
    std::vector<std::optional<PairWarning>> warnings_; // by row
    QString changesInsertedText_ = QStringLiteral("Pair %1 also changes what pair %2 inserts");
    QString neverMatchesText_ =
        QStringLiteral("Pair %2 replaces every \"%3\" before pair %1 looks for \"%4\"");
    QStringList optionNames_{QStringLiteral("Ignore case"), QStringLiteral("Whole word"),
                             QStringLiteral("Regular expression")};
    QStringList headings_;
    RowId nextId_ = 1;
};

} // namespace morvane
