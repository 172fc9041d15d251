#include "farm/frame_times.h"

#include <algorithm>
#include <limits>

void FrameTimes::add(uint32_t ms) {
    totalMs += ms;
    frames += 1;
}

uint32_t FrameTimes::averageMs() const {
    if (frames == 0) {
        return 0;
    }
    uint64_t mean = (totalMs + frames / 2) / frames;
    return static_cast<uint32_t>(std::min<uint64_t>(mean, std::numeric_limits<uint32_t>::max()));
}
