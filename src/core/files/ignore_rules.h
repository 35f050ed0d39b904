#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// A set in a glob, as name patterns and ignore rules both write it: members, ranges (`[a-z]`) and the ASCII
// classes git knows (`[[:alpha:]]`, `[[:digit:]]`, ...), negated by a leading `!` or `^`, a backslash making
// the next byte plain and a `]` first in the set a member. A `[:` that no `:]` closes is a plain `[`.
struct SetMatch {
    std::size_t end;     // the position after the set's `]`
    bool holds;          // whether the set takes the byte
    bool broken = false; // it names a class git does not know, and git then lets the whole pattern fail
};

// The set that starts at pattern[open] (a `[`) matched against one byte; nothing when the set is not closed.
std::optional<SetMatch> matchSet(std::string_view pattern, std::size_t open, unsigned char c);

// The rules of one ignore file as git reads them (.gitignore, .git/info/exclude, core.excludesFile): a line
// is a pattern; blank lines and lines starting with `#` are skipped; `!` re-includes; a pattern ending in `/`
// names folders only; a pattern holding another `/` is matched against the whole path below the file's
// folder (a leading `/` only anchors it), any other against the last name at any depth; `*`, `?` and sets do
// not cross a `/`, while `**/`, `/**/` and `/**` span folders; a backslash makes the next byte plain, and
// trailing spaces count only when escaped; a pattern with a set that is not closed, or that names an unknown
// class, matches nothing, as in git. Matching is byte for byte, cases distinct.
class IgnoreRules {
public:
    // The rules in the text of a file that lies in `base`, a folder given relative to the top of the work
    // tree with a trailing `/`, or empty for the top and for the files that apply to the whole work tree.
    IgnoreRules(std::string_view text, std::string base);

    // What the last rule that matches says about a path relative to the top of the work tree, below the
    // rules' folder: ignored (true), re-included (false), or nothing when no rule matches.
    std::optional<bool> decide(std::string_view path, bool isFolder) const;

    bool empty() const { return rules_.empty(); }

private:
    // Most rules are a plain name or `*` and a plain ending (`build`, `*.o`); they are matched by comparing
    // bytes, which keeps a walk of a large tree with long ignore files fast.
    enum class Shape { Plain, StarThenPlain, Glob };

    struct Rule {
        std::string pattern;
        bool negated = false;
        bool foldersOnly = false;
        bool wholePath = false;
        Shape shape = Shape::Glob;
    };

    static bool matches(const Rule& rule, std::string_view subject);

    std::string base_;
    std::vector<Rule> rules_;
};

// Whether the path matches the pattern, where `*`, `?` and sets never match a `/` and a `**` between
// slashes (or at either end) spans any number of folders.
bool ignorePatternMatches(std::string_view pattern, std::string_view path);

} // namespace morvane
