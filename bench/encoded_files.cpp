#include "encoded_files.h"

#include "core/platform/text_file.h"
#include "core/run/run.h"
#include "core/text/text_encoding.h"
#include "corpus.h"
#include "process.h"
#include "timing.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace morvane::bench {

namespace {

namespace fs = std::filesystem;

struct Variant {
    const char* name;
    TextEncoding encoding;
    std::vector<std::string> files;
};

// The files' texts in the encoding, in a folder of their own, under the same names.
std::vector<std::string> writtenInEncoding(const std::vector<std::string>& files, const std::string& folder,
                                           TextEncoding encoding) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::vector<std::string> written;
    std::string contents;
    for (const std::string& path : files) {
        encodeText(readTextFile(path).text, encoding, contents);
        written.push_back(folder + "/" + fs::path(path).filename().string());
        std::ofstream(written.back(), std::ios::binary)
            .write(contents.data(), static_cast<std::streamsize>(contents.size()));
    }
    return written;
}

// The text a file holds, whatever its encoding; empty when it is none.
std::string textOf(const std::string& path) {
    const std::string contents = readTextFile(path).text;
    std::string text;
    return decodeText(contents, encodingOf(contents), text).empty() ? text : std::string();
}

void line(const char* what, double seconds, double megabytes = 0) {
    std::printf("  %-46s %7.3f s", what, seconds);
    if (megabytes > 0) {
        std::printf("  %7.0f MB/s", megabytes / seconds);
    }
    std::printf("\n");
    std::fflush(stdout);
}

// Executes on a copy of each variant's files; returns whether each file's text came out as the first
// variant's did.
bool printExecutes(const std::string& work, const std::vector<Variant>& variants) {
    std::vector<std::string> firstTexts;
    bool same = true;
    for (const Variant& variant : variants) {
        const std::string copy = work + "/encoded-execute";
        std::vector<double> times;
        std::vector<std::string> copies;
        for (int i = 0; i < 3; ++i) {
            fs::remove_all(copy);
            fs::create_directories(copy);
            copies.clear();
            for (const std::string& path : variant.files) {
                copies.push_back(copy + "/" + fs::path(path).filename().string());
                fs::copy_file(path, copies.back());
            }
            RunRequest request = benchmarkRequest(copies, 1);
            request.execute = true;
            times.push_back(secondsOf([&] { runPairs(request); }));
        }
        line((std::string("execute on a copy, 1 worker: ") + variant.name).c_str(), median(times));
        for (std::size_t k = 0; k < copies.size(); ++k) {
            if (firstTexts.size() < copies.size()) {
                firstTexts.push_back(textOf(copies[k]));
            } else {
                same = same && textOf(copies[k]) == firstTexts[k];
            }
        }
        fs::remove_all(copy);
    }
    return same;
}

// One large text as bytes (streamed) and as UTF-16 (read whole, so no larger than 256 MiB), through the
// runner with the pairs. No peak memory: a child's counts what this process held when it forked.
void printLargeFile(const std::string& work) {
    const std::string bytes = ensureLargeFile(work + "/encoded-64mb", 60'000'000);
    const std::string utf16 =
        writtenInEncoding({bytes}, work + "/encoded-large-utf16", TextEncoding::Utf16Le)[0];
    const double megabytes = static_cast<double>(fs::file_size(utf16)) / 1e6;
    const std::string output = work + "/encoded-output.txt";
    for (const auto& [what, file] :
         {std::pair{"bytes, streamed", bytes}, std::pair{"UTF-16 LE, read whole", utf16}}) {
        std::vector<std::string> arguments{MORVANE_CLI_PATH, "--app-dir", work + "/encoded-app", "simulate"};
        for (const auto& [find, replace] : benchmarkPairs()) {
            arguments.insert(arguments.end(), {"--pair", inNotation(find), inNotation(replace)});
        }
        arguments.insert(arguments.end(), {"--", file});
        std::vector<double> times;
        std::int64_t total = 0;
        for (int i = 0; i < 3; ++i) {
            const ProcessOutcome outcome = runProcess(arguments, output);
            times.push_back(outcome.seconds);
            total = runnerTotalOf(outcome.out);
        }
        std::printf("  morvane-cli simulate, %-24s %7.3f s  total %lld  (%.0f MB)\n", what, median(times),
                    static_cast<long long>(total), static_cast<double>(fs::file_size(file)) / 1e6);
    }
    const std::string contents = readTextFile(utf16).text;
    std::string text;
    line("decode the UTF-16 LE file alone",
         medianSeconds(3, [&] { decodeText(contents, TextEncoding::Utf16Le, text); }), megabytes);
    std::string back;
    line("encode it back alone", medianSeconds(3, [&] { encodeText(text, TextEncoding::Utf16Le, back); }),
         megabytes);
    fs::remove_all(work + "/encoded-large-utf16");
}

} // namespace

bool printEncodedFileFigures(const std::string& work) {
    const Corpus corpus = ensureTextCorpus(work + "/text-corpus", 1000, 100'000'000);
    std::printf("Files with a byte-order mark: the corpus of %zu files, %.1f MB as bytes, %zu pairs\n",
                corpus.files.size(), static_cast<double>(corpus.bytes) / 1e6, benchmarkPairs().size());
    printLargeFile(work);
    std::vector<Variant> variants{
        {"bytes", TextEncoding::Bytes, corpus.files},
        {"UTF-8 with BOM", TextEncoding::Utf8WithMark,
         writtenInEncoding(corpus.files, work + "/encoded-utf8", TextEncoding::Utf8WithMark)},
        {"UTF-16 LE", TextEncoding::Utf16Le,
         writtenInEncoding(corpus.files, work + "/encoded-utf16", TextEncoding::Utf16Le)},
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::int64_t> totals;
    for (const Variant& variant : variants) {
        for (const unsigned workers : {1u, 0u}) {
            std::int64_t total = 0;
            const double seconds =
                medianSeconds(5, [&] { total = runPairs(benchmarkRequest(variant.files, workers)).total; });
            const std::string what =
                std::string("simulate, ") + (workers ? "1 worker" : "all workers") + ": " + variant.name;
            line(what.c_str(), seconds);
            totals.push_back(total);
        }
    }
    const bool sameText = printExecutes(work, variants);
    bool sameCounts = true;
    for (const std::int64_t total : totals) {
        sameCounts = sameCounts && total == totals[0];
    }
    std::printf("\n  %u cores; counts %s, texts after execute %s\n", cores,
                sameCounts ? "all the same" : "DIFFER", sameText ? "all the same" : "DIFFER");
    fs::remove_all(work + "/encoded-utf8");
    fs::remove_all(work + "/encoded-utf16");
    return sameCounts && sameText;
}

} // namespace morvane::bench
