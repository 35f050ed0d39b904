// The pairs over a text cut into ranges give what they give the whole: the cut rule over the plain pairs,
// and runs that share one file between threads against runs on one thread, the file read whole and streamed.
#include "core/run/range_cuts.h"
#include "core/run/run.h"
#include "fuzz_check.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

namespace {

struct Chained {
    long long count = 0;
    std::string text;
};

// The plain pairs in turn over the text, the plain way.
Chained chainPlainly(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                     std::string text) {
    Chained chained;
    for (std::size_t j = 0; j < finds.size(); ++j) {
        chained.count += morvane::fuzz::referenceCount(text, finds[j]);
        text = morvane::fuzz::referenceReplace(text, finds[j], replaces[j]);
    }
    chained.text = std::move(text);
    return chained;
}

void checkCutRule(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                  const std::string& text, std::size_t rangeBytes) {
    const morvane::RangeCuts cuts(finds, replaces, {});
    const Chained whole = chainPlainly(finds, replaces, text);
    Chained joined;
    std::size_t start = 0;
    for (const std::size_t end : morvane::rangeEnds(text, cuts, rangeBytes)) {
        FUZZ_CHECK(end > start || end == text.size());
        FUZZ_CHECK(end == text.size() || cuts.cutsAfter(text[end - 1]));
        const Chained piece = chainPlainly(finds, replaces, text.substr(start, end - start));
        joined.count += piece.count;
        joined.text += piece.text;
        start = end;
    }
    FUZZ_CHECK(start == text.size() && joined.count == whole.count && joined.text == whole.text);
}

morvane::RunResult runOnFile(morvane::RunRequest request, const std::string& path, unsigned workers) {
    request.files = {path};
    request.workers = workers;
    return morvane::runPairs(request);
}

// One thread against two, simulating and executing: the same counts, failures and bytes left.
void checkSharedRun(morvane::RunRequest request, const std::string& text) {
    for (const bool execute : {false, true}) {
        request.execute = execute;
        const std::string alone = morvane::fuzz::scratch().write("alone.txt", text);
        const std::string shared = morvane::fuzz::scratch().write("shared.txt", text);
        const morvane::RunResult a = runOnFile(request, alone, 1);
        const morvane::RunResult b = runOnFile(request, shared, 2);
        FUZZ_CHECK(a.failures.size() == b.failures.size() && a.rows.size() == 1 && b.rows.size() == 1);
        FUZZ_CHECK(a.failures.empty() || a.failures[0].reason == b.failures[0].reason);
        FUZZ_CHECK(a.rows[0].count == b.rows[0].count && a.status == b.status);
        FUZZ_CHECK(morvane::testing::readBytes(alone) == morvane::testing::readBytes(shared));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    morvane::RunRequest request;
    morvane::fuzz::consumePairs(input, 4, 8, request.finds, request.replaces);
    bool plain = true;
    for (std::size_t j = 0; j < request.finds.size(); ++j) {
        const auto options = input.ConsumeIntegral<std::uint8_t>();
        request.options.push_back({(options & 1) != 0, (options & 2) != 0, false});
        plain = plain && request.options.back().isPlain();
    }
    // A streamed file's ranges are sixteen blocks long, a text's held whole four.
    const std::size_t blockBytes = input.ConsumeIntegralInRange<std::size_t>(1, 4);
    const std::string text = input.ConsumeRemainingBytesAsString();

    // The notation is expanded before the rule sees the pairs; these are taken as they are.
    checkCutRule(request.finds, request.replaces, text, blockBytes);
    request.streamBlockBytes = blockBytes;
    request.streamedFileBytes = UINT64_MAX;
    checkSharedRun(request, text);
    // A run with options reads every file whole.
    if (plain) {
        request.streamedFileBytes = 0;
        checkSharedRun(request, text);
    }
    return 0;
}
