// The replaceable local clock: an atomic function pointer, so that a test may swap it while the
// link's threads read it.
#include "capture/local_clock.h"

#include <atomic>

namespace vyr {
namespace {

std::tm SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
}

std::atomic<LocalClockSource> clockSource{&SystemLocalTime};

}  // namespace

std::tm LocalClockNow() {
    return clockSource.load()();
}

void SetLocalClockForTest(LocalClockSource source) {
    clockSource.store(source != nullptr ? source : &SystemLocalTime);
}

}  // namespace vyr
