#pragma once

#include <string>

namespace morvane::bench {

// What a byte-order mark costs a run: the benchmark corpus as it is, behind a UTF-8 mark and in UTF-16 LE
// with its mark, each simulated on one worker and on all and executed on a copy with the benchmark's pairs;
// one generated file of 64 MB of text through the runner, streamed as bytes and read whole as UTF-16, with
// each process's time; and decoding and encoding alone. Returns whether every encoding counted the same and
// left the same text.
bool printEncodedFileFigures(const std::string& work);

} // namespace morvane::bench
