#include "app/main_window.h"

#include "app/main_values.h"
#include "config/keyed_text.h"
#include "config/language.h"
#include "config/message_keys.h"
#include "config/relabelling.h"
#include "engine/progress_picture.h"
#include "tasks/saved_tasks_file.h"
#include "util/list_columns.h"
#include "util/paths.h"
#include "util/qt_text.h"
#include "util/text_file.h"

#include <QAction>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace morvane {

namespace {

constexpr int kCountColumn = 2;

QTreeWidget* makeList(QWidget* parent, const char* name, const QStringList& headings) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setColumnCount(static_cast<int>(headings.size()));
    list->setHeaderLabels(headings);
    return list;
}

} // namespace

MainWindow::MainWindow(std::string appFolder, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), appFolder_(std::move(appFolder)), dialogs_(dialogs) {
    setObjectName("frm1");
    buildControls();
    buildMenus();
    connect(&runs_, &RunController::progressed, this,
            [this](int percent) { picProgress_->FortschrittZeichnen(percent, kProgressColour); });
    connect(&runs_, &RunController::rowsDone, this, &MainWindow::applyRows);
    connect(&runs_, &RunController::finished, this, &MainWindow::runFinished);
    startUp();
}

void MainWindow::buildControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* splitter = new QSplitter(Qt::Vertical, central);
    lvCurrentFindReplace_ = makeList(splitter, "lvCurrentFindReplace", {tr("Find"), tr("Replace with")});
    lvFiles_ = makeList(splitter, "lvFiles", {tr("Path"), tr("File"), tr("Replacements")});
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter);

    picProgress_ = new ProgressPicture(central);
    picProgress_->setObjectName("picProgress");
    picProgress_->setFixedHeight(22);
    // The status line lies on the bar, so its text reads over it.
    statusLabel_ = new QLabel(picProgress_);
    statusLabel_->setObjectName("Label(4)");
    auto* overBar = new QHBoxLayout(picProgress_);
    overBar->setContentsMargins(6, 0, 6, 0);
    overBar->addWidget(statusLabel_);
    layout->addWidget(picProgress_);
    setCentralWidget(central);
    resize(900, 640);
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QString::fromUtf8("&File"));
    file->setObjectName("mnuFile");
    QAction* close = file->addAction(QString::fromUtf8("Close"), this, &QWidget::close);
    close->setObjectName("mnuClose");
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* list = menuBar()->addMenu(QString::fromUtf8("&Find && Replace List"));
    list->setObjectName("mnuList");
    mnuSimulate_ =
        list->addAction(QString::fromUtf8("Update/ Simulate"), this, [this] { ErsetzenSimulieren(false); });
    mnuSimulate_->setObjectName("mnuSimulate");
    mnuSimulate_->setShortcut(QKeySequence(Qt::Key_F5));
    mnuReplace_ = list->addAction(QString::fromUtf8("Execute/ Replace"), this, &MainWindow::ReplaceIt);
    mnuReplace_->setObjectName("mnuReplace");
    mnuReplace_->setShortcut(QKeySequence(Qt::Key_F8));

    QMenu* languages = menuBar()->addMenu(QString::fromUtf8("Language"));
    languages->setObjectName("mnuLanguages");
    const std::array<const char*, 2> names{"English", "German"};
    for (int index = 0; index < kLanguageCount; ++index) {
        QAction* item = languages->addAction(QString::fromUtf8(names[static_cast<std::size_t>(index)]));
        item->setObjectName(QString("mnuLanguage(%1)").arg(index));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, index] {
            SpracheAusgewaehlt(index);
            SettingsSpeichern(appFolder_, settings_);
        });
        mnuLanguage_[static_cast<std::size_t>(index)] = item;
    }
}

// The fixed order of start-up: the settings and the language come before anything that shows their texts,
// the saved tasks after the lists exist.
void MainWindow::startUp() {
    setWindowTitle(toQString(windowCaption(kApplicationTitle, programVersion())));
    savedTasksPath_ = morvane::savedTasksPath(appFolder_);
    savedReps_ = emptySavedReps();
    settings_ = SettingsLaden(appFolder_);
    SettingsEinstellen();
    picProgress_->FortschrittEinrichten();
    savedReps_ = RepsDateiEinlesen(savedTasksPath_);
    show();
}

void MainWindow::SettingsEinstellen() {
    SpracheAusgewaehlt(settings_.Language);
}

void MainWindow::SpracheAusgewaehlt(int index) {
    settings_.Language = offeredLanguage(index);
    for (std::size_t item = 0; item < mnuLanguage_.size(); ++item) {
        mnuLanguage_[item]->setChecked(static_cast<int>(item) == settings_.Language);
    }
    SpracheEinstellen();
}

void MainWindow::SpracheEinstellen() {
    const std::string path = joinPath(appFolder_, kLanguageFileName);
    if (!DateiExistiert(path)) {
        dialogs_.message(this, tr("Error"), QString::fromUtf8("Language file not found"),
                         Dialogs::Icon::Critical);
        return;
    }
    if (normaliseKeyedText(TextDateiEinlesen(path)).empty()) {
        dialogs_.message(this, tr("Error"), QString::fromUtf8("Language File empty"),
                         Dialogs::Icon::Critical);
        return;
    }
    for (const Relabel& row : kRelabelTable) {
        applyLabel(*this, row, message(row.key));
    }
}

QString MainWindow::message(std::string_view key) const {
    return toQString(MeldungLaden(appFolder_, key, settings_.Language));
}

RunRequest MainWindow::snapshot(bool ausfuehren) const {
    RunRequest request;
    request.finds = ListViewSpalteHolen(*lvCurrentFindReplace_, 0);
    request.replaces = ListViewSpalteHolen(*lvCurrentFindReplace_, 1);
    request.files = ListViewPfadeHolen(*lvFiles_, 0);
    request.mode = settings_.ReplaceInContents ? ReplaceMode::Contents : ReplaceMode::FileNames;
    request.ausfuehren = ausfuehren;
    return request;
}

void MainWindow::ErsetzenSimulieren(bool ausfuehren) {
    if (executing_) {
        simulateAfterExecute_ = simulateAfterExecute_ || !ausfuehren;
        return;
    }
    RunRequest request = snapshot(ausfuehren);
    // A mismatch of the pair columns leaves the counts as they are.
    if (request.finds.size() == request.replaces.size()) {
        for (int row = 0; row < lvFiles_->topLevelItemCount(); ++row) {
            lvFiles_->topLevelItem(row)->setText(kCountColumn, QStringLiteral("0"));
        }
    }
    executing_ = ausfuehren;
    runningExecute_ = ausfuehren;
    setRunActionsEnabled(!ausfuehren);
    runs_.start(std::move(request));
}

void MainWindow::ReplaceIt() {
    if (executing_) {
        return;
    }
    simulateAfterExecute_ = true;
    ErsetzenSimulieren(true);
}

void MainWindow::applyRows(const std::vector<RowUpdate>& rows, std::int64_t total,
                           std::optional<StatusKind> status) {
    lvFiles_->setUpdatesEnabled(false);
    for (const RowUpdate& update : rows) {
        QTreeWidgetItem* item = lvFiles_->topLevelItem(static_cast<int>(update.row));
        if (!item) {
            continue; // the row was removed while the run went on
        }
        item->setText(kCountColumn, QString::number(update.result.count));
        if (update.result.renamed) {
            item->setText(0, pathToQString(update.result.path));
            item->setText(1, pathToQString(DateiNameHolen(update.result.path)));
        }
    }
    lvFiles_->setUpdatesEnabled(true);
    if (status) {
        showStatus(*status, total);
    }
}

void MainWindow::showStatus(StatusKind kind, std::int64_t total) {
    const std::string_view key =
        kind == StatusKind::Done ? keys::kReplacementsDone : keys::kReplacementsPending;
    statusLabel_->setText(toQString(statusLine(fromQString(message(key)), total)));
}

void MainWindow::runFinished(const RunResult& result) {
    const bool wasExecute = runningExecute_;
    executing_ = false;
    runningExecute_ = false;
    setRunActionsEnabled(true);
    if (result.mismatch) {
        dialogs_.message(this, toQString(kApplicationTitle),
                         toQString(mismatchText(fromQString(message(keys::kUboundElementsWrong)),
                                                result.findsUbound, result.replacesUbound)),
                         Dialogs::Icon::None);
    }
    if (wasExecute) {
        reportFailures(result);
    }
    if (simulateAfterExecute_) {
        simulateAfterExecute_ = false;
        ErsetzenSimulieren(false);
    }
}

// One box after the run for every file that could not be read, written or renamed, never one per file.
void MainWindow::reportFailures(const RunResult& result) {
    if (result.failures.empty()) {
        return;
    }
    QStringList lines;
    for (const RunFailure& failure : result.failures) {
        lines << QDir::toNativeSeparators(pathToQString(failure.path)) + QStringLiteral(": ") +
                     toQString(failure.reason);
    }
    dialogs_.message(this, toQString(kApplicationTitle), lines.join(QLatin1Char('\n')),
                     Dialogs::Icon::Critical);
}

void MainWindow::setRunActionsEnabled(bool enabled) {
    mnuSimulate_->setEnabled(enabled);
    mnuReplace_->setEnabled(enabled);
}

} // namespace morvane
