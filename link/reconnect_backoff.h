// The pause before the stream thread's next attempt: short at first, so that a camera that has
// just booted or come back into range is found within a second, then longer, so that an absent
// camera is not asked without pause. The longest pause stays at 2 s: a dentist who switches the
// camera on expects the picture within about 3 s, whenever that happens.
#pragma once

namespace vyr {

class ReconnectBackoff {
public:
    static constexpr int kFirstPauseMs = 500;
    static constexpr int kLongestPauseMs = 2000;

    // The pause before the next attempt; each call doubles the next one, up to the longest.
    int NextPauseMs() {
        const int pause = nextMs_;
        nextMs_ = nextMs_ * 2 < kLongestPauseMs ? nextMs_ * 2 : kLongestPauseMs;
        return pause;
    }
    // After a stream stood: the next pause is the first one again.
    void Reset() { nextMs_ = kFirstPauseMs; }

private:
    int nextMs_ = kFirstPauseMs;
};

}  // namespace vyr
