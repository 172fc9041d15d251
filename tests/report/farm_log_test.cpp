// The farm log: exact bytes of a line, Clear Log, and the tail the log pane shows.
#include "report/farm_log.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/test_farm.h"

namespace {

struct LogFarm : TestFarm {
    LogFarm() {
        farm.state.logFilePath = dir.file("Logfile.txt");
        clock.time = LocalTime{0, 9, 5, 7};  // Sunday 09:05:07
    }
    std::string log() const { return readText(farm.state.logFilePath); }
};

TEST(FarmLog, ALineIsPrefixMessageSpaceDetailCrLf) {
    LogFarm t;
    logLine(t.farm, "********* Started Kestrun!***********");
    EXPECT_TRUE(t.farm.state.logDirty);
    t.clock.time = LocalTime{2, 14, 3, 9};
    logLine(t.farm, "Scene file removed from queue:", "a.lws");
    EXPECT_EQ(t.log(),
              "SUN-09:05.07 - ********* Started Kestrun!*********** \r\n"
              "TUE-14:03.09 - Scene file removed from queue: a.lws\r\n");
}

TEST(FarmLog, PrefixNamesTheDayAndPadsEveryNumber) {
    LogFarm t;
    const struct {
        LocalTime time;
        const char* prefix;
    } cases[] = {
        {{0, 9, 5, 7}, "SUN-09:05.07 - "},    {{1, 0, 0, 0}, "MON-00:00.00 - "},
        {{3, 23, 59, 59}, "WED-23:59.59 - "}, {{4, 10, 10, 10}, "THU-10:10.10 - "},
        {{5, 1, 2, 3}, "FRI-01:02.03 - "},    {{6, 12, 0, 1}, "SAT-12:00.01 - "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefix);
        writeText(t.farm.state.logFilePath, "");
        t.clock.time = c.time;
        logLine(t.farm, "x");
        EXPECT_EQ(t.log(), std::string(c.prefix) + "x \r\n");
    }
}

TEST(FarmLog, ControlBytesFromOutsideCannotForgeALine) {
    LogFarm t;
    logLine(t.farm, "Added Newer scene file with name",
            "x.lws\r\nSUN-00:00.00 - forged\t\x7f\x01.lws");
    logLine(t.farm, "tab\there");
    EXPECT_EQ(t.log(),
              "SUN-09:05.07 - Added Newer scene file with name x.lws??SUN-00:00.00 - forged???.lws"
              "\r\nSUN-09:05.07 - tab?here \r\n");
}

TEST(FarmLog, ALogThatCannotBeOpenedLosesTheLineAndSaysSoOnStandardError) {
    LogFarm t;
    t.farm.state.logFilePath = t.dir.file("missing/Logfile.txt");
    testing::internal::CaptureStderr();
    logLine(t.farm, "lost");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(t.farm.state.logDirty);
    EXPECT_NE(err.find(std::strerror(ENOENT)), std::string::npos) << err;
    EXPECT_FALSE(fileExists(t.farm.state.logFilePath));
}

TEST(FarmLog, ClearLogLeavesOnlyItsOwnLine) {
    LogFarm t;
    writeText(t.farm.state.logFilePath, std::string(3000, 'x') + "\r\n");
    t.clock.time = LocalTime{2, 14, 3, 9};
    clearLog(t.farm);
    const std::string line = "TUE-14:03.09 - ********* Log Was Cleared*********** \r\n";
    EXPECT_EQ(t.log(), line);
    EXPECT_EQ(readLogTail(t.farm), line.substr(0, line.size() - 1));
}

// Byte i of a test log: a pattern that tells every offset apart over a few hundred bytes.
std::string patternText(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        s[i] = static_cast<char>('!' + (i * 7 + i / 91) % 90);
    }
    return s;
}

TEST(FarmLog, TheTailIsTheFilesEndLessItsLastByteOrTwo) {
    const struct {
        size_t size;
        size_t first;  // first byte shown
        size_t last;   // last byte shown, inclusive
    } cases[] = {
        {500, 0, 498}, {9999, 0, 9997}, {10000, 0, 9997}, {10001, 1, 9998}, {25000, 15000, 24997},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        LogFarm t;
        std::string file = patternText(c.size);
        writeText(t.farm.state.logFilePath, file);
        EXPECT_EQ(readLogTail(t.farm), file.substr(c.first, c.last - c.first + 1));
    }
}

TEST(FarmLog, AnEmptyOrMissingLogShowsNothing) {
    LogFarm t;
    EXPECT_EQ(readLogTail(t.farm), std::nullopt);
    writeText(t.farm.state.logFilePath, "");
    EXPECT_EQ(readLogTail(t.farm), "");
}

}  // namespace
