// The command line of the simulated ScreamerNet node: what it is told to be (node number,
// command folder), how slow it is, how long its "wait" pauses and how it misbehaves.
// parseNodeOptions turns argv into NodeOptions or a one-line error; the usage text lists every
// option with its default.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "sim/path_map.h"

namespace sim {

struct NodeOptions {
    std::string commandDir;     // holds jobN (read) and ackN (written)
    int node = 0;               // N, 1 or more
    std::string contentDir;     // base of scene save prefixes that are not absolute
    int initMs = 100;           // how long an "init" keeps the node from its job file
    int loadMs = 300;           // how long a scene takes to load
    int renderMs = 300;         // how long one frame takes to render
    int pollMs = 20;            // pause between two looks at the job file when not waiting
    int waitPauseMs = 1000;     // the pause after each "Ready" written for "wait"
    std::set<int> failFrames;   // frames finished without an image, the first time each comes
    std::set<int> emptyFrames;  // frames whose image is written with no bytes, the first time
    std::set<int> cutFrames;    // frames whose image is cut to its first half, the first time
    int dieAfterFrames = -1;    // after this many frames, dies in the middle of the next; -1 never
    int hangAfterFrames = -1;   // after this many frames, hangs in the middle of the next; -1 never
    PathMap pathMap;            // node-side prefixes and the local folders they stand for
};

enum class ParseOutcome { Run, Help, Version, Error };

// Reads argv[1..argc-1]. Error leaves a one-line reason in error.
ParseOutcome parseNodeOptions(int argc, const char* const* argv, NodeOptions& options,
                              std::string& error);
std::string usageText();

}  // namespace sim
