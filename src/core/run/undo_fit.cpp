#include "core/run/undo_fit.h"

#include "core/platform/paths.h"
#include "core/platform/platform_fs.h"

#include <algorithm>
#include <set>
#include <utility>

namespace morvane {

namespace {

// Counted together, so that every core has files to count while the answer is looked at often enough to
// stop early.
constexpr std::uint64_t kBytesCountedTogether = std::uint64_t{64} << 20;

struct SizedFile {
    std::string path;
    std::uint64_t size = 0;
};

// The regular files among the paths, each once by device and inode, the largest first.
std::vector<SizedFile> regularFilesOnce(const PathList& paths, std::uint64_t& total) {
    std::vector<SizedFile> files;
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen;
    for (const std::string& path : paths) {
        const platform::FileIdentity file = platform::fileIdentity(path);
        if (file.known && isRegularFile(path) && seen.emplace(file.device, file.inode).second) {
            files.push_back(SizedFile{path, file.size});
            total += file.size;
        }
    }
    std::stable_sort(files.begin(), files.end(),
                     [](const SizedFile& a, const SizedFile& b) { return a.size > b.size; });
    return files;
}

// The simulate run of the same pairs over some of the files.
RunRequest countingRequest(const RunRequest& request) {
    RunRequest counting;
    counting.finds = request.finds;
    counting.replaces = request.replaces;
    counting.options = request.options;
    counting.mode = request.mode;
    counting.workers = request.workers;
    counting.streamedFileBytes = request.streamedFileBytes;
    counting.streamBlockBytes = request.streamBlockBytes;
    return counting;
}

} // namespace

std::string whyNotKeptForUndo(const RunRequest& request, const PathList& files,
                              const std::atomic<bool>* cancel) {
    const std::uint64_t bound = request.undoBytesBound;
    std::uint64_t listed = 0;
    const std::vector<SizedFile> sized = regularFilesOnce(files, listed);
    RunRequest counting = countingRequest(request);
    // A file the pairs find nothing in keeps its text, and a file that cannot be read is not written:
    // neither leaves old contents to keep.
    std::uint64_t changing = 0;
    std::uint64_t unchanged = 0;
    for (std::size_t first = 0; first < sized.size() && listed - unchanged > bound && changing <= bound;) {
        counting.files.clear();
        std::uint64_t bytes = 0;
        std::size_t end = first;
        for (; end < sized.size() && bytes < kBytesCountedTogether; ++end) {
            counting.files.push_back(sized[end].path);
            bytes += sized[end].size;
        }
        const RunResult counted = runPairs(counting, nullptr, cancel);
        if (counted.cancelled) {
            return {};
        }
        for (std::size_t k = 0; k < counted.rows.size() && first + k < end; ++k) {
            const RowResult& row = counted.rows[k];
            (row.count > 0 && row.failure.empty() ? changing : unchanged) += sized[first + k].size;
        }
        first = end;
    }
    return tooLargeForUndo(changing, bound);
}

} // namespace morvane
