// kestrun-headless: the farm without a window. Parses the options, runs startFarm, ticks every
// cycle (serving the web monitor's commands and looking at the command folder every Ack_Look_ms
// between ticks) until a quit is posted, a stop signal arrives, --max-ticks ticks have run or
// (with --until-done) no scene is live and no node holds a frame, then runs the Quit steps. It
// prints the farm's log lines as they are written and a one-line summary of the farm (frames
// done/total, nodes rendering, ETA, failed scenes) every minute and at the end, and names the
// failed scenes at the end; the status texts of the window's status bar only with --verbose.
// Exit status: 0 after Quit, 2 when not configured, 3 when the operator would have had to
// answer the already-running question or another farm holds the queue, 1 on bad options, 4 when
// --until-done ended with failed scenes in the queue.
#pragma once

#include <string>
#include <vector>

struct HeadlessOptions {
    bool go = false;
    bool yes = false;
    bool untilDone = false;
    bool verbose = false;  // print the status texts too
    long maxTicks = -1;    // -1: no limit
    long cycleMs = -1;     // -1: Cycle_time seconds
    long webPort = -1;     // -1: [Web_Monitor] Port
    long stuckMs = -1;     // -1: Stuck_Minutes
};

// False with a message in error when the options are not understood.
bool parseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options,
                          std::string& error);
int runHeadless(int argc, char** argv);
