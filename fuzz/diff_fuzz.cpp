#include "core/run/contents_diff.h"
#include "fuzz_check.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

// Applies the hunks the way patch does: the context and removed lines must be the old text's lines where the
// hunk says, in order; what lies between hunks is copied.
std::string applyHunks(std::string_view oldText, std::string_view newText,
                       const std::vector<morvane::Hunk>& hunks) {
    std::string out;
    std::size_t position = 0;
    std::size_t line = 1;
    const auto skipTo = [&](std::size_t end) {
        for (std::size_t i = position; i < end; ++i) {
            line += oldText[i] == '\n' ? 1 : 0;
        }
        position = end;
    };
    for (const morvane::Hunk& hunk : hunks) {
        bool first = true;
        for (const morvane::HunkLine& line_ : hunk.lines) {
            const std::string_view bytes =
                (line_.kind == morvane::LineKind::Added ? newText : oldText)
                    .substr(line_.bytes.begin, line_.bytes.end - line_.bytes.begin);
            FUZZ_CHECK(!bytes.empty() &&
                       (bytes.find('\n') == bytes.size() - 1 || bytes.find('\n') == bytes.npos));
            for (const morvane::ByteSpan& changed : line_.changed) {
                FUZZ_CHECK(line_.bytes.begin <= changed.begin && changed.begin < changed.end &&
                           changed.end <= line_.bytes.end);
            }
            if (line_.kind == morvane::LineKind::Added) {
                out.append(bytes);
                continue;
            }
            FUZZ_CHECK(line_.bytes.begin >= position);
            out.append(oldText.substr(position, line_.bytes.begin - position));
            skipTo(line_.bytes.begin);
            if (first) {
                FUZZ_CHECK(hunk.oldFirst == line);
                first = false;
            }
            if (line_.kind == morvane::LineKind::Context) {
                out.append(bytes);
            }
            skipTo(line_.bytes.end);
        }
    }
    out.append(oldText.substr(position));
    return out;
}

} // namespace

// The changes lead from the text to what the pairs make of it, applied one after the other the plain way, and
// the hunks applied to the text give the same.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    morvane::RunRequest pairs;
    morvane::fuzz::consumePairs(input, 4, 8, pairs.finds, pairs.replaces);
    const std::string text = input.ConsumeRemainingBytesAsString();
    const morvane::fuzz::Chained expected = morvane::fuzz::keepPairsWithinGrowth(text, pairs, true);

    const morvane::ContentsDiff diff = morvane::diffContents(text, pairs.finds, pairs.replaces);
    FUZZ_CHECK(diff.replacement.error.empty() && !diff.replacement.cancelled && !diff.more);
    FUZZ_CHECK(diff.replacement.newText == expected.text && diff.replacement.count == expected.count);
    FUZZ_CHECK(diff.hunks.empty() == (text == expected.text));
    FUZZ_CHECK(applyHunks(text, expected.text, diff.hunks) == expected.text);
    return 0;
}
