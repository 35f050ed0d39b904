#include "core/journal/contents_batch.h"

#include "core/journal/run_journal.h"
#include "core/platform/paths.h"
#include "core/platform/text_file.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <system_error>
#include <thread>

namespace morvane {

namespace {

constexpr std::size_t kDiskThreads = 16;

// Takes the step for each of many files on many threads: a flush, and a rename over a file (which frees the
// old file's blocks), wait on the disk, not on a core, and the disk takes many at once faster than one after
// another.
void onManyThreads(std::size_t count, const std::function<void(std::size_t)>& step) {
    std::atomic<std::size_t> next{0};
    const auto stepNext = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            step(i);
        }
    };
    std::vector<std::thread> threads;
    try {
        for (std::size_t t = 1; t < std::min(kDiskThreads, count); ++t) {
            threads.emplace_back(stepNext);
        }
    } catch (const std::system_error&) {
        // Fewer threads take the same steps, one after another.
    }
    stepNext();
    for (std::thread& thread : threads) {
        thread.join();
    }
}

std::string folderOf(const std::string& path) {
    return fromFsPath(toFsPath(path).parent_path());
}

} // namespace

void FoldersToJournal::writingIn(const std::string& folder) {
    const std::lock_guard lock(mutex_);
    journal_.writingIn(folder);
}

PreparedWrite prepareWrite(const std::string& path, const std::string& text,
                           const platform::FileIdentity& readAs, bool replacedSome, bool hashed,
                           platform::WriteJournal* folders) {
    PreparedWrite prepared;
    PendingWrite& write = prepared.write.emplace();
    write.path = path;
    write.readAs = readAs;
    // Pairs that replaced something may still have put back what they took away, which only the bytes on
    // disk can tell.
    if (!replacedSome || platform::stillHolds(path, text, readAs)) {
        write.kind = PendingWrite::Kind::Touch;
        // Undo knows the file by these bytes, too, once a later run's undo has written them anew.
        write.hash = hashed ? contentHash(text) : 0;
        return prepared;
    }
    write.replacement = platform::prepareReplacement(path, text, readAs, folders);
    if (!write.replacement.error().empty()) {
        prepared.error = write.replacement.error();
        prepared.write.reset();
    } else if (write.replacement.mustRewriteInPlace()) {
        write.kind = PendingWrite::Kind::RewriteInPlace;
        write.text = text;
    } else if (hashed) {
        write.hash = contentHash(text);
    }
    return prepared;
}

std::vector<std::string> commitWrites(std::vector<PendingWrite*>& writes, RunJournal* journal,
                                      FoldersToJournal* workers) {
    const auto holdJournal = [&] { return workers ? workers->hold() : std::unique_lock<std::mutex>(); };
    std::vector<std::string> reasons(writes.size());
    std::vector<std::size_t> replacing;
    std::vector<platform::PreparedReplacement*> replacements;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if (writes[i]->kind == PendingWrite::Kind::Replace) {
            replacing.push_back(i);
            replacements.push_back(&writes[i]->replacement);
        }
    }
    const std::vector<char> flushed = platform::flushTogether(replacements);
    onManyThreads(replacing.size(), [&](std::size_t k) {
        if (!flushed[k]) {
            reasons[replacing[k]] = replacements[k]->flush();
        }
    });
    std::erase_if(replacing, [&](std::size_t i) { return !reasons[i].empty(); });
    if (journal && !replacing.empty()) {
        std::vector<ReplacingFile> files;
        for (const std::size_t i : replacing) {
            const platform::PreparedReplacement& replacement = writes[i]->replacement;
            files.push_back(ReplacingFile{replacement.target(), replacement.becomes(), writes[i]->hash});
        }
        std::vector<std::string> refused;
        {
            const std::unique_lock held = holdJournal();
            refused = journal->replacingAll(files);
        }
        for (std::size_t k = 0; k < replacing.size(); ++k) {
            if (!refused[k].empty()) {
                reasons[replacing[k]] = refused[k];
                writes[replacing[k]]->replacement = {};
            }
        }
    }
    // Each file of the batch is another, so the order of the renames does not matter.
    onManyThreads(replacing.size(), [&](std::size_t k) {
        if (reasons[replacing[k]].empty()) {
            reasons[replacing[k]] = writes[replacing[k]]->replacement.place();
        }
    });
    std::vector<std::string> folders;
    std::vector<std::size_t> placed;
    for (const std::size_t i : replacing) {
        if (reasons[i].empty()) {
            placed.push_back(i);
            std::string folder = folderOf(writes[i]->replacement.target());
            if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
                folders.push_back(std::move(folder));
            }
        }
    }
    platform::flushFolders(folders);
    const std::unique_lock held = holdJournal();
    if (journal && !placed.empty()) {
        for (const std::size_t i : placed) {
            journal->replacedWith(writes[i]->replacement.target(), writes[i]->hash);
        }
        journal->flushWhatIsLeft();
    }
    for (std::size_t i = 0; i < writes.size(); ++i) {
        PendingWrite& write = *writes[i];
        if (write.kind == PendingWrite::Kind::RewriteInPlace) {
            reasons[i] = writeTextFile(write.text, write.path, &write.readAs, journal).error;
        } else if (write.kind == PendingWrite::Kind::Touch) {
            if (journal) {
                reasons[i] = journal->touching(write.path, write.readAs);
            }
            if (reasons[i].empty()) {
                reasons[i] = platform::touchAsRewritten(write.path, write.readAs);
            }
            if (journal && reasons[i].empty()) {
                journal->touched(write.hash);
            }
        }
    }
    return reasons;
}

} // namespace morvane
