#include "gui/window/file_list_finder.h"

#include "core/app/message_catalogue.h"
#include "core/state/message_keys.h"
#include "gui/lists/file_list_view.h"
#include "gui/widgets/progress_view.h"
#include "gui/widgets/qt_object_names.h"
#include "gui/window/preview_window.h"
#include "gui/work/run_controller.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <algorithm>

namespace morvane {

FileListFinder::FileListFinder(FileListView& list, QMenu& menu, QLabel& statusLine, RunController& runs,
                               PreviewWindow& preview, Message message, QObject& owner)
    : QObject(&owner), list_(list), preview_(preview), statusLine_(statusLine), message_(std::move(message)) {
    menu.addSeparator();
    onlyMatches_ = named(menu.addAction(QString()), "mnuOnlyMatches");
    onlyMatches_->setCheckable(true);
    onlyMatches_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    onlyMatches_->setShortcutContext(Qt::ApplicationShortcut);
    connect(onlyMatches_, &QAction::toggled, this, [this](bool only) {
        list_.shown().setOnlyMatches(only);
        showCount();
    });
    // These work from the preview window too, which follows the current row.
    next_ = named(menu.addAction(QString()), "mnuNextMatch");
    next_->setShortcuts({QKeySequence(Qt::Key_F4), QKeySequence(Qt::ALT | Qt::Key_Down)});
    next_->setShortcutContext(Qt::ApplicationShortcut);
    connect(next_, &QAction::triggered, this, [this] { step(true); });
    previous_ = named(menu.addAction(QString()), "mnuPreviousMatch");
    previous_->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F4), QKeySequence(Qt::ALT | Qt::Key_Up)});
    previous_->setShortcutContext(Qt::ApplicationShortcut);
    connect(previous_, &QAction::triggered, this, [this] { step(false); });

    count_ = named(new QLabel(statusLine_.parentWidget()), "lblFilesShown");
    count_->setAutoFillBackground(true);
    count_->setAlignment(Qt::AlignCenter);
    QPalette bar = count_->palette();
    bar.setColor(QPalette::Window, QColor(kProgressColour.red, kProgressColour.green, kProgressColour.blue));
    count_->setPalette(bar);
    count_->hide();
    laidOutWidth_ = statusLine_.width();
    statusLine_.installEventFilter(this);
    statusLine_.parentWidget()->installEventFilter(this);
    connect(&runs, &RunController::finished, this, &FileListFinder::refresh);
    connect(&runs, &RunController::stopped, this, &FileListFinder::refresh);
    connect(&preview_, &PreviewWindow::fileChosen, this, &FileListFinder::showFile);
    connect(list_.header(), &QHeaderView::sortIndicatorChanged, &preview_, &PreviewWindow::sortFiles);
    FileListProxy& shown = list_.shown();
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(&shown, changed, this, &FileListFinder::showCount);
    }
    connect(&shown, &QAbstractItemModel::modelReset, this, &FileListFinder::showCount);
    connect(&shown, &QAbstractItemModel::layoutChanged, this, &FileListFinder::showCount);
    relabel();
}

void FileListFinder::relabel() {
    list_.files().setFolderHeading(message_(keys::kFolderColumn, builtInText(keys::kFolderColumn).c_str()));
    list_.files().setSkippedFolderTip(
        message_(keys::kFolderSkipped, builtInText(keys::kFolderSkipped).c_str()));
    for (const auto& [action, key] :
         {std::pair{onlyMatches_, keys::kMenuOnlyMatches}, std::pair{next_, keys::kMenuNextMatch},
          std::pair{previous_, keys::kMenuPreviousMatch}}) {
        action->setText(message_(key, builtInText(key).c_str()));
    }
    showCount();
}

void FileListFinder::refresh() {
    list_.shown().refresh();
    preview_.refreshFiles();
}

void FileListFinder::step(bool forward) {
    const FileListProxy& shown = list_.shown();
    const FileListModel& files = shown.files();
    const int rows = shown.rowCount();
    const int from = list_.currentRow() >= 0 ? list_.currentRow() : (forward ? -1 : rows);
    for (int step = 1; step <= rows; ++step) {
        const int row = ((forward ? from + step : from - step) % rows + rows) % rows;
        if (files.row(shown.fileRow(row)).count > 0) {
            makeCurrent(row);
            return;
        }
    }
}

void FileListFinder::showFile(int fileRow) {
    if (const int row = list_.shown().shownRow(fileRow); row >= 0) {
        makeCurrent(row);
    }
}

void FileListFinder::makeCurrent(int shownRow) {
    const QModelIndex row = list_.shown().index(shownRow, 0);
    list_.selectionModel()->setCurrentIndex(row,
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_.scrollTo(row);
}

void FileListFinder::showCount() {
    const FileListProxy& shown = list_.shown();
    count_->setVisible(shown.onlyMatches());
    count_->setText(message_(keys::kFilesShown, builtInText(keys::kFilesShown).c_str())
                        .arg(shown.rowCount())
                        .arg(shown.sourceModel()->rowCount()));
    placeCount();
}

// At the right end of the bar; the status line, which the layout places over the whole bar, ends where the
// count begins, so that it fits its text into the rest rather than run under the count.
void FileListFinder::placeCount() {
    QWidget& bar = *statusLine_.parentWidget();
    const int width = count_->isHidden() ? 0
                                         : count_->sizeHint().width() +
                                               2 * count_->fontMetrics().horizontalAdvance(QLatin1Char(' '));
    count_->setGeometry(bar.width() - width, 0, width, bar.height());
    count_->raise();
    const int lineWidth = std::min(laidOutWidth_, bar.width() - width - statusLine_.x());
    if (lineWidth != statusLine_.width()) {
        placingLine_ = true;
        statusLine_.resize(std::max(lineWidth, 0), statusLine_.height());
        placingLine_ = false;
    }
}

bool FileListFinder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && !placingLine_) {
        if (watched == &statusLine_) {
            laidOutWidth_ = statusLine_.width();
        }
        placeCount();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace morvane
