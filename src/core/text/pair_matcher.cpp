// A pair with options, matched by RE2 or, for a literal find text, by a vector scan. It stays whole: ignoring
// case, whole words and patterns share one compiled engine, one walk over the occurrences and the word-edge
// reading, none of which serves anything else.
#include "core/text/pair_matcher.h"

#include "core/text/notation.h"
#include "core/text/occurrences.h"
#include "core/text/text_encoding.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <re2/re2.h>
#include <vector>

namespace morvane {

namespace {

// Enough for the automaton of a long find text; RE2 refuses to build a larger one, and a pattern that needs
// more is refused with its message.
constexpr std::int64_t kPatternMemory = std::int64_t{64} << 20;

// The characters around a whole-word occurrence may not be word characters: in UTF-8 text letters, marks,
// decimal digits and `_`; elsewhere ASCII letters, digits, `_` and every byte above 127, which is likely
// part of a letter in whatever encoding the text has.
constexpr const char* kNonWordUtf8 = "[^\\p{L}\\p{M}\\p{Nd}_]";
constexpr const char* kNonWordBytes = "[^0-9A-Za-z_\\x80-\\xff]";

bool isContinuationByte(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The byte length of the character at `at`: one byte where the text is not read as UTF-8.
std::size_t characterLength(std::string_view text, std::size_t at, bool utf8) {
    if (!utf8 || at >= text.size()) {
        return 1;
    }
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return std::min(length, text.size() - at);
}

// The byte length of the character that ends at `at` (which is above 0).
std::size_t previousCharacterLength(std::string_view text, std::size_t at, bool utf8) {
    std::size_t length = 1;
    while (utf8 && length < 4 && length < at &&
           isContinuationByte(static_cast<unsigned char>(text[at - length]))) {
        ++length;
    }
    return length;
}

// Unicode case folding joins to ASCII letters only these two: U+212A KELVIN SIGN to k, U+017F LATIN SMALL
// LETTER LONG S to s.
constexpr std::string_view kKelvinSign = "\xE2\x84\xAA";
constexpr std::string_view kLongS = "\xC5\xBF";

// Whether a text is read as UTF-8, found once and only when a character above ASCII asks. For a part of a
// text, whether the whole is valid UTF-8 cannot be found from the part: where the caller does not know it,
// asking leaves the reading unknown.
class Utf8Reading {
public:
    Utf8Reading(std::string_view text, bool possible, bool certain)
        : text_(text), known_(!possible || certain), utf8_(possible && certain) {}
    Utf8Reading(bool possible, bool certain, std::optional<bool> wholeIsUtf8)
        : known_(!possible || certain || wholeIsUtf8),
          utf8_(possible && (certain || wholeIsUtf8.value_or(false))), ofPart_(true) {}
    bool operator()() {
        if (!known_ && ofPart_) {
            unknown_ = true;
        } else if (!known_) {
            utf8_ = isValidUtf8(text_);
            known_ = true;
        }
        return utf8_;
    }
    bool unknown() const { return unknown_; }

private:
    std::string_view text_;
    bool known_;
    bool utf8_;
    bool ofPart_ = false;
    bool unknown_ = false;
};

// Whether the character ending at `at` (before) or starting there (after) is a word character: letters,
// marks, decimal digits and `_` in UTF-8 text, and there every byte above 127 elsewhere.
bool isWordCharacterAround(std::string_view text, std::size_t at, bool before, Utf8Reading& utf8) {
    const auto byte = static_cast<unsigned char>(text[before ? at - 1 : at]);
    if (byte < 0x80) {
        return isAsciiWordByte(byte);
    }
    if (!utf8()) {
        return true;
    }
    static const RE2 wordCharacter("[\\p{L}\\p{M}\\p{Nd}_]");
    const std::size_t length =
        before ? previousCharacterLength(text, at, true) : characterLength(text, at, true);
    const std::size_t start = before ? at - length : at;
    return RE2::FullMatch(re2::StringPiece(text.data() + start, length), wordCharacter);
}

// Whether the occurrence from start to end stands as a whole word: no word character right before or after.
bool standsAsWordIn(std::string_view text, std::size_t start, std::size_t end, Utf8Reading& utf8) {
    return !(start > 0 && isWordCharacterAround(text, start, true, utf8)) &&
           !(end < text.size() && isWordCharacterAround(text, end, false, utf8));
}

// The find text as a byte pattern: every byte escaped, ASCII letters as a class of both cases when folding.
std::string bytePattern(std::string_view find, bool foldAscii) {
    std::string pattern;
    char escaped[8];
    for (const char c : find) {
        const auto byte = static_cast<unsigned char>(c);
        const unsigned char lower = byte | 0x20;
        if (foldAscii && lower >= 'a' && lower <= 'z') {
            std::snprintf(escaped, sizeof escaped, "[%c%c]", lower, lower - 0x20);
        } else {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        }
        pattern += escaped;
    }
    return pattern;
}

// A whole-word occurrence as group 1, with the characters around it: at the start of the text, or, for a
// search that starts one character before where the occurrence may begin, after that character.
std::string wholeWordPattern(std::string_view body, bool utf8, bool atStart) {
    const std::string nonWord = utf8 ? kNonWordUtf8 : kNonWordBytes;
    return (atStart ? "(?:^|" + nonWord + ")(" : nonWord + "(") + std::string(body) + ")(?:$|" + nonWord +
           ")";
}

std::unique_ptr<RE2> compile(const std::string& pattern, bool utf8, bool caseSensitive) {
    RE2::Options options;
    options.set_log_errors(false);
    options.set_encoding(utf8 ? RE2::Options::EncodingUTF8 : RE2::Options::EncodingLatin1);
    options.set_case_sensitive(caseSensitive);
    options.set_max_mem(kPatternMemory);
    return std::make_unique<RE2>(pattern, options);
}

// A piece of a pattern pair's replacement: bytes, or the text of a group.
struct Piece {
    std::string bytes;
    int group = -1;
};

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The compiled find text for one reading of the text: the whole-word form needs one for a search from the
// start and one for a search from a character before where an occurrence may begin.
struct Engine {
    std::unique_ptr<RE2> fromStart;
    std::unique_ptr<RE2> later;

    const RE2& searching(std::size_t from) const { return from > 0 && later ? *later : *fromStart; }
    bool ok() const { return fromStart->ok() && (!later || later->ok()); }
    const std::string& error() const { return fromStart->ok() ? later->error() : fromStart->error(); }
};

// The engine of a body: wrapped for whole words when asked, once the bare body compiles.
Engine engineOf(const std::string& body, bool utf8, bool caseSensitive, bool wholeWord) {
    Engine engine{compile(body, utf8, caseSensitive), nullptr};
    if (engine.ok() && wholeWord) {
        engine.fromStart = compile(wholeWordPattern(body, utf8, true), utf8, caseSensitive);
        engine.later = compile(wholeWordPattern(body, utf8, false), utf8, caseSensitive);
    }
    return engine;
}

} // namespace

bool isAsciiWordByte(unsigned char byte) {
    return (byte >= '0' && byte <= '9') || isAsciiLetter(byte) || byte == '_';
}

struct PairMatcher::Compiled {
    PairOptions options;
    std::optional<Engine> utf8;  // for valid UTF-8 text; absent where the find text cannot be read as UTF-8
    std::optional<Engine> bytes; // for other text; absent where RE2 cannot read the pattern as Latin-1
    int occurrenceGroup = 0;     // the group that is the occurrence: 1 where whole-word wrapping adds context
    int groupsWanted = 1;        // groups a match asks RE2 for
    std::string literalReplacement;
    std::vector<Piece> pieces;
    // A literal pair's find text as searched without RE2, its ASCII letters lowered when ignoring case, where
    // that finds what RE2 would; empty where RE2 searches.
    std::string scanFind;
    bool scanFolds = false; // the text is searched with its ASCII letters lowered
    bool foldsKOrS = false; // ignoring case, the find text holds a k or an s
    // A whole-word literal pair the scan serves has utf8 and bytes built bare, to tell whether RE2 takes its
    // find text: compiling the whole-word forms costs more than scanning most trees, and only a text the
    // scan leaves to RE2 needs them. They are built from these bodies the first time, once for all threads.
    bool wordFormsDeferred = false;
    std::string utf8Body;
    std::string bytesBody;
    mutable std::once_flag wordFormsBuilt;
    mutable std::optional<Engine> utf8Words; // written only under wordFormsBuilt
    mutable std::optional<Engine> bytesWords;

    // The engine for the text, and whether it reads UTF-8.
    const Engine& engineFor(std::string_view text, bool& utf8Text) const {
        utf8Text = utf8 && (!bytes || isValidUtf8(text));
        if (wordFormsDeferred) {
            std::call_once(wordFormsBuilt, [this] {
                if (utf8) {
                    utf8Words = engineOf(utf8Body, true, !options.ignoreCase, true);
                }
                bytesWords = engineOf(bytesBody, false, true, true);
            });
            return utf8Text ? *utf8Words : *bytesWords;
        }
        return utf8Text ? *utf8 : *bytes;
    }

    // The first occurrence that starts at or after `from`, its groups in `groups`.
    bool findFrom(const Engine& engine, bool utf8Text, std::string_view text, std::size_t from,
                  std::vector<re2::StringPiece>& groups, int wanted) const {
        std::size_t start = from;
        // The character before the occurrence is matched as its left context.
        if (options.wholeWord && from > 0) {
            start -= previousCharacterLength(text, from, utf8Text);
        }
        return engine.searching(from).Match(text, start, text.size(), RE2::UNANCHORED, groups.data(), wanted);
    }

    void parseReplacement(std::string_view typed);
    void resolveGroup(std::string_view reference, std::vector<Piece>& into);
    const std::string& replacementOf(const std::vector<re2::StringPiece>& groups, std::string& scratch) const;

    std::int64_t visitLiteral(std::string_view text, const SpanVisitor* onSpan) const;
    std::int64_t scanLiteral(std::string_view text, const SpanVisitor* onSpan) const;
    bool scanMissesFolding(std::string_view text) const;
    std::int64_t visitPattern(std::string_view text, const SpanVisitor* onSpan) const;
};

void PairMatcher::Compiled::resolveGroup(std::string_view reference, std::vector<Piece>& into) {
    const RE2& engine = *(utf8 ? utf8 : bytes)->fromStart;
    const int userGroups = engine.NumberOfCapturingGroups() - occurrenceGroup;
    int group = -1;
    if (allDigits(reference)) {
        if (reference.size() <= 4) {
            const int number = std::stoi(std::string(reference));
            group = number <= userGroups ? number + occurrenceGroup : -1;
        }
    } else {
        const auto& named = engine.NamedCapturingGroups();
        if (const auto found = named.find(std::string(reference)); found != named.end()) {
            group = found->second;
        }
    }
    // A group the pattern lacks stands for nothing.
    if (group >= 0) {
        into.push_back(Piece{{}, group});
        groupsWanted = std::max(groupsWanted, group + 1);
    }
}

void PairMatcher::Compiled::parseReplacement(std::string_view typed) {
    std::string literal;
    const auto flush = [&] {
        if (!literal.empty()) {
            pieces.push_back(Piece{expandNotation(literal), -1});
            literal.clear();
        }
    };
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const char next = i + 1 < typed.size() ? typed[i + 1] : '\0';
        if (typed[i] != '$' || i + 1 == typed.size()) {
            literal += typed[i];
        } else if (next == '$') {
            literal += '$';
            ++i;
        } else if (next >= '0' && next <= '9') {
            std::size_t end = i + 1;
            while (end < typed.size() && typed[end] >= '0' && typed[end] <= '9') {
                ++end;
            }
            flush();
            resolveGroup(typed.substr(i + 1, end - i - 1), pieces);
            i = end - 1;
        } else if (const std::size_t close = typed.find('}', i + 2);
                   next == '{' && close != std::string_view::npos && close > i + 2) {
            flush();
            resolveGroup(typed.substr(i + 2, close - i - 2), pieces);
            i = close;
        } else {
            literal += '$';
        }
    }
    flush();
}

const std::string& PairMatcher::Compiled::replacementOf(const std::vector<re2::StringPiece>& groups,
                                                        std::string& scratch) const {
    if (!options.pattern) {
        return literalReplacement;
    }
    scratch.clear();
    for (const Piece& piece : pieces) {
        if (piece.group < 0) {
            scratch += piece.bytes;
        } else if (groups[piece.group].data() != nullptr) {
            scratch.append(groups[piece.group].data(), groups[piece.group].size());
        }
    }
    return scratch;
}

// Every occurrence counts, overlapping ones included; those that start where the last one replaced ended, or
// later, are replaced.
std::int64_t PairMatcher::Compiled::visitLiteral(std::string_view text, const SpanVisitor* onSpan) const {
    if (!scanFind.empty() && !scanMissesFolding(text)) {
        return scanLiteral(text, onSpan);
    }
    bool utf8Text = false;
    const Engine& engine = engineFor(text, utf8Text);
    std::vector<re2::StringPiece> groups(groupsWanted);
    std::int64_t count = 0;
    std::size_t replacedUpTo = 0;
    std::string scratch;
    for (std::size_t from = 0;
         from < text.size() && findFrom(engine, utf8Text, text, from, groups, groupsWanted);) {
        const re2::StringPiece& hit = groups[occurrenceGroup];
        const auto start = static_cast<std::size_t>(hit.data() - text.data());
        ++count;
        if (onSpan && start >= replacedUpTo) {
            (*onSpan)(start, hit.size(), replacementOf(groups, scratch));
            replacedUpTo = start + hit.size();
        }
        from = start + characterLength(text, start, utf8Text);
    }
    return count;
}

// Whether the text holds a character that Unicode folding joins to a letter of the find text.
bool PairMatcher::Compiled::scanMissesFolding(std::string_view text) const {
    return foldsKOrS && holdsFoldsOfAsciiLetters(text);
}

// The occurrences RE2 would find, by the literal engine's vector scan over the text, or over a copy with its
// ASCII letters lowered: many times faster than a call into RE2 for each occurrence. The characters around an
// occurrence are looked at only for whole words, and whether the text is UTF-8 only when one is not ASCII.
std::int64_t PairMatcher::Compiled::scanLiteral(std::string_view text, const SpanVisitor* onSpan) const {
    // The lowered copy's memory is kept for the thread's next text, up to a bound; taken out while in use,
    // so that a call from within onSpan finds none.
    constexpr std::size_t kLoweredKept = std::size_t{16} << 20;
    thread_local std::string spare;
    std::string lowered;
    std::string_view searched = text;
    if (scanFolds) {
        lowered = std::move(spare);
        lowerAscii(text, lowered);
        searched = lowered;
    }
    Utf8Reading utf8Text(text, utf8.has_value(), !bytes.has_value());
    const std::size_t length = scanFind.size();
    std::int64_t count = 0;
    std::size_t replacedUpTo = 0;
    visitOccurrences(searched, scanFind, [&](std::size_t start) {
        const std::size_t end = start + length;
        if (options.wholeWord && !standsAsWordIn(text, start, end, utf8Text)) {
            return;
        }
        ++count;
        if (onSpan && start >= replacedUpTo) {
            (*onSpan)(start, length, literalReplacement);
            replacedUpTo = end;
        }
    });
    if (lowered.capacity() <= kLoweredKept) {
        spare = std::move(lowered);
    }
    return count;
}

// Leftmost non-overlapping matches; an empty one where the last ended, or inside a UTF-8 character, is
// passed over by one character.
std::int64_t PairMatcher::Compiled::visitPattern(std::string_view text, const SpanVisitor* onSpan) const {
    bool utf8Text = false;
    const Engine& engine = engineFor(text, utf8Text);
    // Counting needs only where each match lies, which RE2 finds without the slower search for groups.
    const int wanted = onSpan ? groupsWanted : occurrenceGroup + 1;
    std::vector<re2::StringPiece> groups(groupsWanted);
    std::int64_t count = 0;
    std::optional<std::size_t> lastEnd;
    std::string scratch;
    for (std::size_t from = 0;
         from <= text.size() && findFrom(engine, utf8Text, text, from, groups, wanted);) {
        const re2::StringPiece& hit = groups[occurrenceGroup];
        const auto start = static_cast<std::size_t>(hit.data() - text.data());
        const bool insideCharacter =
            utf8Text && start < text.size() && isContinuationByte(static_cast<unsigned char>(text[start]));
        if (hit.empty() && (start == lastEnd || insideCharacter)) {
            from = start + characterLength(text, start, utf8Text && !insideCharacter);
            continue;
        }
        ++count;
        if (onSpan) {
            (*onSpan)(start, hit.size(), replacementOf(groups, scratch));
        }
        from = start + hit.size();
        lastEnd = from;
    }
    return count;
}

PairMatcher::PairMatcher(std::string_view find, std::string_view replacement, PairOptions options)
    : compiled_(nullptr) {
    auto compiled = std::make_unique<Compiled>();
    compiled->options = options;
    const bool wholeWord = options.wholeWord;
    compiled->occurrenceGroup = wholeWord ? 1 : 0;
    compiled->groupsWanted = wholeWord ? 2 : 1;
    // Folding ASCII letters is all that ignoring case does to an ASCII find text, but for two letters.
    const bool scanned = !options.pattern && (!options.ignoreCase || isAscii(find));
    compiled->wordFormsDeferred = scanned && wholeWord;
    const auto build = [&](const std::string& body, bool utf8, bool caseSensitive) {
        return engineOf(body, utf8, caseSensitive, wholeWord && !compiled->wordFormsDeferred);
    };
    std::optional<Engine> utf8;
    std::optional<Engine> bytes;
    const bool utf8Find = isValidUtf8(find);
    if (options.pattern) {
        // A pattern is RE2's whatever the text: the same pattern read as Latin-1 serves text that is not
        // UTF-8, where RE2 can read it so.
        const std::string pattern(find);
        if (utf8Find) {
            utf8 = build(pattern, true, !options.ignoreCase);
        }
        bytes = build(pattern, false, !options.ignoreCase);
        if (utf8 && !utf8->ok()) {
            error_ = utf8->error();
        } else if (!utf8 && !bytes->ok()) {
            error_ = bytes->error();
        }
    } else {
        if (utf8Find) {
            compiled->utf8Body = RE2::QuoteMeta(re2::StringPiece(find.data(), find.size()));
            utf8 = build(compiled->utf8Body, true, !options.ignoreCase);
        }
        compiled->bytesBody = bytePattern(find, options.ignoreCase);
        bytes = build(compiled->bytesBody, false, true);
        if (!bytes->ok()) {
            error_ = bytes->error();
        }
    }
    if (!error_.empty()) {
        return;
    }
    if (utf8 && utf8->ok()) {
        compiled->utf8 = std::move(utf8);
    }
    if (bytes->ok()) {
        compiled->bytes = std::move(bytes);
    }
    if (options.pattern) {
        compiled->parseReplacement(replacement);
    } else {
        compiled->literalReplacement = std::string(replacement);
        if (scanned) {
            compiled->scanFolds = options.ignoreCase;
            compiled->scanFind = std::string(find);
            if (compiled->scanFolds) {
                std::transform(find.begin(), find.end(), compiled->scanFind.begin(), [](char c) {
                    return static_cast<char>(asciiLower(static_cast<unsigned char>(c)));
                });
            }
            compiled->foldsKOrS =
                compiled->scanFolds && compiled->scanFind.find_first_of("ks") != std::string::npos;
        }
    }
    compiled_ = std::move(compiled);
}

PairMatcher::~PairMatcher() = default;
PairMatcher::PairMatcher(PairMatcher&&) noexcept = default;
PairMatcher& PairMatcher::operator=(PairMatcher&&) noexcept = default;

std::int64_t PairMatcher::visitReplaced(std::string_view text, const SpanVisitor& onSpan) const {
    if (!compiled_) {
        return 0;
    }
    return compiled_->options.pattern ? compiled_->visitPattern(text, &onSpan)
                                      : compiled_->visitLiteral(text, &onSpan);
}

std::int64_t PairMatcher::count(std::string_view text) const {
    if (!compiled_) {
        return 0;
    }
    return compiled_->options.pattern ? compiled_->visitPattern(text, nullptr)
                                      : compiled_->visitLiteral(text, nullptr);
}

std::int64_t PairMatcher::replace(std::string& text, bool* changed) const {
    std::string result;
    std::size_t copied = 0;
    bool differs = false;
    const std::int64_t found =
        visitReplaced(text, [&](std::size_t start, std::size_t length, std::string_view replacement) {
            differs = differs || std::string_view(text).substr(start, length) != replacement;
            result.append(text, copied, start - copied);
            result += replacement;
            copied = start + length;
        });
    if (differs) {
        result.append(text, copied);
        text = std::move(result);
    }
    if (changed) {
        *changed = differs;
    }
    return found;
}

const std::string& PairMatcher::scannedFind() const {
    static const std::string none;
    return compiled_ ? compiled_->scanFind : none;
}

bool PairMatcher::scanFoldsCase() const {
    return compiled_ && compiled_->scanFolds;
}

bool PairMatcher::scanMayMissFolds() const {
    return compiled_ && compiled_->foldsKOrS;
}

std::optional<bool> PairMatcher::standsAsWord(std::string_view text, std::size_t start, std::size_t end,
                                              std::optional<bool> textIsUtf8) const {
    Utf8Reading utf8(compiled_ && compiled_->utf8.has_value(), compiled_ && !compiled_->bytes.has_value(),
                     textIsUtf8);
    const bool stands = standsAsWordIn(text, start, end, utf8);
    return utf8.unknown() ? std::nullopt : std::optional<bool>(stands);
}

bool holdsFoldsOfAsciiLetters(std::string_view text) {
    return text.find(kKelvinSign) != std::string_view::npos || text.find(kLongS) != std::string_view::npos;
}

std::vector<std::optional<PairMatcher>> matchersOfPairs(const std::vector<std::string>& finds,
                                                        const std::vector<std::string>& replaces,
                                                        const PairOptionsList& options) {
    std::vector<std::optional<PairMatcher>> matchers(finds.size());
    for (std::size_t j = 0; j < finds.size(); ++j) {
        const PairOptions pair = optionsOfPair(options, j);
        if (pair.isPlain() || finds[j].empty()) {
            continue;
        }
        const std::string replacement = j < replaces.size() ? replaces[j] : std::string();
        // A pattern and its replacement are read as typed; a literal pair's texts are bytes in the notation.
        if (pair.pattern) {
            matchers[j].emplace(finds[j], replacement, pair);
        } else {
            matchers[j].emplace(expandNotation(finds[j]), expandNotation(replacement), pair);
        }
    }
    return matchers;
}

std::string patternError(std::string_view find, PairOptions options) {
    if (!options.pattern) {
        return {};
    }
    return PairMatcher(find, {}, options).error();
}

} // namespace morvane
