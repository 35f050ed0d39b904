#include "gui/window/preview_window.h"

#include "core/app/message_catalogue.h"
#include "core/state/message_keys.h"
#include "gui/lists/file_list_model.h"
#include "gui/lists/file_list_proxy.h"
#include "gui/lists/pair_list_model.h"
#include "gui/widgets/qt_form_layout.h"
#include "gui/widgets/qt_text.h"
#include "gui/window/preview_colours.h"

#include <QAbstractProxyModel>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTextCursor>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace morvane {

namespace {

// A short pause gathers the changes of one user action (a task load changes pairs, files and mode) into one
// piece of work.
constexpr int kFollowDelayMs = 40;

} // namespace

PreviewWindow::PreviewWindow(FileListModel& files, PairListModel& pairs, QItemSelectionModel& fileSelection,
                             Mode mode, Message message, Compute compute, QWidget* parent)
    : QWidget(parent, Qt::Window), files_(files), pairs_(pairs), fileSelection_(fileSelection),
      mode_(std::move(mode)), message_(std::move(message)), compute_(std::move(compute)) {
    setObjectName(QStringLiteral("frmPreview"));
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    contents_ = new QPlainTextEdit(this);
    contents_->setReadOnly(true);
    contents_->setUndoRedoEnabled(false);
    contents_->setLineWrapMode(QPlainTextEdit::NoWrap);
    contents_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    names_ = new QTableWidget(0, 3, this);
    names_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    names_->setSelectionBehavior(QAbstractItemView::SelectRows);
    names_->verticalHeader()->hide();
    names_->viewport()->installEventFilter(this);
    pages_ = new QStackedWidget(this);
    pages_->addWidget(contents_);
    pages_->addWidget(names_);
    buildFileList();
    auto* beside = new QSplitter(this);
    beside->addWidget(changedFiles_);
    beside->addWidget(pages_);
    beside->setStretchFactor(1, 1);
    beside->setSizes({260, 700});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(beside, 1);
    resize(960, 520);
    // The owner's keys do not reach a window of its own; Escape closes it as it closes the editor.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &PreviewWindow::closeToOwner);

    followTimer_ = new QTimer(this);
    followTimer_->setSingleShot(true);
    followTimer_->setInterval(kFollowDelayMs);
    connect(followTimer_, &QTimer::timeout, this, &PreviewWindow::start);
    for (QAbstractItemModel* model : std::initializer_list<QAbstractItemModel*>{&files_, &pairs_}) {
        connect(model, &QAbstractItemModel::dataChanged, this, &PreviewWindow::follow);
        connect(model, &QAbstractItemModel::rowsInserted, this, &PreviewWindow::follow);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &PreviewWindow::follow);
        connect(model, &QAbstractItemModel::modelReset, this, &PreviewWindow::follow);
    }
    connect(&fileSelection_, &QItemSelectionModel::currentChanged, this, &PreviewWindow::follow);
    connect(&fileSelection_, &QItemSelectionModel::currentChanged, this,
            &PreviewWindow::showCurrentInFileList);
    relabel();
}

// The rows with matches, with their names, folders and counts; the full path is each row's tooltip.
void PreviewWindow::buildFileList() {
    changedRows_ = new FileListProxy(files_, this);
    changedRows_->setOnlyMatches(true);
    changedFiles_ = new QTreeView(this);
    changedFiles_->setObjectName(QStringLiteral("lvPreviewFiles"));
    changedFiles_->setModel(changedRows_);
    changedFiles_->setRootIsDecorated(false);
    changedFiles_->setUniformRowHeights(true);
    changedFiles_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    changedFiles_->setSelectionBehavior(QAbstractItemView::SelectRows);
    changedFiles_->setAllColumnsShowFocus(true);
    changedFiles_->setHeaderHidden(true);
    changedFiles_->setTextElideMode(Qt::ElideMiddle);
    const auto fit = [this] {
        changedFiles_->setColumnHidden(FileListModel::kPathColumn, true);
        const int digit = changedFiles_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
        changedFiles_->setColumnWidth(FileListModel::kNameColumn, 16 * digit);
        changedFiles_->setColumnWidth(files_.folderColumn(), 12 * digit);
        QHeaderView* header = changedFiles_->header();
        header->moveSection(header->visualIndex(files_.folderColumn()), FileListModel::kCountColumn);
    };
    fit();
    connect(changedRows_, &QAbstractItemModel::modelReset, this, fit);
    connect(changedFiles_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!followingCurrent_ && current.isValid()) {
                    emit fileChosen(changedRows_->fileRow(current.row()));
                }
            });
}

void PreviewWindow::refreshFiles() {
    changedRows_->refresh();
    showCurrentInFileList();
}

void PreviewWindow::sortFiles(int column, Qt::SortOrder order) {
    changedRows_->sort(column, order);
}

void PreviewWindow::showCurrentInFileList() {
    const int shown = changedRows_->shownRow(currentFile());
    followingCurrent_ = true;
    if (shown >= 0) {
        changedFiles_->setCurrentIndex(changedRows_->index(shown, 0));
        changedFiles_->scrollTo(changedRows_->index(shown, 0));
    } else {
        changedFiles_->selectionModel()->clear();
    }
    followingCurrent_ = false;
}

PreviewWindow::~PreviewWindow() {
    jobs_.cancelAndWait();
}

void PreviewWindow::follow() {
    if (isVisible()) {
        followTimer_->start();
    }
}

void PreviewWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    relabel();
    followTimer_->start();
}

void PreviewWindow::toggle() {
    if (isVisible() && isActiveWindow()) {
        closeToOwner();
        return;
    }
    if (!placed_) {
        placeBesideOwner();
    }
    show();
    raise();
    activateWindow();
}

// The first time it opens the preview stands beside the main window, so both can be seen; later it opens
// where the user left it.
void PreviewWindow::placeBesideOwner() {
    placed_ = true;
    const QWidget* owner = parentWidget();
    const QScreen* screen = owner ? owner->screen() : nullptr;
    if (!owner || !screen) {
        return;
    }
    // Narrower than this, the list of files and the changes would not both be readable.
    constexpr int kLeastWidth = 480;
    const QSize frame = windowFrameSize(*owner);
    const QSize wanted = size() + frame;
    const PixelRect place = placeBeside(pixelRect(owner->frameGeometry()), {wanted.width(), wanted.height()},
                                        kLeastWidth, pixelRect(screen->availableGeometry()));
    move(place.left, place.top);
    resize(place.width - frame.width(), place.height - frame.height());
}

void PreviewWindow::closeToOwner() {
    close();
    if (parentWidget()) {
        parentWidget()->activateWindow();
    }
}

void PreviewWindow::followLanguage() {
    relabel();
    shown_.reset();
    follow();
}

void PreviewWindow::relabel() {
    setWindowTitle(message_(keys::kPreviewTitle, builtInText(keys::kPreviewTitle).c_str()));
    names_->setHorizontalHeaderLabels(
        message_(keys::kPreviewColumns, builtInText(keys::kPreviewColumns).c_str()).split(QLatin1Char(',')));
}

PreviewRequest PreviewWindow::request() const {
    PreviewRequest request;
    request.mode = mode_();
    request.finds = pairs_.finds();
    request.replaces = pairs_.replaces();
    request.options = pairs_.options();
    request.paths = files_.paths();
    request.current = currentFile();
    if (request.mode == ReplaceMode::Contents && request.current >= 0) {
        const QFileInfo file(
            QFile::decodeName(request.paths[static_cast<std::size_t>(request.current)].c_str()));
        request.size = file.exists() ? file.size() : -1;
        request.modified = file.exists() ? file.lastModified().toMSecsSinceEpoch() : 0;
    }
    if (request.mode == ReplaceMode::Contents) {
        // Only the current row's path enters the contents preview.
        const std::string path =
            request.current >= 0 ? request.paths[static_cast<std::size_t>(request.current)] : std::string();
        request.paths = {path};
        request.current = request.current >= 0 ? 0 : -1;
    }
    return request;
}

// The file list's view may show its rows sorted or filtered: its current row is mapped to the model's.
int PreviewWindow::currentFile() const {
    QModelIndex current = fileSelection_.currentIndex();
    if (const auto* shown = qobject_cast<const QAbstractProxyModel*>(current.model())) {
        current = shown->mapToSource(current);
    }
    return current.isValid() ? current.row() : -1;
}

void PreviewWindow::start() {
    PreviewRequest next = request();
    // A file list that only took new counts asks for what is shown or already being worked out.
    if (working_ ? inFlight_ == next : shown_ == next) {
        return;
    }
    inFlight_ = next;
    // The old jobs' results are dropped; their work ends soon, as it was cancelled.
    whole_.cancel();
    firstLook_.cancel();
    working_ = true;
    summary_->setText(message_(keys::kPreviewWorking, builtInText(keys::kPreviewWorking).c_str()));
    whole_ = launch(next, true);
    firstLook_ = Job();
    if (next.mode == ReplaceMode::Contents && next.size > kFirstLookBytes) {
        PreviewRequest look = next;
        look.firstLook = true;
        firstLook_ = launch(look, false);
    }
}

// Either result shows `request` as the one on the screen; the whole one ends the first look.
Job PreviewWindow::launch(const PreviewRequest& request, bool whole) {
    PreviewRequest shown = request;
    shown.firstLook = false;
    return jobs_.start(
        [compute = compute_, request](const JobContext& job) { return compute(request, job.stopFlag()); },
        [this, whole, shown = std::move(shown)](const PreviewResult& result) {
            if (whole) {
                working_ = false;
                firstLook_.cancel();
            }
            shown_ = shown;
            display(result);
        });
}

void PreviewWindow::display(const PreviewResult& result) {
    relabel();
    if (shown_->mode == ReplaceMode::FileNames) {
        showNames(result, shown_->current);
    } else {
        showContents(result);
    }
    emit resultShown();
}

void PreviewWindow::showContents(const PreviewResult& result) {
    pages_->setCurrentWidget(contents_);
    changedFiles_->show();
    contents_->clear();
    QString summary;
    switch (result.state) {
    case PreviewResult::State::NoFile:
        summary = message_(keys::kPreviewNoFile, builtInText(keys::kPreviewNoFile).c_str());
        break;
    case PreviewResult::State::Problem:
        summary = message_(keys::kPreviewProblem, builtInText(keys::kPreviewProblem).c_str()) +
                  QLatin1Char(' ') + toQString(result.problem);
        break;
    case PreviewResult::State::NoChange:
        summary = message_(keys::kPreviewNoChange, builtInText(keys::kPreviewNoChange).c_str());
        break;
    case PreviewResult::State::Changes:
    case PreviewResult::State::Cancelled:
        summary = message_(keys::kPreviewCount, builtInText(keys::kPreviewCount).c_str()).arg(result.count);
        break;
    }
    if (result.partial) {
        summary = message_(keys::kPreviewWorking, builtInText(keys::kPreviewWorking).c_str());
    } else if (result.more) {
        summary += QLatin1Char('\n') +
                   message_(keys::kPreviewMore, builtInText(keys::kPreviewMore).c_str()).arg(kPreviewHunks);
    }
    // The encoding's name is the same in every language.
    const QString encoding =
        result.encoding.empty() ? QString() : QStringLiteral(" (%1)").arg(toQString(result.encoding));
    summary_->setText(result.path.empty() ? summary
                                          : toQString(result.path) + encoding + QLatin1Char('\n') + summary);

    const PreviewColours colours = previewColours(contents_->palette());
    QTextCharFormat plain;
    QTextCharFormat header;
    header.setForeground(colours.header);
    QTextCharFormat removed;
    removed.setBackground(colours.removedLine);
    QTextCharFormat removedBytes = removed;
    removedBytes.setBackground(colours.removedBytes);
    QTextCharFormat added;
    added.setBackground(colours.addedLine);
    QTextCharFormat addedBytes = added;
    addedBytes.setBackground(colours.addedBytes);
    QTextCharFormat gap;
    gap.setForeground(colours.gap);

    QTextCursor cursor(contents_->document());
    // One edit block lays the document out once, not after every piece.
    cursor.beginEditBlock();
    bool first = true;
    for (const PreviewHunk& hunk : result.hunks) {
        if (!first) {
            cursor.insertBlock();
        }
        first = false;
        cursor.insertText(toQString(hunk.header), header);
        for (const PreviewLine& line : hunk.lines) {
            cursor.insertBlock();
            const bool isRemoved = line.kind == LineKind::Removed;
            const bool isAdded = line.kind == LineKind::Added;
            const QTextCharFormat& base = isRemoved ? removed : isAdded ? added : plain;
            const QTextCharFormat& marked = isRemoved ? removedBytes : isAdded ? addedBytes : plain;
            cursor.insertText(isRemoved ? QStringLiteral("- ")
                              : isAdded ? QStringLiteral("+ ")
                                        : QStringLiteral("  "),
                              base);
            for (const PreviewLine::Piece& piece : line.pieces) {
                if (piece.text.empty()) {
                    cursor.insertText(QString(QChar(0x2026)), gap);
                    continue;
                }
                QTextCharFormat format = piece.changed ? marked : base;
                if (piece.escape) {
                    format.setForeground(colours.escape);
                    format.setFontItalic(true);
                }
                cursor.insertText(toQString(piece.text), format);
            }
        }
    }
    cursor.endEditBlock();
    contents_->moveCursor(QTextCursor::Start);
}

// Every row is in the names table, which needs no list beside it.
void PreviewWindow::showNames(const PreviewResult& result, int current) {
    pages_->setCurrentWidget(names_);
    changedFiles_->hide();
    summary_->clear();
    names_->setRowCount(static_cast<int>(result.renames.size()));
    for (int row = 0; row < names_->rowCount(); ++row) {
        const PreviewRename& rename = result.renames[static_cast<std::size_t>(row)];
        names_->setItem(row, 0, new QTableWidgetItem(toQString(rename.oldName)));
        names_->setItem(row, 1, new QTableWidgetItem(toQString(rename.newName)));
        names_->setItem(row, 2, new QTableWidgetItem(toQString(rename.problem)));
    }
    fitNameColumns();
    if (current >= 0 && current < names_->rowCount()) {
        names_->selectRow(current);
        names_->scrollToItem(names_->item(current, 0));
    }
}

// Every column is as wide as its widest text, so nothing the user came to read is cut off (a table wider than
// the window scrolls); the problems take what room is left over.
void PreviewWindow::fitNameColumns() {
    names_->resizeColumnsToContents();
    problemTextWidth_ = names_->columnWidth(2);
    fillProblemColumn();
}

void PreviewWindow::fillProblemColumn() {
    const int spare = names_->viewport()->width() - names_->columnWidth(0) - names_->columnWidth(1);
    names_->setColumnWidth(2, std::max(problemTextWidth_, spare));
}

// The table's width changes with the window and with what stands beside it.
bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == names_->viewport() && event->type() == QEvent::Resize) {
        fillProblemColumn();
    }
    return QWidget::eventFilter(watched, event);
}

QString PreviewWindow::shownText() const {
    if (pages_->currentWidget() == contents_) {
        return summary_->text() + QLatin1Char('\n') + contents_->toPlainText();
    }
    QString rows;
    for (int row = 0; row < names_->rowCount(); ++row) {
        rows += names_->item(row, 0)->text() + QLatin1Char('\t') + names_->item(row, 1)->text() +
                QLatin1Char('\t') + names_->item(row, 2)->text() + QLatin1Char('\n');
    }
    return rows;
}

} // namespace morvane
