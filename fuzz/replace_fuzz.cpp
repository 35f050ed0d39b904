#include "core/text/find_set.h"
#include "core/text/occurrences.h"
#include "fuzz_check.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

using morvane::fuzz::referenceCount;
using morvane::testing::plainReplace;

void checkInMemory(std::string_view text, std::string_view find, std::string_view replacement) {
    const long long expectedCount = referenceCount(text, find);
    FUZZ_CHECK(morvane::countOccurrences(text, find) == expectedCount);

    std::string replaced(text);
    FUZZ_CHECK(morvane::replaceInPlace(replaced, find, replacement) == expectedCount);
    FUZZ_CHECK(replaced == plainReplace(text, find, replacement));
    FUZZ_CHECK(morvane::replaceAllOccurrences(text, find, replacement) ==
               plainReplace(text, find, replacement));
}

std::string asciiLowered(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 'a' - 'A') : c;
    }
    return lowered;
}

// The find texts found in one pass are exactly those that occur; folding ASCII letters, in either case.
void checkFindSet(std::string_view text, const std::vector<std::string>& finds) {
    for (const bool folding : {false, true}) {
        const morvane::FindSet set(finds, folding);
        FUZZ_CHECK(set.usable());
        std::vector<char> present;
        set.occurring(text, present);
        FUZZ_CHECK(present.size() == finds.size());
        for (std::size_t j = 0; j < finds.size(); ++j) {
            const long long count = folding ? referenceCount(asciiLowered(text), asciiLowered(finds[j]))
                                            : referenceCount(text, finds[j]);
            FUZZ_CHECK((present[j] != 0) == (count > 0));
        }
    }
}

// Simulating changes nothing, simulating and executing count the same, and executing writes what the pairs
// give when applied one after the other. Contents behind a byte-order mark are matched decoded, which the
// reference does not do; the stream target checks those.
void checkRunOnFile(const std::string& text, const morvane::RunRequest& pairs) {
    if (morvane::encodingOf(text) != morvane::TextEncoding::Bytes) {
        return;
    }
    morvane::RunRequest request = pairs;
    const morvane::fuzz::Chained expected = morvane::fuzz::keepPairsWithinGrowth(text, request, true);
    request.files = {morvane::fuzz::scratch().write("file.txt", text)};
    request.workers = 1;

    const morvane::RunResult simulated = morvane::runPairs(request);
    FUZZ_CHECK(simulated.failures.empty() && simulated.rows.size() == 1);
    FUZZ_CHECK(simulated.total == expected.count && simulated.rows[0].count == expected.count);
    FUZZ_CHECK(morvane::testing::readBytes(request.files[0]) == text);

    request.execute = true;
    const morvane::RunResult executed = morvane::runPairs(request);
    FUZZ_CHECK(executed.failures.empty() && executed.total == simulated.total);
    FUZZ_CHECK(morvane::testing::readBytes(request.files[0]) == expected.text);
}

// The pairs again, some of them ignoring case, matching whole words or both, told by their find texts'
// lengths and first bytes, so that one scan serves pairs of every kind in one chain.
morvane::RunRequest withOptions(morvane::RunRequest pairs) {
    for (std::size_t j = 0; j < pairs.finds.size(); ++j) {
        const std::string& find = pairs.finds[j];
        const unsigned bits =
            static_cast<unsigned>(find.size() + j / 3) + (find.empty() ? 0u : find[0] & 0xFFu);
        pairs.options.push_back({(bits & 1) != 0, (bits & 2) != 0, false});
    }
    return pairs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    morvane::RunRequest pairs;
    morvane::fuzz::consumePairs(input, 3, 16, pairs.finds, pairs.replaces);
    const std::string text = input.ConsumeRemainingBytesAsString();

    checkInMemory(text, pairs.finds[0], pairs.replaces[0]);
    checkRunOnFile(text, pairs);
    // Enough pairs for a run to find first which of them occur, and to skip the rest: the pairs again and
    // again, each round putting back or building on what the one before did.
    morvane::RunRequest many;
    while (many.finds.size() < 18) {
        many.finds.insert(many.finds.end(), pairs.finds.begin(), pairs.finds.end());
        many.replaces.insert(many.replaces.end(), pairs.replaces.begin(), pairs.replaces.end());
        many.finds.insert(many.finds.end(), pairs.replaces.begin(), pairs.replaces.end());
        many.replaces.insert(many.replaces.end(), pairs.finds.begin(), pairs.finds.end());
    }
    checkRunOnFile(text, many);
    // Padded, the text is long enough that the run scans only around each replacement for the later pairs
    // it can make occur.
    const std::string padding(96, ' ');
    checkRunOnFile(padding + text + padding, many);
    checkFindSet(text, many.finds);
    checkFindSet(padding + text + padding + text, many.finds);
    // As many pairs as a glossary, found in one scan of the text.
    morvane::RunRequest glossary;
    morvane::fuzz::appendPairsFromText(text, glossary.finds, glossary.replaces);
    checkRunOnFile(text, glossary);
    // The same chains with some pairs ignoring case, matching whole words or both.
    checkRunOnFile(text, withOptions(many));
    checkRunOnFile(padding + text + padding, withOptions(many));
    checkRunOnFile(text, withOptions(glossary));
    return 0;
}
