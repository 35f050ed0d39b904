// The reference for a literal pair with options, which the targets that run such pairs compare with.
#pragma once

#include "core/text/pair_options.h"
#include "core/text/text_encoding.h"

#include <re2/re2.h>
#include <string>
#include <string_view>

namespace morvane::fuzz {

inline bool isWordCharacter(std::string_view character, bool utf8) {
    static const RE2 word("[\\p{L}\\p{M}\\p{Nd}_]");
    const auto byte = static_cast<unsigned char>(character.front());
    if (!utf8 || byte < 0x80) {
        return byte >= 0x80 || (byte >= '0' && byte <= '9') ||
               ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z') || byte == '_';
    }
    return RE2::FullMatch(re2::StringPiece(character.data(), character.size()), word);
}

inline bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// A literal pair with options the slow, plain way: every position where a character starts is tried on its
// own, by RE2 anchored there in UTF-8 text (where case folds by Unicode's rules), by comparing bytes with
// ASCII letters folded elsewhere; a whole word looks at the characters around. Every position that matches
// counts; from the left, those that do not overlap one replaced are replaced.
inline long long referenceLiteral(std::string& text, const std::string& find, const std::string& replacement,
                                  morvane::PairOptions options) {
    const bool utf8 = morvane::isValidUtf8(find) && morvane::isValidUtf8(text);
    RE2::Options reOptions;
    reOptions.set_log_errors(false);
    reOptions.set_case_sensitive(!options.ignoreCase);
    const RE2 quoted(RE2::QuoteMeta(find), reOptions);
    const auto fold = [&](char c) {
        return options.ignoreCase && c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c;
    };
    const auto lengthAt = [&](std::size_t at) -> std::size_t {
        if (utf8) {
            re2::StringPiece match;
            return quoted.Match(text, at, text.size(), RE2::ANCHOR_START, &match, 1) ? match.size() : 0;
        }
        for (std::size_t i = 0; i < find.size(); ++i) {
            if (at + i >= text.size() || fold(text[at + i]) != fold(find[i])) {
                return 0;
            }
        }
        return find.size();
    };
    const auto characterAt = [&](std::size_t at) {
        std::size_t end = at + 1;
        while (utf8 && end < text.size() && isContinuation(text[end])) {
            ++end;
        }
        return std::string_view(text).substr(at, end - at);
    };
    const auto characterBefore = [&](std::size_t at) {
        std::size_t start = at - 1;
        while (utf8 && start > 0 && isContinuation(text[start])) {
            --start;
        }
        return std::string_view(text).substr(start, at - start);
    };
    long long count = 0;
    std::string result;
    std::size_t copied = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::size_t length = utf8 && isContinuation(text[at]) ? 0 : lengthAt(at);
        if (length == 0 || (options.wholeWord && ((at > 0 && isWordCharacter(characterBefore(at), utf8)) ||
                                                  (at + length < text.size() &&
                                                   isWordCharacter(characterAt(at + length), utf8))))) {
            continue;
        }
        ++count;
        if (at >= copied) {
            result.append(text, copied, at - copied);
            result += replacement;
            copied = at + length;
        }
    }
    result.append(text, copied);
    text = std::move(result);
    return count;
}

} // namespace morvane::fuzz
