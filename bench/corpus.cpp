#include "corpus.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace morvane::bench {

namespace {

namespace fs = std::filesystem;

const char* const kWords[] = {
    "the",     "and",    "of",       "to",     "in",      "is",       "that",    "for",     "it",
    "as",      "was",    "with",     "be",     "by",      "on",       "not",     "he",      "this",
    "are",     "or",     "his",      "from",   "at",      "which",    "but",     "have",    "an",
    "had",     "they",   "you",      "were",   "their",   "one",      "all",     "we",      "can",
    "her",     "has",    "there",    "been",   "if",      "more",     "when",    "will",    "would",
    "who",     "so",     "no",       "colour", "centre",  "report",   "archive", "version", "config",
    "setting", "old",    "new",      "banana", "aaa",     "error",    "value",   "number",  "string",
    "file",    "folder", "document", "system", "program", "function", "data"};

std::string stampFor(int files, std::uint64_t totalBytes) {
    return "morvane text corpus v1 " + std::to_string(files) + " " + std::to_string(totalBytes);
}

std::string readStamp(const fs::path& stamp) {
    std::ifstream in(stamp);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string generateText(std::mt19937_64& random, std::uint64_t size) {
    std::string text;
    text.reserve(size + 64);
    int wordsInLine = 0;
    while (text.size() < size) {
        text += kWords[random() % std::size(kWords)];
        if (++wordsInLine == 12) {
            text += "\r\n";
            wordsInLine = 0;
        } else {
            text += ' ';
        }
    }
    return text;
}

const char* const kIdentifiers[] = {
    "get_value", "Get_Value", "set_value", "get_config", "get_device", "buffer_len", "mutex_lock",
    "mutex_unlock", "spin_lock", "printk", "PRINTK", "kmalloc", "kfree", "NULL", "null", "config", "Config",
    "CONFIG_NET", "dev_err", "return", "Return", "dev", "device", "tmp_dev", "ret", "len", "length", "buf",
    "buffer", "err", "error", "val", "value", "ptr", "idx", "cnt", "tmp", "u8", "u16", "u32", "u64",
    "unsigned", "int", "if", "for", "struct", "list", "count", "flags", "data", "size", "TODO", "FIXME",
    // Split so that the e is not read as part of the escape.
    ("gr\xc3\xb6\xc3\x9f"
     "e"),
    "caf\xc3\xa9"};
const char* const kSeparators[] = {" ", ", ", "(", ") ", "->", " = ", " *", "; ", "."};

// A token a pattern looks for that no fixed list holds: numbers in several forms and picture names.
std::string numberToken(std::mt19937_64& random) {
    char token[32];
    const unsigned n = static_cast<unsigned>(random() % 10000);
    switch (random() % 4) {
    case 0:
        std::snprintf(token, sizeof token, "0x%08x", n * 2654435761u);
        break;
    case 1:
        std::snprintf(token, sizeof token, "IMG_%04u.JPG", n);
        break;
    case 2:
        std::snprintf(token, sizeof token, "%u%sms", n % 1000, random() % 2 ? " " : "");
        break;
    default:
        std::snprintf(token, sizeof token, "%u", n);
    }
    return token;
}

std::string generateCode(std::mt19937_64& random, std::uint64_t size) {
    std::string text;
    text.reserve(size + 256);
    while (text.size() < size) {
        const auto start = random() % 8;
        text += start == 0 ? "#define " : start == 1 ? "struct list *" : "\t";
        const auto tokens = 6 + random() % 9;
        for (std::uint64_t t = 0; t < tokens; ++t) {
            text +=
                random() % 8 == 0 ? numberToken(random) : kIdentifiers[random() % std::size(kIdentifiers)];
            text += kSeparators[random() % std::size(kSeparators)];
        }
        text += ";\n";
    }
    return text;
}

// Files of generated text with sizes from a tenth of the average to nearly twice it, so that workers get
// unequal shares; written once and reused while the stamp says the folder holds this corpus.
Corpus ensureGeneratedCorpus(const std::string& folder, const std::string& stampText, std::uint64_t seed,
                             const std::string& namePrefix, const std::string& extension, int files,
                             std::uint64_t totalBytes,
                             std::string (*generate)(std::mt19937_64&, std::uint64_t)) {
    const fs::path root(folder);
    const fs::path stamp = root / "corpus.stamp";
    const bool present = readStamp(stamp) == stampText;
    if (!present) {
        fs::remove_all(root);
        fs::create_directories(root);
    }
    std::mt19937_64 random(seed);
    Corpus corpus;
    const std::uint64_t average = totalBytes / static_cast<std::uint64_t>(files);
    for (int i = 0; i < files; ++i) {
        const std::uint64_t size = average / 10 + random() % (average * 19 / 10);
        const fs::path path = root / (namePrefix + std::to_string(i) + extension);
        if (!present) {
            const std::string text = generate(random, size);
            std::ofstream(path, std::ios::binary)
                .write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        corpus.files.push_back(path.string());
        const std::uint64_t written = fs::file_size(path);
        corpus.bytes += written;
        corpus.largestFile = std::max(corpus.largestFile, written);
    }
    if (!present) {
        std::ofstream(stamp) << stampText << '\n';
    }
    return corpus;
}

} // namespace

Corpus ensureTextCorpus(const std::string& folder, int files, std::uint64_t totalBytes) {
    return ensureGeneratedCorpus(folder, stampFor(files, totalBytes), 1206, "file", ".txt", files, totalBytes,
                                 generateText);
}

Corpus ensureCodeCorpus(const std::string& folder, int files, std::uint64_t totalBytes) {
    return ensureGeneratedCorpus(
        folder, "morvane code corpus v1 " + std::to_string(files) + " " + std::to_string(totalBytes), 1208,
        "unit", ".c", files, totalBytes, generateCode);
}

std::string ensureLargeFile(const std::string& folder, std::uint64_t minimumBytes) {
    const fs::path path = fs::path(folder) / "large.txt";
    std::error_code error;
    if (fs::file_size(path, error) >= minimumBytes && !error) {
        return path.string();
    }
    fs::create_directories(folder);
    std::mt19937_64 random(1207);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    constexpr std::uint64_t kSlice = 64 << 20;
    for (std::uint64_t written = 0; written < minimumBytes;) {
        const std::string text = generateText(random, kSlice);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        written += text.size();
    }
    return path.string();
}

std::vector<std::string> ensureNameCorpus(const std::string& folder, int files) {
    const fs::path root(folder);
    const fs::path stamp = root / "corpus.stamp";
    const std::string expected = "morvane name corpus v1 " + std::to_string(files);
    const bool present = readStamp(stamp) == expected;
    if (!present) {
        fs::remove_all(root);
        fs::create_directories(root);
    }
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(files));
    for (int i = 0; i < files; ++i) {
        const fs::path path = root / ("old_report_" + std::to_string(i) + (i % 3 ? ".txt" : ".old.log"));
        if (!present) {
            std::ofstream{path};
        }
        paths.push_back(path.string());
    }
    if (!present) {
        std::ofstream(stamp) << expected << '\n';
    }
    return paths;
}

std::vector<std::pair<std::string, std::string>> benchmarkPairs() {
    return {{"colour", "color"}, {"centre", "center"}, {"the", "THE"}, {"THE", "the"},
            {"aa", "b"},         {"\r\n", "\n"},       {"old", "new"}, {"error", "warn"},
            {"data", "datum"},   {"banana", "ana"}};
}

std::string inNotation(const std::string& text) {
    return text == "\r\n" ? std::string("^p") : text;
}

RunRequest benchmarkRequest(const std::vector<std::string>& files, unsigned workers) {
    RunRequest request;
    for (const auto& [find, replace] : benchmarkPairs()) {
        request.finds.push_back(inNotation(find));
        request.replaces.push_back(inNotation(replace));
    }
    request.files = files;
    request.workers = workers;
    return request;
}

} // namespace morvane::bench
