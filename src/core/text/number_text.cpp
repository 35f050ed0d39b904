#include "core/text/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace morvane {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipDigits(std::string_view text, std::size_t at) {
    while (at < text.size() && isDigit(text[at])) {
        ++at;
    }
    return at;
}

} // namespace

double leadingNumber(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        text.remove_prefix(1);
    }
    const std::size_t integerEnd = skipDigits(text, 0);
    std::size_t end = integerEnd;
    if (end < text.size() && text[end] == '.') {
        end = skipDigits(text, end + 1);
    }
    const bool hasDigits = integerEnd > 0 || end > integerEnd + 1;
    if (!hasDigits) {
        return 0.0;
    }
    double value = 0.0;
    const auto read = std::from_chars(text.data(), text.data() + end, value, std::chars_format::fixed);
    if (read.ec == std::errc::result_out_of_range) {
        // Hundreds of digits: far too large or too small for any value the files hold.
        const bool large = text.substr(0, integerEnd).find_first_not_of('0') != std::string_view::npos;
        value = large ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

bool readsAsTrue(std::string_view text) {
    return leadingNumber(text) == 1.0;
}

} // namespace morvane
