#include "report/farm_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "farm/farm.h"
#include "platform/fixed_text.h"

namespace {

constexpr const char* kDayNames[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
// The pane shows at most this much of the file's end, less the final byte or two.
constexpr size_t kTailBytes = 10000;

// Text from outside (file names above all) must not break a log line or forge another one.
void appendClean(std::string& line, std::string_view text) {
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        line.push_back(u < 0x20 || u == 0x7F ? '?' : c);
    }
}

// "SUN-09:05.07 - " for that local time.
std::string logPrefix(const LocalTime& time) {
    const char* day = time.weekday >= 0 && time.weekday < 7 ? kDayNames[time.weekday] : "???";
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "%s-%.2i:%.2i.%.2i - ", day, time.hour, time.minute,
                  time.second);
    return prefix;
}

}  // namespace

void logLine(Farm& farm, std::string_view message, std::string_view detail) {
    std::string line = logPrefix(farm.clock.localTime());
    appendClean(line, message);
    line.push_back(' ');
    appendClean(line, detail);
    line.append(kCrLf);
    errno = 0;
    if (!farm.fs.appendFile(farm.state.logFilePath, line)) {
        int error = errno;
        std::fprintf(stderr, "%s: %s\n", farm.state.logFilePath.c_str(),
                     error ? std::strerror(error) : "cannot be written");
        return;
    }
    farm.state.logDirty = true;
    farm.state.logWrites += 1;
}

void clearLog(Farm& farm) {
    farm.fs.writeFile(farm.state.logFilePath, "");
    logLine(farm, "********* Log Was Cleared***********");
}

std::optional<std::string> readLogTail(Farm& farm) {
    std::string tail;
    uint64_t size = 0;
    if (!farm.fs.readFileTail(farm.state.logFilePath, kTailBytes, tail, size)) {
        return std::nullopt;
    }
    // A short file loses its last byte (the LF of its last line), a long one its last two (its
    // CR LF): the tail is bytes 0..n-2, or n-10000..n-3.
    size_t keep = size >= kTailBytes ? kTailBytes - 2 : (tail.empty() ? 0 : tail.size() - 1);
    tail.resize(std::min(keep, tail.size()));
    return tail;
}
