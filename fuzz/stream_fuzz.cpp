#include "core/run/run.h"
#include "core/text/occurrences.h"
#include "core/text/stream_chain.h"
#include "core/text/text_encoding.h"
#include "fuzz_check.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

namespace {

struct Collected : morvane::ChainSink {
    std::string bytes;
    bool changedSeen = false; // a piece came after the chain said it changed something
    const morvane::StreamChain* chain = nullptr;
    std::string input;
    void take(std::string_view piece) override {
        // Until the chain says it changed something, the sink has taken the input itself.
        if (!chain->changed()) {
            FUZZ_CHECK(!changedSeen && input.compare(bytes.size(), piece.size(), piece) == 0);
        } else {
            changedSeen = true;
        }
        bytes.append(piece);
    }
};

struct WholeText {
    long long count = 0;
    std::string text;
};

// The pairs over the text held whole, as a run over a file does it.
WholeText applyWhole(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                     std::string text, bool simulate) {
    std::size_t last = finds.size();
    for (std::size_t j = 0; j < finds.size(); ++j) {
        last = finds[j].empty() ? last : j;
    }
    WholeText whole;
    for (std::size_t j = 0; j < finds.size(); ++j) {
        if (finds[j].empty()) {
            continue;
        }
        whole.count += (simulate && j == last) || finds[j] == replaces[j]
                           ? morvane::countOccurrences(text, finds[j])
                           : morvane::replaceInPlace(text, finds[j], replaces[j]);
    }
    whole.text = std::move(text);
    return whole;
}

// The text cut into blocks of the given sizes in turn, an empty block included where a size is 0.
Collected applyStreamed(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                        const std::string& text, const std::vector<std::size_t>& sizes, bool simulate,
                        long long& count) {
    morvane::StreamChain chain(finds, replaces, simulate);
    Collected sink;
    sink.chain = &chain;
    sink.input = text;
    std::size_t at = 0;
    for (std::size_t i = 0; at < text.size(); ++i) {
        const std::size_t size = sizes[i % sizes.size()];
        chain.feed(std::string_view(text).substr(at, size), sink);
        at += size;
    }
    chain.finish(sink);
    count = chain.count();
    FUZZ_CHECK(simulate || chain.changed() || sink.bytes == text);
    return sink;
}

morvane::RunResult runOnFile(morvane::RunRequest request, const std::string& path, bool execute,
                             bool streamed, std::size_t blockBytes) {
    request.files = {path};
    request.execute = execute;
    request.workers = 1;
    request.streamedFileBytes = streamed ? 0 : UINT64_MAX;
    request.streamBlockBytes = blockBytes;
    return morvane::runPairs(request);
}

// A run that streams the file counts and writes what a run that reads it whole does.
void checkStreamedRun(const std::string& text, const std::vector<std::string>& finds,
                      const std::vector<std::string>& replaces, std::size_t blockBytes) {
    morvane::RunRequest pairs;
    pairs.finds = finds;
    pairs.replaces = replaces;
    const std::string whole = morvane::fuzz::scratch().write("whole.txt", text);
    const std::string streamed = morvane::fuzz::scratch().write("streamed.txt", text);
    for (const bool execute : {false, true}) {
        const morvane::RunResult a = runOnFile(pairs, whole, execute, false, blockBytes);
        const morvane::RunResult b = runOnFile(pairs, streamed, execute, true, blockBytes);
        // A text with a UTF-16 mark that is no UTF-16 fails alike both ways.
        FUZZ_CHECK(a.failures.size() == b.failures.size() && a.rows.size() == 1 && b.rows.size() == 1);
        FUZZ_CHECK(a.failures.empty() || a.failures[0].reason == b.failures[0].reason);
        FUZZ_CHECK(a.rows[0].count == b.rows[0].count && a.status == b.status);
        FUZZ_CHECK(morvane::testing::readBytes(whole) == morvane::testing::readBytes(streamed));
    }
}

// Behind each mark, the bytes that are text in its encoding encode back to the same bytes.
void checkMarkedContentsRoundTrip(const std::string& text) {
    for (const std::string_view mark : {"\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"}) {
        const std::string contents = std::string(mark) + text;
        const morvane::TextEncoding encoding = morvane::encodingOf(contents);
        std::string decoded;
        std::string back;
        if (morvane::decodeText(contents, encoding, decoded).empty()) {
            FUZZ_CHECK(morvane::encodeText(decoded, encoding, back).empty() && back == contents);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<std::string> finds;
    std::vector<std::string> replaces;
    morvane::fuzz::consumePairs(input, 4, 12, finds, replaces);
    std::vector<std::size_t> sizes(input.ConsumeIntegralInRange<std::size_t>(1, 4));
    for (std::size_t& blockSize : sizes) {
        blockSize = input.ConsumeIntegralInRange<std::size_t>(0, 40);
    }
    sizes[0] = std::max<std::size_t>(sizes[0], 1);
    const std::string text = input.ConsumeRemainingBytesAsString();

    for (const bool simulate : {false, true}) {
        const WholeText whole = applyWhole(finds, replaces, text, simulate);
        long long count = 0;
        const Collected streamed = applyStreamed(finds, replaces, text, sizes, simulate, count);
        FUZZ_CHECK(count == whole.count);
        // A simulate run's last pair only counts: nothing reaches the sink unless no pair has a find text.
        FUZZ_CHECK(simulate ? streamed.bytes.empty() || streamed.bytes == text
                            : streamed.bytes == whole.text);
    }
    checkStreamedRun(text, finds, replaces, sizes[0]);
    checkMarkedContentsRoundTrip(text);
    // As many pairs as a glossary: the whole text is scanned once for all of them, the stream pair by pair.
    std::vector<std::string> glossaryFinds;
    std::vector<std::string> glossaryReplaces;
    morvane::fuzz::appendPairsFromText(text, glossaryFinds, glossaryReplaces);
    const WholeText whole = applyWhole(glossaryFinds, glossaryReplaces, text, false);
    long long count = 0;
    FUZZ_CHECK(applyStreamed(glossaryFinds, glossaryReplaces, text, sizes, false, count).bytes == whole.text);
    FUZZ_CHECK(count == whole.count);
    checkStreamedRun(text, glossaryFinds, glossaryReplaces, sizes[0]);
    return 0;
}
