#include "gui/lists/file_list_proxy.h"

#include "core/app/list_text.h"
#include "core/platform/paths.h"
#include "gui/lists/file_list_model.h"

#include <algorithm>
#include <string_view>

namespace morvane {

namespace {

// What a row's name column shows, without a copy.
std::string_view nameOf(std::string_view path) {
    std::size_t at = path.size();
    while (at > 0 && !isPathSeparator(path[at - 1])) {
        --at;
    }
    return path.substr(at);
}

// Names sort as a file manager sorts them, "b.txt" between "A.txt" and "C.txt". The bytes are compared
// as they are, not decoded: tens of thousands of rows sort at once.
int compareIgnoringCase(std::string_view a, std::string_view b) {
    // ASCII letters only: no locale lookup per byte, and a UTF-8 name's other bytes compare as they are.
    const auto folded = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const auto [left, right] = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                             [&](char x, char y) { return folded(x) == folded(y); });
    if (left == a.end() || right == b.end()) {
        return left == a.end() ? (right == b.end() ? a.compare(b) : -1) : 1;
    }
    return static_cast<unsigned char>(folded(*left)) < static_cast<unsigned char>(folded(*right)) ? -1 : 1;
}

} // namespace

FileListProxy::FileListProxy(FileListModel& files, QObject* parent)
    : QSortFilterProxyModel(parent), files_(files) {
    setSourceModel(&files_);
    setDynamicSortFilter(false);
}

void FileListProxy::setOnlyMatches(bool only) {
    if (only != onlyMatches_) {
        onlyMatches_ = only;
        refresh();
    }
}

void FileListProxy::refresh() {
    invalidate();
}

int FileListProxy::fileRow(int shownRow) const {
    const QModelIndex shown = index(shownRow, 0);
    return shown.isValid() ? mapToSource(shown).row() : -1;
}

int FileListProxy::shownRow(int fileRow) const {
    const QModelIndex shown = mapFromSource(files_.index(fileRow, 0));
    return shown.isValid() ? shown.row() : -1;
}

bool FileListProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    return sourceParent.isValid() || !onlyMatches_ || files_.row(sourceRow).count > 0;
}

// Rows that compare equal keep the run's order between them.
bool FileListProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const FileListModel::Row& a = files_.row(left.row());
    const FileListModel::Row& b = files_.row(right.row());
    const int column = left.column();
    if (column == FileListModel::kCountColumn) {
        return a.count < b.count;
    }
    if (column == FileListModel::kNameColumn) {
        return compareIgnoringCase(nameOf(a.path), nameOf(b.path)) < 0;
    }
    if (column == files_.folderColumn()) {
        const std::string& shared = files_.sharedFolder();
        return compareIgnoringCase(shownFolder(a.path, shared), shownFolder(b.path, shared)) < 0;
    }
    return compareIgnoringCase(a.path, b.path) < 0;
}

} // namespace morvane
