#include "core/run/contents_diff.h"
#include "core/text/pair_matcher.h"
#include "fuzz_check.h"

#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <re2/re2.h>
#include <string>
#include <vector>

namespace {

using morvane::PairOptions;

// A replacement whose groups RE2's own rewrite can say as well: no notation, no named groups, no group number
// of more than one digit.
std::string withSimpleGroups(const std::string& typed) {
    std::string simple;
    for (const char c : typed) {
        const bool digitAfterDigit =
            c >= '0' && c <= '9' && !simple.empty() && simple.back() >= '0' && simple.back() <= '9';
        if (c != '^' && c != '{' && !digitAfterDigit) {
            simple += c;
        }
    }
    return simple;
}

// The replacement as RE2's rewrite: \n for group n, \\ for a backslash; a group the pattern lacks is nothing.
std::string rewriteOf(const std::string& replacement, int groups) {
    std::string rewrite;
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        const char c = replacement[i];
        const char next = i + 1 < replacement.size() ? replacement[i + 1] : '\0';
        if (c == '$' && next == '$') {
            rewrite += '$';
            ++i;
        } else if (c == '$' && next >= '0' && next <= '9') {
            if (next - '0' <= groups) {
                rewrite += {'\\', next};
            }
            ++i;
        } else if (c == '\\') {
            rewrite += "\\\\";
        } else {
            rewrite += c;
        }
    }
    return rewrite;
}

// A pattern pair the way RE2's global replace does it, over the whole text, UTF-8 where the text and the
// pattern are.
long long referencePattern(std::string& text, const std::string& pattern, const std::string& replacement,
                           bool ignoreCase) {
    const auto compiled = [&](bool utf8) {
        RE2::Options options;
        options.set_log_errors(false);
        options.set_case_sensitive(!ignoreCase);
        options.set_max_mem(std::int64_t{64} << 20);
        options.set_encoding(utf8 ? RE2::Options::EncodingUTF8 : RE2::Options::EncodingLatin1);
        return std::make_unique<RE2>(pattern, options);
    };
    std::unique_ptr<RE2> re = compiled(false);
    if (morvane::isValidUtf8(pattern) && (morvane::isValidUtf8(text) || !re->ok())) {
        re = compiled(true);
    }
    FUZZ_CHECK(re->ok());
    return RE2::GlobalReplace(&text, *re, rewriteOf(replacement, re->NumberOfCapturingGroups()));
}

// The pairs in turn over the whole text; a whole-word pattern by its matcher, checked elsewhere against its
// table.
long long applyReference(const morvane::RunRequest& chain, std::string& text) {
    long long count = 0;
    for (std::size_t j = 0; j < chain.finds.size(); ++j) {
        const std::string& find = chain.finds[j];
        const PairOptions options = chain.options[j];
        if (find.empty()) {
            continue;
        }
        if (options.pattern && !options.wholeWord) {
            count += referencePattern(text, find, chain.replaces[j], options.ignoreCase);
        } else if (options.pattern) {
            count += morvane::PairMatcher(find, chain.replaces[j], options).replace(text);
        } else {
            const morvane::fuzz::Chained one =
                morvane::fuzz::referenceChain(text, {find}, {chain.replaces[j]}, {options}, false);
            count += one.count;
            text = one.text;
        }
    }
    return count;
}

} // namespace

// Pairs with random options, patterns among them, chained over a random text: the run, with a random
// streaming threshold and block size, and the diff give the count and the bytes of the reference.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    morvane::RunRequest request;
    morvane::fuzz::consumePairs(input, 3, 10, request.finds, request.replaces);
    for (std::size_t j = 0; j < request.finds.size(); ++j) {
        const std::uint8_t bits = input.ConsumeIntegral<std::uint8_t>();
        PairOptions options{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
        // The notation is the literal engine's; the reference reads neither it nor named groups.
        for (char& c : request.finds[j]) {
            c = c == '^' ? '~' : c;
        }
        request.replaces[j] = withSimpleGroups(request.replaces[j]);
        if (!morvane::patternError(request.finds[j], options).empty()) {
            options.pattern = false;
        }
        request.options.push_back(options);
    }
    const bool streamedIfPlain = input.ConsumeBool();
    const std::size_t blockBytes = input.ConsumeIntegralInRange<std::size_t>(1, 16);
    const std::string text = input.ConsumeRemainingBytesAsString();
    // Contents behind a byte-order mark are matched decoded, which the references do not do; the stream
    // target checks those.
    if (morvane::encodingOf(text) != morvane::TextEncoding::Bytes) {
        return 0;
    }

    std::string expected = text;
    const long long count = applyReference(request, expected);

    const morvane::TrackedReplacement tracked =
        morvane::replaceTracked(text, request.finds, request.replaces, request.options);
    FUZZ_CHECK(tracked.count == count && tracked.newText == expected);

    const std::string path = morvane::fuzz::scratch().write("match.txt", text);
    request.files = {path};
    request.workers = 1;
    request.streamedFileBytes = streamedIfPlain ? 0 : UINT64_MAX;
    request.streamBlockBytes = blockBytes;
    const morvane::RunResult simulated = morvane::runPairs(request);
    request.execute = true;
    const morvane::RunResult executed = morvane::runPairs(request);
    FUZZ_CHECK(simulated.failures.empty() && executed.failures.empty());
    FUZZ_CHECK(simulated.total == count && executed.total == count);
    FUZZ_CHECK(morvane::testing::readBytes(path) == expected);
    return 0;
}
