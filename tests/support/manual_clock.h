// The clock that tests and benchmarks set by hand, so that frame times and log prefixes are
// exact: the tick and the local time are whatever was last put in them.
#pragma once

#include <cstdint>

#include "platform/clock.h"

class ManualClock : public Clock {
  public:
    uint32_t tick = 0;
    LocalTime time{};
    uint32_t tickMs() override { return tick; }
    LocalTime localTime() override { return time; }
};
