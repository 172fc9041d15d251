// The Farm: the one object every farm operation takes first. It holds the farm state, the
// settings, the front end (FarmHost) and the two seams to the machine, the file system and the
// clock, so tests and benchmarks can set time, count file operations or make one fail. There are
// no globals: a test may run several farms side by side.
#pragma once

#include <set>
#include <string>

#include "engine/farm_host.h"
#include "engine/farm_state.h"
#include "engine/farm_stats.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "settings/farm_settings.h"

// Conditions the farm logs once, until they change.
struct QueueNotices {
    bool queueFull = false;              // a scene could not be queued: the table is full
    bool folderUnreadable = false;       // the queue folder could not be listed
    std::set<std::string> refusedNames;  // scene file names that cannot be queued
    bool commandFolderMissing = false;   // the command folder was not there at the last look
    std::string refusedNotifyCommand;    // the Notify_Command that could not be started
};

struct Farm {
    Farm(FarmHost& host, FileSystem& fs, Clock& clock, std::string settingsFile)
        : host(host), fs(fs), clock(clock), settingsFile(std::move(settingsFile)) {}
    Farm(const Farm&) = delete;
    Farm& operator=(const Farm&) = delete;

    FarmHost& host;
    FileSystem& fs;
    Clock& clock;
    std::string settingsFile;  // full path of Kestrun.ini

    FarmSettings settings;
    FarmState state;
    bool opened = false;  // this run opened the farm, so the Quit steps apply
    QueueNotices notices;
    FarmStats stats;
};
