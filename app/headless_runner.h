// kestrun-headless: the farm without a window. Parses the options, runs startFarm, ticks every
// cycle (serving the web monitor's commands and looking at the command folder every Ack_Look_ms
// between ticks) until a quit is posted, a stop signal arrives, --max-ticks ticks have run or (with
// --until-done) no scene is live and no node holds a frame, then runs the Quit steps. A one-line
// summary of the farm (frames done/total, nodes rendering, ETA) is printed every minute and at the
// end. Exit status: 0 after Quit, 2 when not configured, 3 when the operator would have had to
// answer the already-running question or another farm holds the queue, 1 on bad options.
#pragma once

#include <string>
#include <vector>

struct HeadlessOptions {
    bool go = false;
    bool yes = false;
    bool untilDone = false;
    long maxTicks = -1;  // -1: no limit
    long cycleMs = -1;   // -1: Cycle_time seconds
    long webPort = -1;   // -1: [Web_Monitor] Port
};

// False with a message in error when the options are not understood.
bool parseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options,
                          std::string& error);
int runHeadless(int argc, char** argv);
