#pragma once

#include <string>
#include <string_view>

namespace morvane {

// The text with every control byte written out, so that a name can never start a line or a field of its own
// where it is printed: a backslash becomes "\\", a line feed "\n", a TAB "\t", and every other byte below 32
// and the byte 127 "\x" with two lower-case hexadecimal digits ("\x0d", "\x1b", "\x7f"). Every other byte,
// those from 128 on included, stays as it is, so a name in any 8-bit encoding keeps its bytes. Reading each
// backslash form back gives the original bytes.
std::string escapeControlBytes(std::string_view text);

// The reverse of escapeControlBytes, for files the program wrote itself: a backslash that starts no known
// form stands for itself.
std::string unescapeControlBytes(std::string_view text);

} // namespace morvane
