#include "core/files/path_list.h"

namespace morvane {

PathList::PathList(std::initializer_list<std::string_view> paths) {
    for (const std::string_view path : paths) {
        push_back(path);
    }
}

PathList::PathList(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        push_back(path);
    }
}

void PathList::push_back(std::string_view path) {
    const std::size_t split = path.rfind('/') + 1; // 0 when there is no separator
    const std::string_view folderPart = path.substr(0, split);
    if (folderEnds_.empty() || folder(folderEnds_.size() - 1) != folderPart) {
        folders_.append(folderPart);
        folderEnds_.push_back(folders_.size());
    }
    folderOf_.push_back(static_cast<std::uint32_t>(folderEnds_.size() - 1));
    names_.append(path.substr(split));
    nameEnds_.push_back(names_.size());
}

void PathList::append(const PathList& other) {
    for (std::size_t i = 0; i < other.size(); ++i) {
        push_back(other[i]);
    }
}

void PathList::clear() {
    *this = PathList();
}

void PathList::shrink_to_fit() {
    folders_.shrink_to_fit();
    folderEnds_.shrink_to_fit();
    names_.shrink_to_fit();
    nameEnds_.shrink_to_fit();
    folderOf_.shrink_to_fit();
}

std::string_view PathList::folder(std::size_t f) const {
    const std::size_t start = f == 0 ? 0 : folderEnds_[f - 1];
    return std::string_view(folders_).substr(start, folderEnds_[f] - start);
}

std::string PathList::operator[](std::size_t i) const {
    const std::size_t start = i == 0 ? 0 : nameEnds_[i - 1];
    std::string path(folder(folderOf_[i]));
    path.append(names_, start, nameEnds_[i] - start);
    return path;
}

std::vector<std::string> PathList::toVector() const {
    return {begin(), end()};
}

bool operator==(const PathList& a, const PathList& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

} // namespace morvane
