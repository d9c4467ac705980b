// Waiting for a condition another thread makes true, re-testing it every few milliseconds until a
// deadline; the deadline is generous because a loaded machine must not fail a correct program.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace vyr::test {

inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace vyr::test
