#include "core/text/notation.h"
#include "fuzz_check.h"

#include <cstdint>

using morvane::testing::plainReplace;

// The forms one after the other, each over the whole text, with the plain replacing as the reference.
static std::string referenceExpansion(std::string text) {
    text = plainReplace(text, "^p", "\r\n");
    text = plainReplace(text, "^t", "\t");
    for (int code = 0; code <= 255; ++code) {
        text = plainReplace(text, "^chr(" + std::to_string(code) + ")", std::string(1, char(code)));
    }
    return text;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string expanded = morvane::expandNotation(text);

    // Every form stands for at least one byte and is at least as long as what it stands for.
    FUZZ_CHECK(expanded.empty() == text.empty());
    FUZZ_CHECK(expanded.size() <= text.size());
    if (text.find('^') == std::string::npos) {
        FUZZ_CHECK(expanded == text);
    }
    FUZZ_CHECK(expanded == referenceExpansion(text));
    return 0;
}
