// The run itself: the request turned into a plan, the journal and the names plan set up, then the rows
// taken in order on this thread, on workers, or in batches committed together, and each delivered to the
// observer in list order.
#include "core/run/run.h"

#include "core/journal/run_journal.h"
#include "core/run/batch_commit.h"
#include "core/run/pair_plan.h"
#include "core/run/progress.h"
#include "core/run/rename_groups.h"
#include "core/run/rename_plan.h"
#include "core/run/row_work.h"
#include "core/run/run_texts.h"
#include "core/run/undo_fit.h"
#include "core/run/worker_pool.h"
#include "core/text/notation.h"

#include <algorithm>
#include <thread>

namespace morvane {

namespace {

// An empty list column still reads as one empty entry, so a run always has at least one pair and one path.
std::vector<std::string> atLeastOneEntry(std::vector<std::string> texts) {
    if (texts.empty()) {
        texts.emplace_back();
    }
    return texts;
}

// The same for the paths, which are not copied when there are any.
const PathList& atLeastOnePath(const PathList& files) {
    static const PathList oneEmptyPath{""};
    return files.empty() ? oneEmptyPath : files;
}

unsigned workersFor(const RunRequest& request, std::size_t files) {
    if (request.execute && request.mode == ReplaceMode::FileNames) {
        return 1;
    }
    unsigned workers = request.workers ? request.workers : std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>(workers, files));
}

class Run {
public:
    Run(const RunRequest& request, RunObserver* observer, const std::atomic<bool>* cancel)
        : request_(request), observer_(observer ? observer : &silent_), cancel_(cancel) {}

    RunResult execute() {
        std::vector<std::string> finds = atLeastOneEntry(request_.finds);
        std::vector<std::string> replaces = atLeastOneEntry(request_.replaces);
        if (finds.size() != replaces.size()) {
            result_.mismatch = true;
            result_.findsUbound = finds.size() - 1;
            result_.replacesUbound = replaces.size() - 1;
            return std::move(result_);
        }
        expandEachNotation(finds);
        expandEachNotation(replaces);
        Plan plan(request_, std::move(finds), std::move(replaces));
        const PathList& files = atLeastOnePath(request_.files);
        std::optional<RunJournal> journal;
        const std::string journalFolder = journalFolderIn(request_.stateFolder);
        if (request_.execute) {
            result_.leftovers = clearLeftovers(journalFolder, foldersOf(files));
            if (!journalFolder.empty() && (plan.contents() || request_.keepForUndo)) {
                plan.journal = &journal.emplace(journalFolder, headingOf(plan, files));
                if (const std::string& reason = plan.journal->begin(); !reason.empty()) {
                    observer_->notUndoable(reason);
                }
                plan.hashWrites = plan.journal->recordsWhatIsLeft();
            }
        }
        // Names are planned once the clear-up has put back what an interrupted run left aside.
        std::optional<RenamePlan> renames;
        std::optional<RenameGroups> groups;
        if (request_.execute && !plan.contents()) {
            renames_ = &renames.emplace(planRenames(request_));
            groups_ = &groups.emplace(*renames, plan.journal);
        }
        const ProgressSchedule schedule(plan.finds.size(), files.size());
        if (keepsRows()) {
            result_.rows.reserve(files.size());
        }

        const unsigned workers = workersFor(request_, files.size());
        if (request_.execute && plan.contents()) {
            runInBatches(plan, files, schedule, workers);
        } else if (workers <= 1) {
            runInThisThread(plan, files, schedule);
        } else {
            runOnWorkers(plan, files, schedule, workers);
        }
        if (journal) {
            std::string incomplete = journal->finish();
            if (result_.notUndoable.empty()) {
                result_.notUndoable =
                    journal->undoUnavailable().empty() ? std::move(incomplete) : journal->undoUnavailable();
            }
            result_.keptForUndo = request_.keepForUndo && result_.notUndoable.empty();
            journal.reset();
            if (request_.keepForUndo) {
                dropOldestRuns(journalFolder, kRunsKeptForUndo, request_.undoBytesBound);
            }
        }
        if (!result_.cancelled) {
            observer_->progress(100);
        }
        return std::move(result_);
    }

private:
    // A run that would change more than the journal keeps runs without undo, and says so before it starts,
    // rather than drop every older run and still not be undoable.
    std::optional<RunHeading> headingOf(const Plan& plan, const PathList& files) {
        if (!request_.keepForUndo) {
            return std::nullopt;
        }
        if (plan.contents()) {
            result_.notUndoable = whyNotKeptForUndo(request_, files, cancel_);
            if (!result_.notUndoable.empty()) {
                observer_->notUndoable(result_.notUndoable);
                return std::nullopt;
            }
        }
        return RunHeading{!plan.contents(), request_.finds, request_.replaces, files.size()};
    }

    void drawBefore(const ProgressSchedule& schedule, std::size_t pair, std::size_t file) {
        if (const auto percent = schedule.before(pair, file)) {
            observer_->progress(*percent);
        }
    }

    // Draws what drawing before each pair of the file would, for a row whose pairs ran elsewhere.
    void drawForFile(const ProgressSchedule& schedule, std::size_t file) {
        for (const int percent : schedule.drawsOfFile(file)) {
            observer_->progress(percent);
        }
    }

    void runInThisThread(const Plan& plan, const PathList& files, const ProgressSchedule& schedule) {
        std::string text;
        platform::FolderCursor cursor;
        for (std::size_t i = 0; i < files.size() && !cancelled(); ++i) {
            const auto draw = [&](std::size_t j) { drawBefore(schedule, j, i); };
            if (std::optional<RowOutcome> planned = plannedRename(i, files[i])) {
                drawForFile(schedule, i);
                deliver(i, std::move(*planned));
                continue;
            }
            platform::RowFile file = lookAtRow(plan, files, i, cursor);
            deliver(i, processRow(plan, i, files[i], file, text, cancel_, draw));
            releaseIfLarge(text);
        }
    }

    void runOnWorkers(const Plan& plan, const PathList& files, const ProgressSchedule& schedule,
                      unsigned workers) {
        WorkerPool pool(plan, files, workers, cancel_, files.size());
        for (std::size_t i = 0; i < files.size() && !cancelled(); ++i) {
            std::optional<RowOutcome> outcome = take(pool, i);
            if (!outcome) {
                cancelled();
                return;
            }
            // The bar moves as rows arrive in order, through the same points as in a run on one thread.
            if (outcome->complete && outcome->row.skipped == SkipReason::None) {
                drawForFile(schedule, i);
            }
            deliver(i, std::move(*outcome));
        }
    }

    // An execute run in contents mode: the workers read the files of a batch, apply the pairs and prepare the
    // writes; then the batch's writes are committed together (see commitWrites), and only then are its rows
    // done.
    void runInBatches(Plan& plan, const PathList& files, const ProgressSchedule& schedule, unsigned workers) {
        std::optional<FoldersToJournal> folders;
        if (plan.journal) {
            plan.folders = &folders.emplace(*plan.journal);
        }
        WriteBatches batches(files.size(), request_.streamedFileBytes);
        WorkerPool pool(plan, files, workers, cancel_, 0, &batches.earlierRows());
        std::size_t end = batches.batchEnd(files, 0);
        pool.openUpTo(end);
        for (std::size_t first = 0; first < files.size() && !cancelled();) {
            std::vector<RowOutcome> batch;
            for (std::size_t i = first; i < end; ++i) {
                std::optional<RowOutcome> outcome = take(pool, i);
                // A batch cut short is not committed: its files stay as they are, and the workers, which may
                // still be at work on it, are the only ones to use the journal until they have stopped.
                if (!outcome || !outcome->complete) {
                    result_.cancelled = true;
                    return;
                }
                // The bar moves as rows arrive in order, through the same points as in a run on one thread,
                // and as there, before the row's file is written.
                if (outcome->row.skipped == SkipReason::None) {
                    drawForFile(schedule, i);
                }
                batch.push_back(std::move(*outcome));
            }
            // Once batches are full, the workers read the next one while this one is committed.
            const bool full = end - first == kBatchFiles;
            const std::size_t nextEnd = full ? batches.batchEnd(files, end) : end;
            pool.openUpTo(nextEnd);
            batches.commit(batch, first, plan.journal, plan.folders ? &*folders : nullptr);
            for (std::size_t k = 0; k < batch.size(); ++k) {
                const std::size_t earlier = batches.earlierRows()[first + k];
                deliver(first + k, earlier == kNoRow
                                       ? std::move(batch[k])
                                       : sameAsEarlierRow(first + k, earlier, files[first + k]));
            }
            first = end;
            end = full ? nextEnd : batches.batchEnd(files, first);
            pool.openUpTo(end);
        }
    }

    std::optional<RowOutcome> take(WorkerPool& pool, std::size_t i) {
        return pool.take(i, [this] { observer_->waitingForRows(); });
    }

    // A row naming the file of an earlier row reports what the pairs did there.
    RowOutcome sameAsEarlierRow(std::size_t i, std::size_t earlier, const std::string& path) const {
        RowOutcome outcome;
        outcome.row = result_.rows[earlier];
        outcome.row.path = path;
        outcome.complete = true;
        const auto failure =
            std::lower_bound(result_.failures.begin(), result_.failures.end(), earlier,
                             [](const RunFailure& failure, std::size_t row) { return failure.row < row; });
        if (failure != result_.failures.end() && failure->row == earlier) {
            outcome.failure = RunFailure{i, path, failure->reason};
        }
        return outcome;
    }

    // A row the names plan refuses, or one of a chain or cycle, which are renamed as a whole; nothing for
    // a row renamed on its own as it comes.
    std::optional<RowOutcome> plannedRename(std::size_t i, const std::string& path) {
        if (!renames_) {
            return std::nullopt;
        }
        const PlannedRename& planned = renames_->rows[i];
        RowOutcome outcome;
        outcome.row.path = path;
        outcome.row.count = planned.count;
        outcome.applied = planned.applied;
        outcome.complete = true;
        if (planned.kind == RenameKind::Refused) {
            outcome.failure = RunFailure{i, path, cannotRenameText(planned.problem)};
            return outcome;
        }
        if (planned.kind == RenameKind::Repeated) {
            return sameEntryAsEarlierRow(i, planned, std::move(outcome));
        }
        std::optional<GroupRename> done = groups_->take(i);
        if (!done) {
            return std::nullopt;
        }
        outcome.row.path = std::move(done->path);
        outcome.row.renamed = done->renamed;
        if (!done->failure.empty()) {
            outcome.failure = RunFailure{i, path, std::move(done->failure)};
        }
        return outcome;
    }

    // A row naming the entry of an earlier row by another spelling of its path reports what that row's
    // rename did, in its own spelling: looked for again, the entry would be gone.
    RowOutcome sameEntryAsEarlierRow(std::size_t i, const PlannedRename& planned, RowOutcome outcome) const {
        const RowResult& earlier = result_.rows[planned.after];
        if (earlier.renamed) {
            outcome.row.path = planned.newPath;
            outcome.row.renamed = true;
        }
        const auto failure =
            std::lower_bound(result_.failures.begin(), result_.failures.end(), planned.after,
                             [](const RunFailure& failure, std::size_t row) { return failure.row < row; });
        if (failure != result_.failures.end() && failure->row == planned.after) {
            outcome.failure = RunFailure{i, outcome.row.path, failure->reason};
        }
        return outcome;
    }

    void deliver(std::size_t i, RowOutcome outcome) {
        if (!outcome.complete) {
            result_.cancelled = true;
            return;
        }
        // A row that failed did not change what it counted.
        if (!outcome.failure) {
            result_.total += outcome.row.count;
        }
        if (outcome.applied) {
            result_.status = request_.execute ? StatusKind::Done : StatusKind::Pending;
        }
        if (outcome.failure) {
            outcome.row.failure = outcome.failure->reason;
            result_.failures.push_back(std::move(*outcome.failure));
        }
        if (!keepsRows()) {
            observer_->rowDone(i, outcome.row, result_.total, result_.status);
            return;
        }
        result_.rows.push_back(std::move(outcome.row));
        observer_->rowDone(i, result_.rows.back(), result_.total, result_.status);
    }

    bool keepsRows() const { return request_.keepRows || request_.execute; }

    bool cancelled() {
        if (isCancelled(cancel_)) {
            result_.cancelled = true;
        }
        return result_.cancelled;
    }

    const RunRequest& request_;
    RunObserver silent_;
    RunObserver* observer_;
    const std::atomic<bool>* cancel_;
    RunResult result_;
    const RenamePlan* renames_ = nullptr; // an execute run's in file-names mode
    RenameGroups* groups_ = nullptr;
};
} // namespace

RunResult runPairs(const RunRequest& request, RunObserver* observer, const std::atomic<bool>* cancel) {
    return Run(request, observer, cancel).execute();
}

} // namespace morvane
