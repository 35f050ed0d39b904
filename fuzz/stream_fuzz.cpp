#include "core/text/occurrences.h"
#include "core/text/stream_chain.h"
#include "fuzz_check.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <vector>

namespace {

using morvane::fuzz::Chained;

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

// The pairs over the text held whole, as a run over a file does it.
Chained applyWhole(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                   std::string text, bool simulate) {
    std::size_t last = finds.size();
    for (std::size_t j = 0; j < finds.size(); ++j) {
        last = finds[j].empty() ? last : j;
    }
    Chained whole;
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
Chained applyStreamed(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                      const std::string& text, const std::vector<std::size_t>& sizes, bool simulate) {
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
    FUZZ_CHECK(simulate || chain.changed() || sink.bytes == text);
    return {chain.count(), std::move(sink.bytes)};
}

// A run that streams the file counts and writes what a run that reads it whole does; a text with a UTF-16
// mark that is no UTF-16 fails alike both ways.
void checkStreamedRun(const std::string& text, const std::vector<std::string>& finds,
                      const std::vector<std::string>& replaces, std::size_t blockBytes) {
    const morvane::RunRequest whole{.finds = finds,
                                    .replaces = replaces,
                                    .workers = 1,
                                    .streamedFileBytes = UINT64_MAX,
                                    .streamBlockBytes = blockBytes};
    morvane::RunRequest streamed = whole;
    streamed.streamedFileBytes = 0;
    morvane::fuzz::checkRunsAgree(text, whole, streamed);
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
    morvane::RunRequest plain;
    morvane::fuzz::consumePairs(input, 4, 12, plain.finds, plain.replaces);
    std::vector<std::size_t> sizes(input.ConsumeIntegralInRange<std::size_t>(1, 4));
    for (std::size_t& blockSize : sizes) {
        blockSize = input.ConsumeIntegralInRange<std::size_t>(0, 40);
    }
    sizes[0] = std::max<std::size_t>(sizes[0], 1);
    const std::string text = input.ConsumeRemainingBytesAsString();

    checkMarkedContentsRoundTrip(text);
    // The pairs, then as many pairs as a glossary: the whole text is scanned once for all of them, the stream
    // pair by pair.
    morvane::RunRequest glossary;
    morvane::fuzz::appendPairsFromText(text, glossary.finds, glossary.replaces);
    for (morvane::RunRequest pairs : {plain, glossary}) {
        morvane::fuzz::keepPairsWithinGrowth(text, pairs, false);
        for (const bool simulate : {false, true}) {
            const Chained whole = applyWhole(pairs.finds, pairs.replaces, text, simulate);
            const Chained streamed = applyStreamed(pairs.finds, pairs.replaces, text, sizes, simulate);
            FUZZ_CHECK(streamed.count == whole.count);
            // A simulate run's last pair only counts: nothing reaches the sink unless no pair has a find
            // text.
            FUZZ_CHECK(simulate ? streamed.text.empty() || streamed.text == text
                                : streamed.text == whole.text);
        }
        checkStreamedRun(text, pairs.finds, pairs.replaces, sizes[0]);
    }
    return 0;
}
