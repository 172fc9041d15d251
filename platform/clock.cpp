#include "platform/clock.h"

#include <chrono>
#include <ctime>

uint32_t Clock::tickMs() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

LocalTime Clock::localTime() {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    return LocalTime{parts.tm_wday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

int64_t Clock::wallNs() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}
