// The frame times the farm keeps, held by the Farm: running totals of the whole farm, of each
// scene and of each node, and what one node has done this run. engine/farm_stats records them
// and works out the figures shown from them.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "farm/farm_state.h"

// An ETA or stall that cannot be worked out (no frame timed yet, no node working).
constexpr int64_t kUnknownMs = -1;

// A running total of frame times.
struct FrameTimes {
    uint64_t totalMs = 0;
    uint64_t frames = 0;
    void add(uint32_t ms);
    // The mean frame time in ms; 0 while no frame has been timed.
    uint32_t averageMs() const;
};

// The frame times of one scene, with the file name it was queued under: a later scene that is
// given the same id under another name starts afresh.
struct SceneTimes : FrameTimes {
    std::string fileName;
};

// What one node has done. `times` and `lastMs` are kept across restarts; the rest is this run's.
struct NodeTimes {
    FrameTimes times;
    uint32_t lastMs = 0;     // the node's last frame time; 0 before its first
    int framesThisRun = 0;   // frames it completed since start-up
    bool stuck = false;      // reported as showing no progress, until it moves on
    uint32_t stallTick = 0;  // the commandTick of the stall that was reported
    int32_t stallState = -1;
};

// The times the farm keeps, held by the Farm.
struct FarmStats {
    FrameTimes farm;                       // every frame timed
    std::map<int32_t, SceneTimes> scenes;  // by sceneId
    NodeTimes nodes[kNodeSlots];           // by node number
    bool changed = false;                  // times recorded since the last save
    uint32_t lastSaveTick = 0;             // tick of the last save
    uint32_t lastMinuteTick = 0;           // for once-a-minute duties of a front end
    bool minuteStarted = false;            // lastMinuteTick has been set
};
