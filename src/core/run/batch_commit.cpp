// Cutting an execute run in contents mode into batches, and committing each batch's writes together.
#include "core/run/batch_commit.h"

#include "core/platform/platform_fs.h"
#include "core/run/run_texts.h"

#include <algorithm>

namespace morvane {

WriteBatches::WriteBatches(std::size_t rows, std::uint64_t streamedFileBytes)
    : streamedFileBytes_(streamedFileBytes), earlierRows_(rows, kNoRow) {}

// The pairs go over each file once, however many rows name it (by other paths or links): a row naming
// the file of an earlier row is not read, and takes that row's result. A batch holds no more rows than
// the run has done before it, so that the first rows show at once and a run cut short has changed no
// more than twice what it reported; and it is bounded in files, and in bytes, which the disk takes in at
// the commit. A streamed file is a batch of its own: its new file is already written in full when its
// row arrives, and waits for no other.
std::size_t WriteBatches::batchEnd(const PathList& files, std::size_t first) {
    const std::size_t most = std::clamp<std::size_t>(first, 1, kBatchFiles);
    std::uint64_t bytes = 0;
    std::size_t end = first;
    while (end < files.size() && end - first < most && bytes < kBatchBytes) {
        const platform::FileIdentity identity = platform::fileIdentity(files[end]);
        const FileKey file{identity.device, identity.inode};
        if (const auto seen = firstRowOf_.find(file); identity.known && seen != firstRowOf_.end()) {
            earlierRows_[end++] = seen->second;
            continue;
        }
        const bool streamed = identity.size > streamedFileBytes_;
        if (streamed && end > first) {
            break;
        }
        if (identity.known) {
            firstRowOf_.emplace(file, end);
        }
        bytes += identity.size;
        ++end;
        if (streamed) {
            break;
        }
    }
    return end;
}

void WriteBatches::commit(std::vector<RowOutcome>& batch, std::size_t first, RunJournal* journal,
                          FoldersToJournal* workers) {
    std::vector<PendingWrite*> writes;
    std::vector<std::size_t> rows;
    for (std::size_t k = 0; k < batch.size(); ++k) {
        if (batch[k].write) {
            writes.push_back(&*batch[k].write);
            rows.push_back(k);
        }
    }
    const std::vector<std::string> reasons = commitWrites(writes, journal, workers);
    for (std::size_t n = 0; n < writes.size(); ++n) {
        RowOutcome& outcome = batch[rows[n]];
        if (!reasons[n].empty()) {
            outcome.failure = RunFailure{first + rows[n], outcome.row.path, cannotWriteText(reasons[n])};
        }
    }
    knowReplacedFiles(batch, first, rows, reasons);
    for (const std::size_t k : rows) {
        batch[k].write.reset();
    }
}

// A file replaced by a new one is the new file for the rows after: a later row may reach it by another
// name, and a file made later may take the old one's inode.
void WriteBatches::knowReplacedFiles(const std::vector<RowOutcome>& batch, std::size_t first,
                                     const std::vector<std::size_t>& rows,
                                     const std::vector<std::string>& reasons) {
    std::vector<std::size_t> replaced;
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const PendingWrite& write = *batch[rows[n]].write;
        if (reasons[n].empty() && write.kind == PendingWrite::Kind::Replace) {
            firstRowOf_.erase(FileKey{write.readAs.device, write.readAs.inode});
            replaced.push_back(rows[n]);
        }
    }
    for (const std::size_t k : replaced) {
        const platform::FileIdentity written = platform::fileIdentity(batch[k].write->path);
        if (written.known) {
            firstRowOf_.insert_or_assign(FileKey{written.device, written.inode}, first + k);
        }
    }
}

} // namespace morvane
