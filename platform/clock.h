// The clock seam: the 32-bit millisecond tick (it wraps, as GetTickCount does), the local
// wall-clock time of the log lines and the wall clock in nanoseconds that file times are given
// in. The base class reads the real clocks; tests and benchmarks
// put a clock of their own in its place (tests/support's ManualClock).
#pragma once

#include <cstdint>

struct LocalTime {
    int weekday = 0;  // 0 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual uint32_t tickMs();
    virtual LocalTime localTime();
    // Nanoseconds since 1970-01-01 UTC.
    virtual int64_t wallNs();
};
