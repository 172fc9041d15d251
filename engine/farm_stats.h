// Frame statistics of the farm: the frame times it has seen, and the figures made from them and
// from the tables (frames done and to do, average frame times, ETAs, stuck nodes).
//
// The farm records each completed frame's time (the time its "completed frame" line logs) with
// recordFrameTime. The times of every scene, every node and the whole farm are kept beside the
// queue file in "Kestrun.stats", so a restarted farm keeps its averages; the queue file itself
// is not touched. The figures are worked out when asked for, from the tables as they stand, so
// they are never out of step with them. watchFarmStats runs once a tick: it reports a node that
// has shown no progress for too long, once per stall (and, with Stuck_Hand_Back, hands its frame
// back and makes it offline), and saves the times when they changed.
//
// Anyone holding the Farm may read the figures (the window, kestrun-headless, the web monitor);
// only the farm's own thread calls them, as with every other farm operation.
#pragma once

#include <cstdint>
#include <string>

#include "farm/frame_times.h"

struct Farm;

// Figures of one scene-queue entry.
struct SceneFigures {
    int32_t sceneId = -1;
    int framesDone = 0;  // frames of its range present or reported finished
    int framesToDo = 0;
    uint32_t averageMs = 0;  // the scene's mean frame time; 0 before its first frame
    int nodesOn = 0;         // nodes working on it, stuck ones not counted
    // frames to do × average (the farm's before the scene's first frame) ÷ nodes on it;
    // 0 for a scene with nothing to do; kUnknownMs when no average is known or no node is on it.
    int64_t etaMs = kUnknownMs;
};

// Figures of one node.
struct NodeFigures {
    uint32_t lastMs = 0;
    uint32_t averageMs = 0;
    int framesThisRun = 0;
    bool stuck = false;
    // How long it has been in a working state without moving on; kUnknownMs when it is idle,
    // offline or retired.
    int64_t stalledMs = kUnknownMs;
};

// Figures of the whole farm, over the scene-queue table.
struct FarmFigures {
    int framesDone = 0;      // over every entry that has not failed
    int framesToDo = 0;      // over the live scenes
    int nodesRendering = 0;  // nodes holding a frame (loading or rendering it), stuck ones included
    int nodesStuck = 0;
    int scenesFailed = 0;    // entries that failed: unreadable, or too many problem frames
    uint32_t averageMs = 0;  // the farm's mean frame time; 0 before the first frame
    // Work of every live scene (frames to do × its average, or the farm's) ÷ the nodes online
    // and not stuck; 0 when nothing is left; kUnknownMs when it cannot be worked out.
    int64_t etaMs = kUnknownMs;
};

SceneFigures sceneFigures(const Farm& farm, int entry);
NodeFigures nodeFigures(const Farm& farm, int node);
FarmFigures farmFigures(const Farm& farm);
// True when the node was reported as showing no progress and has not moved on since.
bool nodeStuck(const Farm& farm, int node);

// A duration as the completed-frame lines write it ("0h4m9s"); "--" for kUnknownMs.
std::string durationText(int64_t ms);
// "Frames 12/40 done, 2 nodes rendering, ETA 0h3m20s" (", 1 stuck" when a node is; ", 1 scene
// failed" when one did).
std::string farmSummaryText(const Farm& farm);

// Records one completed frame of the node's scene; called where the completion is logged.
void recordFrameTime(Farm& farm, int node, uint32_t elapsedMs);
// Once a tick: reports nodes that show no progress, saves the times when they changed.
void watchFarmStats(Farm& farm);
// True once a minute of the farm's tick clock has passed since the last call that gave true
// (the first call only starts the minute).
bool minutePassed(Farm& farm);

// "Kestrun.stats" beside the queue file.
std::string statsFilePath(const Farm& farm);
// Reads the times kept beside the queue file; call after the queue file was loaded, so times of
// scenes no longer queued are dropped. A missing or damaged file gives empty statistics.
void loadFarmStats(Farm& farm);
// Writes them atomically beside the queue file; false when that failed.
bool saveFarmStats(Farm& farm);
