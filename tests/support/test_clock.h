// A local clock that tests set by hand, installed with SetLocalClockForTest, so that file names and
// recording splits follow the test's time rather than the wall clock.
#pragma once

#include <atomic>
#include <ctime>

#include "capture/local_clock.h"

namespace vyr::test {

class TestClock {
public:
    // Installs the clock at the given time; the destructor restores the system clock.
    TestClock(int year, int month, int day, int hour, int minute, int second) {
        Set(year, month, day, hour, minute, second);
        SetLocalClockForTest(&Now);
    }
    ~TestClock() { SetLocalClockForTest(nullptr); }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    void Set(int year, int month, int day, int hour, int minute, int second) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        seconds().store(::timegm(&t));
    }

private:
    // The broken-down time of the stored count, read as if UTC were the local zone.
    static std::tm Now() {
        const std::time_t now = seconds().load();
        std::tm t{};
        ::gmtime_r(&now, &t);
        return t;
    }
    static std::atomic<std::time_t>& seconds() {
        static std::atomic<std::time_t> value{0};
        return value;
    }
};

}  // namespace vyr::test
