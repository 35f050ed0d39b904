#pragma once

#include "core/state/rep_task.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <cstddef>
#include <vector>

namespace morvane {

// The saved-task list over the saved-task table: one row per named task, in table order. A row's id is its
// task's index in the table, which is also the number shown in column 0; then come the name, the find texts
// and the replacements, each list joined with CR LF.
class SavedTaskModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The table outlives the model; after every change of it the owner calls sync() or reload().
    explicit SavedTaskModel(const SavedReps& table, QObject* parent = nullptr);

    void setHeadings(const QStringList& headings);

    // Shows the table as it is now.
    void reload();
    // Follows a change of the table in place: rows of tasks that lost their name go, tasks added at its end
    // come at the end; the other rows keep their selection.
    void sync();

    std::size_t taskAt(int row) const { return tasks_[static_cast<std::size_t>(row)]; }
    int size() const { return static_cast<int>(tasks_.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const SavedReps& table_;
    std::vector<std::size_t> tasks_; // table indices, ascending
    QStringList headings_;
};

} // namespace morvane
