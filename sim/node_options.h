// The command line of the simulated ScreamerNet node: what it is told to be (node number,
// command folder), how slow it is and how it misbehaves. parseNodeOptions turns argv into
// NodeOptions or a one-line error; the usage text lists every option with its default.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "sim/path_map.h"

namespace sim {

struct NodeOptions {
    std::string commandDir;    // holds jobN (read) and ackN (written)
    int node = 0;              // N, 1 or more
    std::string contentDir;    // base of scene save prefixes that are not absolute
    int initMs = 100;          // how long "Initializing" stands before "Ready"
    int loadMs = 300;          // how long "Loading scene ..." stands before "Ready"
    int renderMs = 300;        // how long "Rendering frame ..." stands before the image is written
    int pollMs = 20;           // pause between two looks at the job file
    std::set<int> failFrames;  // frames answered without an image the first time they come
    int dieAfterFrames = -1;   // stop answering once this many frames were answered; -1 never
    PathMap pathMap;           // node-side prefixes and the local folders they stand for
};

enum class ParseOutcome { Run, Help, Version, Error };

// Reads argv[1..argc-1]. Error leaves a one-line reason in error.
ParseOutcome parseNodeOptions(int argc, const char* const* argv, NodeOptions& options,
                              std::string& error);
std::string usageText();

}  // namespace sim
