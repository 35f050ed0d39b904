#include "core/run/range_cuts.h"

#include "core/text/pair_matcher.h"
#include "core/text/text_encoding.h"

#include <algorithm>

namespace morvane {

RangeCuts::RangeCuts(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                     const PairOptionsList& options) {
    cutBytes_.fill(true);
    bool validTexts = true;
    for (std::size_t j = 0; j < finds.size(); ++j) {
        if (finds[j].empty()) {
            continue; // a pair without a find text is passed over
        }
        const PairOptions pairOptions = optionsOfPair(options, j);
        if (pairOptions.pattern) {
            return;
        }
        needsUtf8_ = needsUtf8_ || !pairOptions.isPlain();
        validTexts =
            validTexts && isValidUtf8(finds[j]) && (j >= replaces.size() || isValidUtf8(replaces[j]));
        for (const char byte : finds[j]) {
            cutBytes_[static_cast<unsigned char>(byte)] = false;
        }
    }
    if (needsUtf8_) {
        if (!validTexts) {
            cutBytes_.fill(false);
        }
        for (std::size_t byte = 0; byte < cutBytes_.size(); ++byte) {
            cutBytes_[byte] =
                cutBytes_[byte] && byte < 0x80 && !isAsciiWordByte(static_cast<unsigned char>(byte));
        }
    }
    usable_ = std::find(cutBytes_.begin(), cutBytes_.end(), true) != cutBytes_.end();
}

bool RangeCuts::canCut(std::string_view text) const {
    return usable_ && (!needsUtf8_ || isValidUtf8(text));
}

std::size_t RangeCuts::findCutByte(std::string_view bytes) const {
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (cutsAfter(bytes[at])) {
            return at;
        }
    }
    return std::string_view::npos;
}

std::size_t RangeCuts::nextCut(std::string_view text, std::size_t from) const {
    if (from == 0 || from >= text.size()) {
        return std::min(from, text.size());
    }
    const std::size_t byte = findCutByte(text.substr(from - 1));
    return byte == std::string_view::npos ? text.size() : from + byte;
}

std::vector<std::size_t> rangeEnds(std::string_view text, const RangeCuts& cuts, std::size_t rangeBytes) {
    std::vector<std::size_t> ends;
    if (rangeBytes > 0 && cuts.canCut(text)) {
        // Each range takes at least rangeBytes, up to the first place after them where it may end.
        for (std::size_t end = rangeBytes; end < text.size(); end = ends.back() + rangeBytes) {
            end = cuts.nextCut(text, end);
            if (end == text.size()) {
                break;
            }
            ends.push_back(end);
        }
    }
    ends.push_back(text.size());
    return ends;
}

} // namespace morvane
