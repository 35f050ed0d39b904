#pragma once

#include "core/run/run.h"

#include <functional>
#include <utility>

namespace morvane::testing {

// Makes a change once the run has read its first file, before it writes anything.
struct ChangeAfterTheFirstRead : RunObserver {
    std::function<void()> change;
    void progress(int) override {
        if (change) {
            std::exchange(change, nullptr)();
        }
    }
};

} // namespace morvane::testing
