#include "core/files/folder_expansion.h"
#include "core/files/ignore_rules.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <git2.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

namespace morvane {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using Files = std::vector<std::string>;

void initRepository(const std::string& folder) {
    git_libgit2_init();
    git_repository* repository = nullptr;
    ASSERT_EQ(git_repository_init(&repository, folder.c_str(), 0), 0);
    git_repository_free(repository);
    git_libgit2_shutdown();
}

// A work tree with rules at its top, in a subfolder and in .git/info/exclude, a nested work tree that follows
// its own rules and not those of the tree around it, hidden and binary files, links and a name that is not
// UTF-8. The files git would track, in byte order; the switches bring back hidden, ignored and binary files
// but never git's own, and patterns and the size limit narrow the files. A subfolder takes the rules of the
// whole work tree. A stop flag ends the walk, and progress names each folder.
TEST(ExpansionInWorkTree, KeepsTheTextFilesGitWouldTrackAndWhatTheOptionsSay) {
    testing::TempDir dir;
    initRepository(dir.path());
    initRepository(dir.makeFolder("nested"));
    dir.writeTree({".gitignore", "*.log\nbuild/\n!keep.log\n", ".git/info/exclude", "secret.txt\n",
                   "src/.gitignore", "*.tmp\n", "nested/.gitignore", "*.txt\n"});
    dir.writeTree(
        {"a.txt",        "a", "b.log",        "b", "keep.log",      "k", "secret.txt",    "s",
         "caf\xe9.txt",  "c", ".hidden.txt",  "h", ".config/c.txt", "c", "build/out.txt", "o",
         "src/main.cpp", "m", "src/Z.h",      "z", "src/x.tmp",     "x", "src/y.log",     "y",
         "nested/n.txt", "n", "nested/n.cpp", "n", "nested/n.log",  "n", "src/big.cpp",   "more than four"});
    dir.write("data.bin", "ab\0cd"s);
    dir.write("src/r.rc", "\xFF\xFEr\0"s); // UTF-16: text, for all its NUL bytes
    fs::create_directory_symlink(".", dir.file("loop"));
    fs::create_symlink("a.txt", dir.file("link.txt"));
    fs::create_symlink("nowhere", dir.file("dangling.txt"));
    const auto expand = [&](const ExpansionOptions& options) {
        const Expansion expansion = expandFolder(dir.path(), options);
        EXPECT_TRUE(expansion.problems.empty());
        EXPECT_FALSE(expansion.stopped);
        Files relative;
        for (const std::string& file : expansion.files) {
            EXPECT_EQ(file.rfind(dir.path() + "/", 0), 0u) << file;
            relative.push_back(file.substr(dir.path().size() + 1));
        }
        return relative;
    };
    const struct {
        ExpansionOptions options;
        Files expected;
    } cases[] = {
        {{},
         {"a.txt", "caf\xe9.txt", "keep.log", "link.txt", "nested/n.cpp", "nested/n.log", "src/Z.h",
          "src/big.cpp", "src/main.cpp", "src/r.rc"}},
        {{.hidden = true, .ignored = true, .binary = true, .includes = {}, .excludes = {}, .maxBytes = {}},
         {".config/c.txt",     ".gitignore",   ".hidden.txt",  "a.txt",        "b.log",
          "build/out.txt",     "caf\xe9.txt",  "data.bin",     "keep.log",     "link.txt",
          "nested/.gitignore", "nested/n.cpp", "nested/n.log", "nested/n.txt", "secret.txt",
          "src/.gitignore",    "src/Z.h",      "src/big.cpp",  "src/main.cpp", "src/r.rc",
          "src/x.tmp",         "src/y.log"}},
        {{.includes = {"*.cpp", "*.h"}, .excludes = {}, .maxBytes = {}},
         {"nested/n.cpp", "src/Z.h", "src/big.cpp", "src/main.cpp"}},
        {{.includes = {"*.cpp", "*.h"}, .excludes = {"n*", "m*"}, .maxBytes = {}},
         {"src/Z.h", "src/big.cpp"}},
        {{.includes = {"*.cpp"}, .excludes = {}, .maxBytes = 4}, {"nested/n.cpp", "src/main.cpp"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(expand(c.options), c.expected);
    }
    ExpansionOptions binary;
    binary.binary = true;
    EXPECT_EQ(expand(binary).at(2), "data.bin");
    EXPECT_EQ(expandFolder(dir.file("src") + "/", {}).files,
              (Files{dir.file("src/Z.h"), dir.file("src/big.cpp"), dir.file("src/main.cpp"),
                     dir.file("src/r.rc")}));

    std::vector<std::string> folders;
    const std::atomic<bool> running{false};
    expandFolder(dir.path(), {}, &running,
                 [&](const std::string& folder, std::size_t) { folders.push_back(folder); });
    EXPECT_EQ(folders, (Files{dir.path(), dir.file("nested"), dir.file("src")}));

    const std::atomic<bool> stopped{true};
    const Expansion cut = expandFolder(dir.path(), {}, &stopped);
    EXPECT_TRUE(cut.stopped);
    EXPECT_TRUE(cut.files.empty());
}

// git lets a deeper .gitignore override the rules above it; libgit2's single-path query does not, so this
// is pinned against what git itself lists.
// A deeper file's rules are anchored in its own folder.
TEST(ExpansionRules, deeper_negation_reincludes_what_the_top_ignores_and_a_fifo_holds_no_rules) {
    testing::TempDir dir;
    initRepository(dir.path());
    dir.writeTree({".gitignore", "*.html\n", "sub/.gitignore", "!page.html\n/inner/\n", "page.html", "x",
                   "sub/page.html", "x", "sub/inner/page.html", "x", "sub/x/inner/page.html", "x", "fifo/a",
                   "x"});
    // A rules file that is a fifo is read as none, without waiting for a writer.
    ASSERT_EQ(::mkfifo(dir.file("fifo/.gitignore").c_str(), 0600), 0);
    EXPECT_EQ(expandFolder(dir.path(), {}).files,
              (Files{dir.file("fifo/a"), dir.file("sub/page.html"), dir.file("sub/x/inner/page.html")}));
    // A folder that cannot be listed is a problem, not a file.
    EXPECT_EQ(expandFolder(dir.file("missing"), {}).problems.at(0).path, dir.file("missing"));
}

// A .ignore rule wins over .gitignore's at any depth, holds on in a nested work tree, and counts outside
// work trees too; the switch for ignored files lifts it with the others.
TEST(ExpansionRules, IgnoreFilesWinOverGitIgnoreAndCountOutsideWorkTrees) {
    testing::TempDir dir;
    initRepository(dir.path());
    dir.writeTree({".gitignore",   "*.log\n", ".ignore",      "!keep.log\n*.bak\n",
                   "a.log",        "x",       "keep.log",     "x",
                   "top.txt",      "x",       "x.bak",        "x",
                   "sub/s.txt",    "x",       "sub/s.cpp",    "x",
                   "sub/y.bak",    "x",       "nested/n.bak", "x",
                   "nested/n.cpp", "x",       "sub/.ignore",  "*.txt\n"});
    initRepository(dir.file("nested"));
    EXPECT_EQ(expandFolder(dir.path(), {}).files, (Files{dir.file("keep.log"), dir.file("nested/n.cpp"),
                                                         dir.file("sub/s.cpp"), dir.file("top.txt")}));
    EXPECT_EQ(expandFolder(dir.file("sub"), {}).files, (Files{dir.file("sub/s.cpp")}));

    testing::TempDir plain;
    // Outside a work tree a .gitignore is an ordinary file.
    plain.writeTree({".ignore", "*.bak\n", ".gitignore", "*.txt\n", "a.bak", "x", "a.txt", "x"});
    EXPECT_EQ(expandFolder(plain.path(), {}).files, (Files{plain.file("a.txt")}));
    ExpansionOptions ignoredToo;
    ignoredToo.ignored = true;
    EXPECT_EQ(expandFolder(plain.path(), ignoredToo).files,
              (Files{plain.file("a.bak"), plain.file("a.txt")}));
}

constexpr std::optional<bool> kIgnored = true;
constexpr std::optional<bool> kKept = false; // re-included by a `!` rule
constexpr std::optional<bool> kNoRule = std::nullopt;

// The examples of git's gitignore documentation and a few corners, each row as `git check-ignore` decides
// it. Rows speak of the path itself: "foo/*" does not match "foo/bar/hello.c", which git leaves out only
// because it never enters the ignored folder "foo/bar", as the walk does.
TEST(IgnoreRules, DecideAsGitsDocumentationSays) {
    // rules, path, whether it is a folder, and what the rules decide
    const std::tuple<const char*, const char*, bool, std::optional<bool>> cases[] = {
        {"hello.*", "hello.txt", false, kIgnored},
        {"/hello.*", "a/hello.java", false, kNoRule},
        {"doc/frotz/", "doc/frotz", true, kIgnored},
        {"doc/frotz/", "a/doc/frotz", true, kNoRule},
        {"frotz/", "a/frotz", false, kNoRule},
        {"Documentation/*.html", "Documentation/ppc/ppc.html", false, kNoRule},
        {"foo/*", "foo/bar/hello.c", false, kNoRule},
        {"**/foo", "x/y/foo", true, kIgnored},
        {"**/foo/bar", "x/foo/y/bar", false, kNoRule},
        {"abc/**", "abc/x/y/z", false, kIgnored},
        {"abc/**", "abc", true, kNoRule},
        {"a/**/b", "a/x/y/b", false, kIgnored},
        {"a**b", "axyb", false, kIgnored},
        {"x/a**b", "x/ac/db", false, kNoRule},
        {"\\#hash", "#hash", false, kIgnored},
        {"#hash", "#hash", false, kNoRule},
        {"trail\\ ", "trail ", false, kIgnored},
        {"*.html\n!foo.html", "foo.html", false, kKept},
        {"/*\n!/foo\n/foo/*\n!/foo/bar", "foo/x", false, kIgnored},
        {"/*\n!/foo\n/foo/*\n!/foo/bar", "foo/bar", true, kKept},
        {"[[:digit:]]x", "1x", false, kIgnored},
        {"[![:lower:]]v", "av", false, kNoRule},
        {"[[:foo:]a]y", "ay", false, kNoRule},
        {"trail\\ ", "trail", false, kNoRule},
        {"[!q]?.tmp", "qb.tmp", false, kNoRule},
        {"[!q]?.tmp", "abc.tmp", false, kNoRule},
        {"space.txt   \r\n", "space.txt", false, kIgnored},
        {"/\n!\n", "a", false, kNoRule},
    };
    for (const auto& [rules, path, isFolder, decided] : cases) {
        EXPECT_EQ(IgnoreRules(rules, "").decide(path, isFolder), decided)
            << "rules \"" << rules << "\" on " << path;
    }
}

TEST(Glob, MatchesNamesByteForByteAndSplitsATypedLine) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"*.cpp", "main.cpp", true},    {"a*b*c", "aXbYbZc", true},
        {"?.h", ".h", false},           {"\\*", "*", true},
        {"[\x80-\xff]", "\xe9", true},  {"[![:lower:]]v", "Av", true},
        {"[[:alpha:]]", "\xe9", false}, {"[[:cntrl:]]", "\x1f", true},
        {"[[:]x", "[x", true},
    };
    for (const auto& [glob, name, matches] : cases) {
        EXPECT_EQ(globMatches(glob, name), matches) << glob << " on " << name;
    }
    // Patterns typed in one line split at spaces, commas and semicolons.
    EXPECT_EQ(splitNamePatterns(" *.cpp,*.h ;\t*.txt  "), (Files{"*.cpp", "*.h", "*.txt"}));
    EXPECT_TRUE(splitNamePatterns(" ,; ").empty());
    EXPECT_EQ(joinNamePatterns({"*.cpp", "*.h"}), "*.cpp *.h");
}

} // namespace
} // namespace morvane
