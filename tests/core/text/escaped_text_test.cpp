#include "core/text/escaped_text.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using namespace std::string_literals;

struct EscapeCase {
    const char* label;
    std::string text;
    std::string escaped;
};

class ControlByteEscaping : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(ControlByteEscaping, WritesEveryControlByteAndBackslashAsAForm) {
    EXPECT_EQ(escapeControlBytes(GetParam().text), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ControlByteEscaping,
    ::testing::Values(EscapeCase{"plain", "/data/report 1.txt", "/data/report 1.txt"},
                      EscapeCase{"empty", "", ""},
                      EscapeCase{"forged_total_line", "a\ntotal\t0", "a\\ntotal\\t0"},
                      EscapeCase{"backslash_before_n_stays_apart", "a\\n", "a\\\\n"},
                      EscapeCase{"carriage_return_and_escape", "\r\x1b[2J", "\\x0d\\x1b[2J"},
                      EscapeCase{"nul_first_and_delete", "\0\x7f"s, "\\x00\\x7f"},
                      EscapeCase{"unit_separator_and_space", "\x1f ", "\\x1f "},
                      EscapeCase{"eight_bit_bytes_stay", "\xe4\xff\xc3\xa4", "\xe4\xff\xc3\xa4"}),
    [](const ::testing::TestParamInfo<EscapeCase>& info) { return std::string(info.param.label); });

} // namespace
} // namespace morvane
