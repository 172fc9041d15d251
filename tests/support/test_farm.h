// A bare Farm over the real file system in a temporary folder, with a ManualClock and a
// RecordingHost, for the settings and log tests; nothing is configured until a test writes it.
#pragma once

#include <string>

#include "farm/farm.h"
#include "platform/posix_file_system.h"
#include "manual_clock.h"
#include "recording_host.h"
#include "temp_dir.h"

struct TestFarm {
    TempDir dir;
    PosixFileSystem fs;
    ManualClock clock;
    RecordingHost host;
    Farm farm{host, fs, clock, dir.file("Kestrun.ini")};

    void writeSettings(const std::string& text) const { writeText(farm.settingsFile, text); }
    std::string settingsText() const { return readText(farm.settingsFile); }
};
