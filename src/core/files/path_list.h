#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Paths in the order given, held compactly for lists of many thousands: each path is kept as its folder and
// its name, and paths that follow one another in one folder share that folder's bytes, as a folder's files
// do. A path reads back exactly as it was given, byte for byte.
class PathList {
public:
    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string;

        Iterator() = default;
        Iterator(const PathList* list, std::size_t at) : list_(list), at_(at) {}
        std::string operator*() const { return (*list_)[at_]; }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++at_;
            return before;
        }
        bool operator==(const Iterator& other) const { return at_ == other.at_; }

    private:
        const PathList* list_ = nullptr;
        std::size_t at_ = 0;
    };
    using value_type = std::string;
    using const_iterator = Iterator;
    using iterator = Iterator;

    PathList() = default;
    PathList(std::initializer_list<std::string_view> paths);
    PathList(const std::vector<std::string>& paths);

    void push_back(std::string_view path);
    void append(const PathList& other);
    void clear();
    // Gives back the room the lists grew into beyond what they hold.
    void shrink_to_fit();

    std::size_t size() const { return nameEnds_.size(); }
    bool empty() const { return nameEnds_.empty(); }
    std::string operator[](std::size_t i) const;
    std::vector<std::string> toVector() const;

    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, size()}; }

    friend bool operator==(const PathList& a, const PathList& b);

private:
    std::string_view folder(std::size_t f) const;

    std::string folders_;                 // every folder part, each up to and with its last separator
    std::vector<std::size_t> folderEnds_; // where each folder part ends in folders_
    std::string names_;                   // the part after each path's folder
    std::vector<std::size_t> nameEnds_;   // where each path's name ends in names_
    std::vector<std::uint32_t> folderOf_; // each path's folder part
};

} // namespace morvane
