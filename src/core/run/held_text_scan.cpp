#include "core/run/held_text_scan.h"

#include "core/run/row_work.h"

namespace morvane {

namespace {

// Kept from scan to scan, so that each range or file does not map and fault in a buffer of its own.
std::string& heldTextBuffer() {
    thread_local std::string buffer;
    return buffer;
}

} // namespace

HeldTextScan::HeldTextScan(const Plan& plan, const RangeCuts& cuts, StreamChain& chain, bool scanOnce,
                           std::size_t mostBytes, bool textWanted)
    : plan_(plan), cuts_(cuts), chain_(chain), mostBytes_(mostBytes), textWanted_(textWanted),
      holding_(scanOnce), held_(heldTextBuffer()) {
    held_.clear();
    if (holding_) {
        held_.reserve(2 * kHeldTextBytes); // a part and the block that ends it, at the usual block size
    }
}

void HeldTextScan::feed(std::string_view piece, ChainSink& sink) {
    if (holding_ && held_.size() + piece.size() > kHeldTextBytes) {
        if (const std::size_t cut = cuts_.findCutByte(piece); cut != std::string_view::npos) {
            held_.append(piece.substr(0, cut + 1));
            scanHeld(sink);
            piece.remove_prefix(cut + 1);
        } else if (held_.size() + piece.size() > mostBytes_) {
            chain_.feed(held_, sink);
            held_.clear();
            holding_ = false;
        }
    }
    if (holding_) {
        held_.append(piece);
    } else {
        chain_.feed(piece, sink);
    }
}

void HeldTextScan::finish(ChainSink& sink) {
    if (holding_) {
        scanHeld(sink);
        releaseIfLarge(held_);
    }
    chain_.finish(sink);
}

void HeldTextScan::scanHeld(ChainSink& sink) {
    const PairsOutcome outcome = applyPairs(plan_, held_, false, textWanted_, nullptr, {});
    count_ += outcome.count;
    // Told before the piece goes on, as the chain tells it.
    changed_ = changed_ || outcome.changed;
    if (textWanted_ && !held_.empty()) {
        sink.take(held_);
    }
    held_.clear();
}

} // namespace morvane
