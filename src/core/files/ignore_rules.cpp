#include "core/files/ignore_rules.h"

#include <algorithm>

namespace morvane {

namespace {

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

bool isLower(unsigned char c) {
    return c >= 'a' && c <= 'z';
}

bool isUpper(unsigned char c) {
    return c >= 'A' && c <= 'Z';
}

bool isGraph(unsigned char c) {
    return c > ' ' && c < 0x7f;
}

// Whether the byte is in the class of that name; nothing for a name git does not know. Classes hold ASCII
// bytes only, as in git, whatever the locale.
std::optional<bool> inClass(std::string_view name, unsigned char c) {
    const bool alpha = isLower(c) || isUpper(c);
    if (name == "alnum") {
        return alpha || isDigit(c);
    }
    if (name == "alpha") {
        return alpha;
    }
    if (name == "blank") {
        return c == ' ' || c == '\t';
    }
    if (name == "cntrl") {
        return c < ' ' || c == 0x7f;
    }
    if (name == "digit") {
        return isDigit(c);
    }
    if (name == "graph") {
        return isGraph(c);
    }
    if (name == "lower") {
        return isLower(c);
    }
    if (name == "print") {
        return isGraph(c) || c == ' ';
    }
    if (name == "punct") {
        return isGraph(c) && !alpha && !isDigit(c);
    }
    if (name == "space") {
        return c == ' ' || (c >= '\t' && c <= '\r');
    }
    if (name == "upper") {
        return isUpper(c);
    }
    if (name == "xdigit") {
        return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }
    return std::nullopt;
}

bool isFolderSpan(std::string_view pattern, std::size_t star) {
    return pattern.compare(star, 2, "**") == 0 && (star == 0 || pattern[star - 1] == '/') &&
           (star + 2 == pattern.size() || pattern[star + 2] == '/');
}

// Trailing spaces end a line unless a backslash escapes them.
std::string_view withoutTrailingSpaces(std::string_view line) {
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == ' ' && !(end > 1 && line[end - 2] == '\\')) {
        --end;
    }
    return line.substr(0, end);
}

} // namespace

std::optional<SetMatch> matchSet(std::string_view pattern, std::size_t open, unsigned char c) {
    std::size_t i = open + 1;
    const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    i += negated ? 1 : 0;
    bool holds = false;
    bool broken = false;
    for (bool first = true; i < pattern.size() && (pattern[i] != ']' || first); ++i, first = false) {
        // A class runs from `[:` to the first `]`, which must follow a `:`; otherwise the `[` is a member.
        if (pattern.compare(i, 2, "[:") == 0) {
            const std::size_t close = pattern.find(']', i + 2);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            if (close >= i + 3 && pattern[close - 1] == ':') {
                const std::optional<bool> member = inClass(pattern.substr(i + 2, close - 1 - (i + 2)), c);
                broken = broken || !member;
                holds = holds || member.value_or(false);
                i = close;
                continue;
            }
        }
        if (pattern[i] == '\\' && i + 1 < pattern.size()) {
            ++i;
        }
        const auto low = static_cast<unsigned char>(pattern[i]);
        auto high = low;
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            high = static_cast<unsigned char>(pattern[i + 2]);
            i += 2;
        }
        holds = holds || (low <= c && c <= high);
    }
    if (i >= pattern.size()) {
        return std::nullopt;
    }
    return SetMatch{i + 1, holds != negated, broken};
}

bool ignorePatternMatches(std::string_view pattern, std::string_view path) {
    std::size_t p = 0;
    std::size_t s = 0;
    while (p < pattern.size()) {
        if (pattern[p] == '*') {
            if (isFolderSpan(pattern, p)) {
                if (p + 2 == pattern.size()) {
                    return true;
                }
                const std::string_view rest = pattern.substr(p + 3);
                for (std::size_t at = s;; ++at) {
                    if (ignorePatternMatches(rest, path.substr(at))) {
                        return true;
                    }
                    at = path.find('/', at);
                    if (at == std::string_view::npos) {
                        return false;
                    }
                }
            }
            while (p < pattern.size() && pattern[p] == '*') {
                ++p;
            }
            const std::string_view rest = pattern.substr(p);
            for (std::size_t at = s; at <= path.size(); ++at) {
                if (ignorePatternMatches(rest, path.substr(at))) {
                    return true;
                }
                if (at < path.size() && path[at] == '/') {
                    return false;
                }
            }
            return false;
        }
        if (s >= path.size()) {
            return false;
        }
        const auto c = static_cast<unsigned char>(path[s]);
        if (pattern[p] == '?' && c != '/') {
            ++p;
        } else if (pattern[p] == '[') {
            const std::optional<SetMatch> set = matchSet(pattern, p, c);
            if (!set || set->broken || !set->holds || c == '/') {
                return false;
            }
            p = set->end;
        } else {
            if (pattern[p] == '\\' && p + 1 < pattern.size()) {
                ++p;
            }
            if (static_cast<unsigned char>(pattern[p]) != c) {
                return false;
            }
            ++p;
        }
        ++s;
    }
    return s == path.size();
}

IgnoreRules::IgnoreRules(std::string_view text, std::string base) : base_(std::move(base)) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line = withoutTrailingSpaces(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        Rule rule;
        if (line.front() == '!') {
            rule.negated = true;
            line.remove_prefix(1);
        }
        if (!line.empty() && line.back() == '/') {
            rule.foldersOnly = true;
            line.remove_suffix(1);
        }
        rule.wholePath = line.find('/') != std::string_view::npos;
        if (!line.empty() && line.front() == '/') {
            line.remove_prefix(1);
        }
        if (line.empty()) {
            continue;
        }
        rule.pattern = line;
        const bool plainAfterFirst = line.find_first_of("*?[\\", 1) == std::string_view::npos;
        if (plainAfterFirst && line.front() == '*') {
            rule.shape = Shape::StarThenPlain;
        } else if (plainAfterFirst && line.find_first_of("*?[\\") == std::string_view::npos) {
            rule.shape = Shape::Plain;
        }
        rules_.push_back(std::move(rule));
    }
}

// A star never takes a `/`.
bool IgnoreRules::matches(const Rule& rule, std::string_view subject) {
    switch (rule.shape) {
    case Shape::Plain:
        return subject == rule.pattern;
    case Shape::StarThenPlain: {
        const std::string_view ending = std::string_view(rule.pattern).substr(1);
        return subject.size() >= ending.size() &&
               subject.compare(subject.size() - ending.size(), ending.size(), ending) == 0 &&
               subject.substr(0, subject.size() - ending.size()).find('/') == std::string_view::npos;
    }
    case Shape::Glob:
        break;
    }
    return ignorePatternMatches(rule.pattern, subject);
}

std::optional<bool> IgnoreRules::decide(std::string_view path, bool isFolder) const {
    if (path.compare(0, base_.size(), base_) != 0) {
        return std::nullopt;
    }
    const std::string_view below = path.substr(base_.size());
    const std::size_t slash = below.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? below : below.substr(slash + 1);
    for (auto rule = rules_.rbegin(); rule != rules_.rend(); ++rule) {
        if ((rule->foldersOnly && !isFolder) || !matches(*rule, rule->wholePath ? below : name)) {
            continue;
        }
        return !rule->negated;
    }
    return std::nullopt;
}

} // namespace morvane
