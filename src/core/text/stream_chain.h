#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Where the text that the last pair leaves goes, in order, piece by piece. A piece is only valid during the
// call.
class ChainSink {
public:
    virtual ~ChainSink() = default;
    virtual void take(std::string_view bytes) = 0;
};

// Takes a simulate run's output, which nobody reads.
class DiscardingSink final : public ChainSink {
public:
    void take(std::string_view) override {}
};

// The pairs of a contents run applied to a text that comes in blocks, giving exactly what the run over the
// whole text gives (see replaceInPlace): each pair counts every occurrence, overlapping ones included, and
// replaces the non-overlapping ones found from the left, and the next pair reads what it leaves. Each pair
// is a stage that keeps between blocks only the last bytes of its input that an occurrence can still start
// in (fewer than its find text's length), so its memory does not grow with the text; a block's output is
// passed on as it is made, in pieces of a few tens of kilobytes unless a single replacement is larger,
// small pieces gathered until they make a few kilobytes or the text ends.
// Empty find texts are skipped. In a simulate run the last non-empty pair only counts and nothing reaches
// the sink.
class StreamChain {
public:
    StreamChain(const std::vector<std::string>& finds, const std::vector<std::string>& replaces,
                bool simulate);
    ~StreamChain();
    StreamChain(const StreamChain&) = delete;
    StreamChain& operator=(const StreamChain&) = delete;

    // Blocks of any size, the empty one included.
    void feed(std::string_view block, ChainSink& sink);
    // After the last block: what the stages still hold goes out.
    void finish(ChainSink& sink);

    std::int64_t count() const;
    // Whether some pair has replaced an occurrence by a different text so far; until then every piece the
    // sink took was the input itself.
    bool changed() const;

private:
    class Stage;
    void pass(std::size_t stage, std::string_view piece, ChainSink& sink);
    void finishFrom(std::size_t stage, ChainSink& sink);

    std::vector<Stage> stages_;
};

} // namespace morvane
