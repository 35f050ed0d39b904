// One row read whole: its file's text or its name goes through every pair in turn, then an execute run
// prepares the write or renames. A file too large to hold whole goes to the streamed row instead.
#include "core/run/row_work.h"

#include "core/journal/run_journal.h"
#include "core/platform/paths.h"
#include "core/run/range_share.h"
#include "core/run/rename_plan.h"
#include "core/run/row_problem.h"
#include "core/run/run_texts.h"
#include "core/run/streamed_row.h"
#include "core/text/text_encoding.h"

#include <array>
#include <new>
#include <stdexcept>

namespace morvane {

namespace {

void renameTo(RowOutcome& outcome, std::size_t i, const NamedEntry& entry, const std::string& name,
              RunJournal* journal) {
    RowResult& row = outcome.row;
    // A name the pairs leave as it was needs no rename, whatever it is ("." or the empty name of a root).
    if (name == entry.name()) {
        return;
    }
    if (std::string refused = refusedNameReason(name); !refused.empty()) {
        outcome.failure = RunFailure{i, row.path, cannotRenameText(refused)};
        return;
    }
    const std::string oldPath = entry.path();
    const std::string newPath = entry.parts.folder + name;
    if (journal) {
        if (std::string refused = journal->renaming(oldPath, newPath); !refused.empty()) {
            outcome.failure = RunFailure{i, row.path, cannotRenameText(refused)};
            return;
        }
    }
    if (std::string error = platform::renameNoReplace(oldPath, newPath); !error.empty()) {
        outcome.failure = RunFailure{i, row.path, cannotRenameToText(name, error)};
        return;
    }
    if (journal) {
        journal->renamed(newPath);
    }
    row.path = newPath + entry.trailing;
    row.renamed = true;
}

// A text that ends as it was read is not written again, which would cost a copy, a flush and an undo record
// for the same bytes: the file only takes the modification time the write would have given it.
void prepareWriteBack(RowOutcome& outcome, std::size_t i, const std::string& path, const std::string& text,
                      const platform::FileIdentity& readAs, bool replacedSome, const Plan& plan) {
    PreparedWrite prepared = prepareWrite(path, text, readAs, replacedSome, plan.hashWrites, plan.folders);
    if (!prepared.error.empty()) {
        outcome.failure = RunFailure{i, path, cannotWriteText(prepared.error)};
    }
    outcome.write = std::move(prepared.write);
}

// Whether a file the run would otherwise stream, or refuse as too large for pairs with options, is UTF-16.
// Such a file is read whole, up to kOptionPairFileBytes, and refused beyond: streaming it would take a
// decoder and an encoder around the block chain, with code units and surrogate pairs split between blocks,
// where the whole text is simple and exact. Only a large file's start is read here; any other shows its
// mark once read whole.
bool isLargeUtf16File(const Plan& plan, const std::string& path, const platform::PathStatus& status) {
    if (!plan.contents() || status.kind != platform::PathKind::RegularFile ||
        status.size <= std::min(plan.request.streamedFileBytes, kOptionPairFileBytes)) {
        return false;
    }
    std::array<char, 2> start{};
    return isUtf16(encodingOf(std::string_view(start.data(), platform::readRegularFileStart(path, start))));
}

// The buffer a file's contents and its text take turns in, kept from file to file like the text's.
std::string& conversionBuffer() {
    thread_local std::string buffer;
    return buffer;
}

// The text the pairs see in the contents of a file with a mark, in place of the contents. A file that is not
// text in its encoding fails its row and is left as it is, in a simulate run too, so that it never passes
// for one without occurrences.
bool decodeInto(RowOutcome& outcome, std::size_t i, const std::string& path, TextEncoding encoding,
                std::string& text) {
    std::string& decoded = conversionBuffer();
    if (std::string error = decodeText(text, encoding, decoded); !error.empty()) {
        outcome.failure = RunFailure{i, path, std::move(error)};
        text.clear();
        return false;
    }
    text.swap(decoded);
    return true;
}

// Whether the text the pairs left can be written back in its encoding: a simulate run finds a text that
// UTF-16 cannot hold before an execute run would. A text no pair changed is the one decoded, which it holds.
bool encodesBack(RowOutcome& outcome, std::size_t i, const std::string& path, TextEncoding encoding,
                 const std::string& text, bool replacedSome) {
    if (!replacedSome) {
        return true;
    }
    if (std::string problem = encodingProblem(text, encoding); !problem.empty()) {
        outcome.failure = RunFailure{i, path, std::move(problem)};
        return false;
    }
    return true;
}

// The contents that hold the text the pairs left, in place of the text.
bool encodeInto(RowOutcome& outcome, std::size_t i, const std::string& path, TextEncoding encoding,
                std::string& text) {
    std::string& encoded = conversionBuffer();
    if (std::string error = encodeText(text, encoding, encoded); !error.empty()) {
        outcome.failure = RunFailure{i, path, std::move(error)};
        return false;
    }
    text.swap(encoded);
    return true;
}

} // namespace

// Everything the run does with one row: read, every pair in order, then in an execute run the one write or
// rename. Never throws: a file too large for memory is a failure of its row.
RowOutcome processRow(const Plan& plan, std::size_t i, const std::string& path, platform::RowFile& file,
                      std::string& text, const std::atomic<bool>* cancel, const BeforePair& beforePair) {
    const platform::PathStatus& status = file.status();
    RowOutcome outcome;
    outcome.row.path = path;
    RowResult& row = outcome.row;
    if (RowProblem problem = rowProblem(path, status, plan.request.mode); problem.any()) {
        row.skipped = problem.skipped;
        if (!problem.failure.empty()) {
            outcome.failure = RunFailure{i, path, std::move(problem.failure)};
        }
        outcome.complete = true;
        return outcome;
    }
    const bool largeUtf16 = isLargeUtf16File(plan, path, status);
    if (plan.contents() && (plan.hasOptionPairs || largeUtf16) &&
        status.kind == platform::PathKind::RegularFile && status.size > kOptionPairFileBytes) {
        outcome.failure =
            RunFailure{i, path, largeUtf16 ? tooLargeForUtf16Text() : tooLargeForOptionPairsText()};
        outcome.complete = true;
        return outcome;
    }
    try {
        if (!largeUtf16 && isStreamed(plan, status)) {
            if (std::optional<RowOutcome> streamed = streamRow(plan, i, path, cancel, beforePair)) {
                return std::move(*streamed);
            }
        }
        std::optional<NamedEntry> entry;
        bool readable = true;
        bool replacedSome = false; // some pair replaced an occurrence by another text
        platform::FileIdentity readAs;
        TextEncoding encoding = TextEncoding::Bytes;
        if (plan.contents()) {
            // Only a write compares the file with what was read.
            const std::string error = file.readInto(path, text, plan.request.execute ? &readAs : nullptr);
            readable = error.empty();
            if (!readable) {
                outcome.failure = RunFailure{i, path, cannotReadText(error)};
            } else if (encoding = encodingOf(text); encoding != TextEncoding::Bytes) {
                readable = decodeInto(outcome, i, path, encoding, text);
            }
        } else {
            entry.emplace(path);
            text = entry->name();
        }
        const bool textWanted = plan.request.execute || encoding != TextEncoding::Bytes || !plan.contents();
        const PairsOutcome pairs = passWholeText(
            plan, text, textWanted, beforePair, [&](std::string& piece, const BeforePair& before) {
                return applyPairs(plan, piece, isUtf16(encoding), textWanted, cancel, before);
            });
        if (pairs.cancelled) {
            return outcome;
        }
        outcome.applied = pairs.applied;
        row.count += pairs.count;
        replacedSome = pairs.changed;
        if (readable && encoding != TextEncoding::Bytes) {
            readable = plan.request.execute ? encodeInto(outcome, i, path, encoding, text)
                                            : encodesBack(outcome, i, path, encoding, text, replacedSome);
        }
        if (plan.request.execute && outcome.applied) {
            if (!plan.contents()) {
                renameTo(outcome, i, *entry, text, plan.journal);
            } else if (readable) {
                prepareWriteBack(outcome, i, path, text, readAs, replacedSome, plan);
            }
        }
        releaseIfLarge(conversionBuffer());
    } catch (const std::bad_alloc&) {
        outcome.failure = RunFailure{i, path, noMemoryForFileText()};
        std::string().swap(text);
    } catch (const std::length_error&) {
        outcome.failure = RunFailure{i, path, noMemoryForFileText()};
        std::string().swap(text);
    }
    outcome.complete = true;
    return outcome;
}

platform::RowFile lookAtRow(const Plan& plan, const PathList& files, std::size_t i,
                            platform::FolderCursor& cursor) {
    if (!plan.contents()) {
        return platform::RowFile::lookedAt(files[i]);
    }
    return cursor.open(files[i], i + 1 < files.size() ? files[i + 1] : std::string());
}

} // namespace morvane
