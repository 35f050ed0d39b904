#pragma once

#include "core/journal/undo.h"
#include "gui/work/run_controller.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

// The file list's rows: the path as the filesystem spells it, byte for byte, and the count of the last run.
// Columns: 0 the full path, 1 the file name with the row's icon, 2 the count (empty until a run counted), as
// many as the headings give, then the row's folder below the folder all rows share. Every cell's tooltip is
// the row's full path, and below it why the row has no count of its own: a run could not read, write or
// rename it, it is a folder contents mode passes over, or its file is gone.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kPathColumn = 0;
    static constexpr int kNameColumn = 1;
    static constexpr int kCountColumn = 2;

    struct Row {
        RowId id = 0;
        std::string path;
        std::int64_t count = -1;               // -1: no run has counted the row yet
        SkipReason skipped = SkipReason::None; // why the last run passed the row over
        std::string failure; // why a run could not read, write or rename it; kept until the next run
        QIcon icon;
    };

    explicit FileListModel(QObject* parent = nullptr);

    // The headings decide how many columns the view shows; the rows keep all their values either way.
    void setHeadings(const QStringList& headings);
    void setFolderHeading(const QString& heading);
    int folderColumn() const { return static_cast<int>(headings_.size()); }
    // The folder all rows lie in, with its trailing separator; empty when they share none.
    const std::string& sharedFolder() const { return sharedFolder_; }
    // What a folder row that a run passed over says when the pointer rests on it, and the picture its count
    // shows.
    void setSkippedFolderTip(const QString& tip) { skippedFolderTip_ = tip; }
    void setSkippedFolderIcon(const QIcon& icon) { skippedFolderIcon_ = icon; }
    // The picture a row that failed, or whose file is gone, shows by its count.
    void setFailedIcon(const QIcon& icon) { failedIcon_ = icon; }

    // Appends a row per path, in order; empty paths are passed over.
    void append(const std::vector<std::string>& paths);
    // Removes the rows at these positions; the others keep their order and their counts.
    void removeAt(std::vector<int> rows);
    void clear();
    // Puts the paths in the place of the row with this id, in order; false when that row is gone. The rows
    // from there on get new ids, so that ids keep ascending in row order: the results of a run started
    // before pass them over.
    bool replace(RowId id, const std::vector<std::string>& paths);

    const Row& row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    int size() const { return static_cast<int>(rows_.size()); }
    // The position of the row with this id, or -1 when it is gone.
    int indexOf(RowId id) const;
    // The position of the first row whose id is this one or a later one; size() when there is none.
    int firstAtOrAfter(RowId id) const;

    // What a run reads: every path in row order, and the ids that its results come back under.
    std::vector<std::string> paths() const;
    std::vector<RowId> ids() const;

    // Every row counts 0, as at the start of a run.
    void resetCounts();
    // No row says any more why a run failed on it: a run starts that is not the one that shows what is left
    // after an execute run.
    void clearFailures();
    // Counts (and, after a rename, paths) to the rows they belong to; rows removed since are passed over.
    // A row that failed counts 0, as it changed nothing, and keeps why.
    void apply(const std::vector<RowUpdate>& updates);
    // After an undo, the rows of entries whose names went back show those names again: a row whose path
    // names an entry (absolute, or from the working folder) by the name the run gave it.
    void putNamesBack(const std::vector<NameBack>& names);
    // The sum of the counts of the rows there are.
    std::int64_t total() const { return total_; }

    // Icons for the rows from first on, one per row, with the view told once.
    void setIcons(int first, const std::vector<QIcon>& icons);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void findSharedFolder();

    QString problemOf(const Row& row) const;

    std::vector<Row> rows_; // ids ascend in row order: rows are appended with new ids and never reordered
    QStringList headings_;
    QString folderHeading_;
    std::string sharedFolder_;
    QString skippedFolderTip_;
    QIcon skippedFolderIcon_;
    QIcon failedIcon_;
    RowId nextId_ = 1;
    std::int64_t total_ = 0;
};

} // namespace morvane
