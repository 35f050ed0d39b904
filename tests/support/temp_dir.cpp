#include "support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace morvane::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvane-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may take permissions away; give them back so that everything can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

SmallDisk::SmallDisk(std::uint64_t bytes) : path_(dir_.makeFolder("disk")) {
    const std::string options = "size=" + std::to_string(bytes);
    mounted_ = ::geteuid() == 0 && ::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_) {
        ::umount2(path_.c_str(), MNT_DETACH);
    }
}

void SmallDisk::fill(std::uint64_t leaveFree) {
    const std::string filler = path_ + "/.filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 &&
        ::ftruncate(fd, std::max<off_t>(0, info.st_size - static_cast<off_t>(leaveFree))) != 0) {
        std::filesystem::remove(filler);
    }
    ::close(fd);
}

void SmallDisk::unfill() {
    std::error_code ignored;
    std::filesystem::remove(path_ + "/.filler", ignored);
}

std::string TempDir::file(std::string_view name) const {
    return path_ + "/" + std::string(name);
}

std::string TempDir::write(std::string_view name, std::string_view bytes) const {
    const std::string target = file(name);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return target;
}

std::string TempDir::makeFolder(std::string_view name) const {
    const std::string target = file(name);
    std::filesystem::create_directories(target);
    return target;
}

void TempDir::writeTree(const std::vector<std::string>& namesAndBytes) const {
    for (std::size_t i = 0; i + 1 < namesAndBytes.size(); i += 2) {
        std::filesystem::create_directories(std::filesystem::path(file(namesAndBytes[i])).parent_path());
        if (!namesAndBytes[i].ends_with('/')) {
            write(namesAndBytes[i], namesAndBytes[i + 1]);
        }
    }
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> treeOf(const std::string& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        tree[std::filesystem::relative(entry.path(), folder).string()] =
            entry.is_directory() ? "/" : readBytes(entry.path().string());
    }
    return tree;
}

bool runWithoutRoot(bool (*check)(const std::string&), const std::string& argument) {
    if (::geteuid() != 0) {
        return check(argument);
    }
    const pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        const bool dropped = ::setgid(nobody) == 0 && ::setuid(nobody) == 0;
        ::_exit(dropped && check(argument) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void openToEveryone(const std::string& path) {
    std::filesystem::permissions(path, std::filesystem::perms::all, std::filesystem::perm_options::add);
}

} // namespace morvane::testing
