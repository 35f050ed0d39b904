// The batches of an execute run in contents mode: where each batch ends, which rows name the file of an
// earlier row, and the commit of a batch's prepared writes together.
#pragma once

#include "core/journal/contents_batch.h"
#include "core/run/row_work.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace morvane {

class RunJournal;

inline constexpr std::size_t kBatchFiles = 256;
inline constexpr std::uint64_t kBatchBytes = std::uint64_t{32} << 20;

class WriteBatches {
public:
    WriteBatches(std::size_t rows, std::uint64_t streamedFileBytes);

    // For each row, the earlier row whose file it names, or kNoRow; filled in as batches are cut.
    const std::vector<std::size_t>& earlierRows() const { return earlierRows_; }

    // The end of the batch that begins at row first.
    std::size_t batchEnd(const PathList& files, std::size_t first);

    // Commits the batch's prepared writes (see commitWrites), turning each refused one into its row's
    // failure.
    void commit(std::vector<RowOutcome>& batch, std::size_t first, RunJournal* journal,
                FoldersToJournal* workers);

private:
    // A file by device and inode, whatever paths and links name it.
    using FileKey = std::pair<std::uint64_t, std::uint64_t>;

    void knowReplacedFiles(const std::vector<RowOutcome>& batch, std::size_t first,
                           const std::vector<std::size_t>& rows, const std::vector<std::string>& reasons);

    std::uint64_t streamedFileBytes_;
    // The first row that named each file, by the identity it had when the row was reached and the one its
    // new contents have; and for each row, the earlier row whose file it names, or kNoRow.
    std::map<FileKey, std::size_t> firstRowOf_;
    std::vector<std::size_t> earlierRows_;
};

} // namespace morvane
