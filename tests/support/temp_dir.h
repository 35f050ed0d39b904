#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::testing {

// A fresh folder for one test, removed with everything in it when the test ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // The path of a name inside the folder.
    std::string file(std::string_view name) const;
    // Writes the bytes to a file inside the folder and returns its path.
    std::string write(std::string_view name, std::string_view bytes) const;
    std::string makeFolder(std::string_view name) const;
    // Writes files given as name, bytes, name, bytes, ..., making the folders above each first; a name
    // ending in '/' is a folder (its bytes are ignored).
    void writeTree(const std::vector<std::string>& namesAndBytes) const;

private:
    std::string path_;
};

// A file system of its own, as small as asked, mounted inside a TempDir for one test and unmounted when it
// goes. Mounting needs root: mounted() tells whether it worked.
class SmallDisk {
public:
    explicit SmallDisk(std::uint64_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& path() const { return path_; }
    // Takes all the room still free with a file of its own, then gives `leaveFree` bytes of it back.
    void fill(std::uint64_t leaveFree = 0);
    // Removes what fill() took.
    void unfill();

private:
    TempDir dir_;
    std::string path_;
    bool mounted_ = false;
};

// The whole contents of a file, read independently of the code under test.
std::string readBytes(const std::string& path);

// The names in a folder, hidden ones too, in byte order.
std::vector<std::string> namesIn(const std::string& folder);

// Every file and folder under the folder, by its path inside it, with what each file holds ("/" for a
// folder), hidden ones too.
std::map<std::string, std::string> treeOf(const std::string& folder);

// Runs the check as an ordinary user, so that file permissions bind even when the tests run as root (as on
// the build machine): as root the check runs in a child process under the "nobody" user. Folders the check
// uses must be open to that user (see openToEveryone). Returns what the check returned.
bool runWithoutRoot(bool (*check)(const std::string&), const std::string& argument);

// Gives everyone access to a test folder so that runWithoutRoot's child can use it.
void openToEveryone(const std::string& path);

} // namespace morvane::testing
