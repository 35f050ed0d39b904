#include "engine/run.h"

#include "engine/notation.h"
#include "engine/occurrences.h"
#include "engine/progress.h"
#include "util/paths.h"
#include "util/platform_fs.h"
#include "util/text_file.h"

#include <algorithm>

namespace morvane {

namespace {

// An empty list column still reads as one empty entry, so a run always has at least one pair and one path.
std::vector<std::string> atLeastOneEntry(std::vector<std::string> texts) {
    if (texts.empty()) {
        texts.emplace_back();
    }
    return texts;
}

// Why a new name cannot be given to a file; empty when it can. A name with a separator would move the file.
std::string refusedNameReason(const std::string& name) {
    if (name.empty()) {
        return "the new name would be empty";
    }
    if (name == "." || name == "..") {
        return "the new name \"" + name + "\" is not allowed";
    }
    if (std::any_of(name.begin(), name.end(), [](char c) { return isPathSeparator(c) || c == '\0'; })) {
        return "the new name would contain a path separator or a NUL byte";
    }
    return {};
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
        SonderzeichenReplace(finds);
        SonderzeichenReplace(replaces);
        finds_ = std::move(finds);
        replaces_ = std::move(replaces);

        const std::vector<std::string> files = atLeastOneEntry(request_.files);
        result_.rows.resize(files.size());
        const ProgressSchedule schedule(finds_.size(), files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (cancelled()) {
                return std::move(result_);
            }
            RowResult& row = result_.rows[i];
            row.path = files[i];
            processFile(i, row, schedule);
            if (result_.cancelled) {
                return std::move(result_);
            }
            observer_->rowDone(i, row, result_.total, result_.status);
        }
        observer_->progress(100);
        return std::move(result_);
    }

  private:
    bool cancelled() {
        if (cancel_ && cancel_->load(std::memory_order_relaxed)) {
            result_.cancelled = true;
        }
        return result_.cancelled;
    }

    void fail(std::size_t i, const std::string& path, std::string reason) {
        result_.failures.push_back(RunFailure{i, path, std::move(reason)});
    }

    void processFile(std::size_t i, RowResult& row, const ProgressSchedule& schedule) {
        const std::string& path = row.path;
        if (path.empty()) {
            row.skipped = SkipReason::EmptyPath;
            return;
        }
        const bool contents = request_.mode == ReplaceMode::Contents;
        if (contents && IstVerzeichnis(path)) {
            row.skipped = SkipReason::Folder;
            return;
        }
        if (!DateiExistiert(path)) {
            row.skipped = SkipReason::Missing;
            return;
        }
        PathParts parts;
        std::string text;
        bool readable = true;
        if (contents) {
            ReadOutcome read = readTextFile(path);
            readable = read.ok();
            if (!readable) {
                fail(i, path, "cannot be read: " + read.error);
            }
            text = std::move(read.text);
        } else {
            parts = PfadZerlegen(path);
            text = parts.name + parts.extension;
        }

        bool anyPairApplied = false;
        for (std::size_t j = 0; j < finds_.size(); ++j) {
            if (cancelled()) {
                return;
            }
            if (const auto percent = schedule.before(j, i)) {
                observer_->progress(*percent);
            }
            const std::string& find = finds_[j];
            if (find.empty()) {
                continue;
            }
            const std::int64_t found = AnzahlFundstellen(text, find);
            row.count += found;
            result_.total += found;
            if (found > 0 && find != replaces_[j]) {
                text = replaceAllOccurrences(text, find, replaces_[j]);
            }
            anyPairApplied = true;
            result_.status = request_.ausfuehren ? StatusKind::Done : StatusKind::Pending;
        }
        if (!request_.ausfuehren || !anyPairApplied) {
            return;
        }
        if (contents) {
            if (readable) {
                writeContents(i, path, text);
            }
        } else {
            renameTo(i, row, parts.folder, text);
        }
    }

    void writeContents(std::size_t i, const std::string& path, const std::string& text) {
        const WriteOutcome written = TextDateiSpeichern(text, path);
        if (!written.ok()) {
            fail(i, path, "cannot be written: " + written.error);
        }
    }

    void renameTo(std::size_t i, RowResult& row, const std::string& folder, const std::string& name) {
        if (std::string refused = refusedNameReason(name); !refused.empty()) {
            fail(i, row.path, "cannot be renamed: " + refused);
            return;
        }
        const std::string newPath = folder + name;
        if (newPath == row.path) {
            return;
        }
        if (std::string error = platform::renameNoReplace(row.path, newPath); !error.empty()) {
            fail(i, row.path, "cannot be renamed to \"" + name + "\": " + error);
            return;
        }
        row.path = newPath;
        row.renamed = true;
    }

    const RunRequest& request_;
    RunObserver silent_;
    RunObserver* observer_;
    const std::atomic<bool>* cancel_;
    std::vector<std::string> finds_;
    std::vector<std::string> replaces_;
    RunResult result_;
};

} // namespace

RunResult ErsetzenSimulieren(const RunRequest& request, RunObserver* observer,
                             const std::atomic<bool>* cancel) {
    return Run(request, observer, cancel).execute();
}

std::string statusLine(std::string_view message, std::int64_t total) {
    return std::string(message) + " " + std::to_string(total);
}

std::string mismatchText(std::string_view message, std::size_t findsUbound, std::size_t replacesUbound) {
    return std::string(message) + "\r\n" + std::to_string(findsUbound) + "\t" +
           std::to_string(replacesUbound);
}

} // namespace morvane
