// Every text the run shows a user: why a row was passed over or failed, the status line and the box for
// pair columns of different lengths.
#include "core/run/run_texts.h"

#include "core/run/row_work.h"
#include "core/run/run.h"

namespace morvane {

std::string noMemoryForFileText() {
    return "not enough memory to hold the file";
}

std::string tooLargeForOptionPairsText() {
    return "larger than " + std::to_string(kOptionPairFileBytes >> 20) +
           " MiB, the most a run with pairs that ignore case, match whole words or are patterns reads";
}

std::string tooLargeForUtf16Text() {
    return "UTF-16 text larger than " + std::to_string(kOptionPairFileBytes >> 20) +
           " MiB, the most a run reads of a UTF-16 file";
}

std::string skipReasonText(SkipReason reason, ReplaceMode mode) {
    switch (reason) {
    case SkipReason::EmptyPath:
        return "empty path";
    case SkipReason::Missing:
        return "no such file or folder";
    case SkipReason::Folder:
        return mode == ReplaceMode::Contents ? "is a folder; contents mode reads files only" : "is a folder";
    case SkipReason::None:
        break;
    }
    return {};
}

std::string statusLine(std::string_view message, std::int64_t total) {
    return std::string(message) + " " + std::to_string(total);
}

std::string mismatchText(std::string_view message, std::size_t findsUbound, std::size_t replacesUbound) {
    return std::string(message) + "\r\n" + std::to_string(findsUbound) + "\t" +
           std::to_string(replacesUbound);
}

} // namespace morvane
