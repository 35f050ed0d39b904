// The pairs over a text cut into ranges give what they give the whole: the cut rule over the plain pairs,
// and runs that share one file between threads against runs on one thread, the file read whole and streamed.
#include "core/run/range_cuts.h"
#include "fuzz_check.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

namespace {

using morvane::fuzz::Chained;
using morvane::fuzz::referenceChain;

void checkCutRule(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                  const std::string& text, std::size_t rangeBytes) {
    const morvane::RangeCuts cuts(finds, replaces, {});
    const Chained whole = referenceChain(text, finds, replaces, {}, false);
    Chained joined;
    std::size_t start = 0;
    for (const std::size_t end : morvane::rangeEnds(text, cuts, rangeBytes)) {
        FUZZ_CHECK(end > start || end == text.size());
        FUZZ_CHECK(end == text.size() || cuts.cutsAfter(text[end - 1]));
        const Chained piece = referenceChain(text.substr(start, end - start), finds, replaces, {}, false);
        joined.count += piece.count;
        joined.text += piece.text;
        start = end;
    }
    FUZZ_CHECK(start == text.size() && joined.count == whole.count && joined.text == whole.text);
}

// One thread against two: the same counts, failures and bytes left.
void checkSharedRun(morvane::RunRequest request, const std::string& text) {
    request.workers = 1;
    morvane::RunRequest shared = request;
    shared.workers = 2;
    morvane::fuzz::checkRunsAgree(text, request, shared);
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
    morvane::fuzz::keepPairsWithinGrowth(text, request, false);

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
