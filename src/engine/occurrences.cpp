#include "engine/occurrences.h"

#include <cstring>
#include <vector>

namespace morvane {

namespace {

// The smallest p > 0 such that the text equals itself shifted by p: its length minus its longest proper
// border.
std::size_t smallestPeriod(std::string_view text) {
    if (text.empty()) {
        return 1;
    }
    std::vector<std::size_t> border(text.size(), 0);
    for (std::size_t i = 1, k = 0; i < text.size(); ++i) {
        while (k > 0 && text[i] != text[k]) {
            k = border[k - 1];
        }
        if (text[i] == text[k]) {
            ++k;
        }
        border[i] = k;
    }
    return text.size() - border.back();
}

} // namespace

OccurrenceFinder::OccurrenceFinder(std::string_view find) : find_(find), period_(smallestPeriod(find)) {}

std::size_t OccurrenceFinder::next(std::string_view text, std::size_t from) const {
    if (find_.empty() || from >= text.size() || text.size() - from < find_.size()) {
        return std::string_view::npos;
    }
    const char* start = text.data() + from;
    const std::size_t length = text.size() - from;
    const void* hit = nullptr;
    if (find_.size() == 1) {
        hit = std::memchr(start, find_[0], length);
    } else {
#ifdef __GLIBC__
        hit = ::memmem(start, length, find_.data(), find_.size());
#else
        return text.find(find_, from);
#endif
    }
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
               : std::string_view::npos;
}

std::int64_t countOccurrences(std::string_view text, const OccurrenceFinder& find) {
    std::int64_t count = 0;
    for (std::size_t at = find.next(text, 0); at != std::string_view::npos;
         at = find.next(text, at + find.overlapStep())) {
        ++count;
    }
    return count;
}

std::int64_t AnzahlFundstellen(std::string_view text, std::string_view find) {
    return countOccurrences(text, OccurrenceFinder(find));
}

std::int64_t countAndReplace(std::string_view text, const OccurrenceFinder& find,
                             std::string_view replacement, std::string& out) {
    std::int64_t count = 0;
    std::size_t copiedUpTo = 0;
    bool writing = false;
    for (std::size_t at = find.next(text, 0); at != std::string_view::npos;
         at = find.next(text, at + find.overlapStep())) {
        ++count;
        if (at < copiedUpTo) {
            continue; // starts inside the occurrence replaced last
        }
        if (!writing) {
            out.clear();
            out.reserve(text.size());
            writing = true;
        }
        out.append(text.data() + copiedUpTo, at - copiedUpTo);
        out.append(replacement);
        copiedUpTo = at + find.text().size();
    }
    if (writing) {
        out.append(text.data() + copiedUpTo, text.size() - copiedUpTo);
    }
    return count;
}

std::string replaceAllOccurrences(std::string_view text, std::string_view find,
                                  std::string_view replacement) {
    std::string out;
    if (countAndReplace(text, OccurrenceFinder(find), replacement, out) == 0) {
        return std::string(text);
    }
    return out;
}

} // namespace morvane
