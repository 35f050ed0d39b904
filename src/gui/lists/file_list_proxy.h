#pragma once

#include <QSortFilterProxyModel>

namespace morvane {

class FileListModel;

// The file list as a view shows it: sorted by the column the user chose and, when asked, only the rows a run
// counted matches in. The model keeps the rows in the order the run reads them; every action on the rows
// shown maps its rows back to the model's.
//
// Counts change row by row while a run goes; the rows keep their places until refresh() sorts and filters
// them again, so that the current row neither jumps nor vanishes under the user mid-run.
class FileListProxy : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit FileListProxy(FileListModel& files, QObject* parent = nullptr);

    const FileListModel& files() const { return files_; }
    void setOnlyMatches(bool only);
    bool onlyMatches() const { return onlyMatches_; }
    void refresh();

    // The model's row shown as this row, and back; -1 where there is none.
    int fileRow(int shownRow) const;
    int shownRow(int fileRow) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    FileListModel& files_;
    bool onlyMatches_ = false;
};

} // namespace morvane
