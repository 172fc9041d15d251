// The Farm: the one object every farm operation takes first. It holds the farm state, the
// settings, the front end (FarmHost) and the two seams to the machine, the file system and the
// clock, so tests and benchmarks can set time, count file operations or make one fail. There are
// no globals: a test may run several farms side by side.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "farm/ack_memory.h"
#include "farm/farm_host.h"
#include "farm/farm_settings.h"
#include "farm/farm_state.h"
#include "farm/frame_times.h"
#include "farm/run_memory.h"
#include "platform/clock.h"
#include "platform/file_lock.h"
#include "platform/file_system.h"

// A file the farm saves again and again: whether the last save failed, and whether it had to
// write the file in place, so each is logged once until it changes.
struct SaveNotice {
    bool failing = false;
    bool inPlace = false;
};

// The queue folder's scene files as the last listing found them (".lws" names, refused names left
// out), kept for a folder so full of entries that listing it is slow: such a folder is listed
// again only when its last-write time changed, or at every few checks.
struct SceneFileListing {
    bool slow = false;        // the last listing took long
    std::string folder;       // the folder listed
    uint64_t folderTime = 0;  // its last-write time before that listing; 0: not known
    int reused = 0;           // checks since then that used it
    std::vector<DirEntry> files;
};

// Conditions the farm logs once, until they change.
struct QueueNotices {
    bool queueFull = false;              // a scene could not be queued: the table is full
    bool folderUnreadable = false;       // the queue folder could not be listed
    std::set<std::string> refusedNames;  // scene file names that cannot be queued
    bool commandFolderMissing = false;   // the command folder was not there at the last look
    SaveNotice queueSave;                // Kestrun.que
    SaveNotice settingsSave;             // Kestrun.ini
    std::string refusedNotifyCommand;    // the Notify_Command that could not be started
};

// The command folder as the channel reset first found it: the path the settings gave and that
// path with every link resolved. Later resets work only in that resolved folder, entered without
// following a link, so a link swapped in at the folder's path is never followed.
struct OpenedFolder {
    std::string path;
    std::string real;
};

// What this farm last wrote to its queue file, so that a save of the same bytes is left out.
struct SavedQueueFile {
    std::string path;
    std::string bytes;
};

// Frames the operator asked to render again, by sceneId: each is to do whatever image exists
// until a node has rendered it again. Kept beside the queue file in "Kestrun.again".
using RenderAgainFrames = std::map<int32_t, std::set<int>>;

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
    // Held from start-up to the end of the Quit steps: one farm per queue folder and per
    // command folder.
    FileLock queueLock;
    FileLock commandLock;
    bool queueInUse = false;  // another farm holds either folder: this one did not open it
    OpenedFolder commandFolder;
    QueueNotices notices;
    SavedQueueFile savedQueue;
    SceneFileListing sceneFiles;
    FarmStats stats;
    RenderAgainFrames renderAgain;
    ImageChecks imageChecks;
    FrameFinishers finishers;
    // A stall limit in milliseconds in place of Stuck_Minutes, for trials and tests; -1: none.
    int64_t stuckLimitMs = -1;
    AckMemory acks;  // what the last look at the command folder found
};
