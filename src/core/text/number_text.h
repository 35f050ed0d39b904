#pragma once

#include <string_view>

namespace morvane {

// How the program's own files read a number: leading blanks are skipped, then the longest leading decimal
// number is taken (an optional sign, digits, an optional fraction); "1.0" and "01" read as 1. A text that
// does not start with a number reads as 0, and so does anything after the number.
double leadingNumber(std::string_view text);

// The files store a flag as a number; only a value reading as exactly 1 is true, so "2", "-1" and words are
// false.
bool readsAsTrue(std::string_view text);

// A flag as the program writes it.
constexpr std::string_view flagText(bool flag) {
    return flag ? "1" : "0";
}

} // namespace morvane
