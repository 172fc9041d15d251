// Helpers for scenario tests that run whole farms: kestrun-headless and kestrun-node-sim as real
// processes on a FarmFixture's folders, and readers for what they leave on disk.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "farm/farm_state.h"
#include "farm_fixture.h"
#include "node_process.h"
#include "wait_for.h"

struct QueueFile {
    bool read = false;
    int32_t runningFlag = 0;
    std::vector<SceneEntry> entries;
    size_t size = 0;
};
QueueFile readQueueFile(const std::string& path);

// Node options for a quick simulated node: 20 ms to initialise, load and render a frame, and a
// "wait" pause of 10 ms instead of a real node's second, so that each command is read soon.
inline const std::vector<std::string> kQuickNode{"--init-ms",   "20", "--load-ms",       "20",
                                                 "--render-ms", "20", "--wait-pause-ms", "10"};

class ScenarioFarm {
  public:
    explicit ScenarioFarm(FarmFixtureOptions options = {});
    ~ScenarioFarm();

    FarmFixture fixture;
    std::string outputFile;  // what kestrun-headless printed

    // Starts kestrun-headless with these options (XDG_CONFIG_HOME at the fixture's folder).
    std::unique_ptr<ChildProcess> startHeadless(const std::vector<std::string>& args);
    // Runs it to its end; gives the exit status (-1 when it did not end in time).
    int runHeadless(const std::vector<std::string>& args, int timeoutMs);
    // Starts a simulated node for node number n with extra options (later options win). Nodes
    // are quick by default (kQuickNode).
    void startNode(int n, const std::vector<std::string>& extra = {});
    void startNodes(int count);
    // The options startNode gives node n: the fixture's folders, the quick timing, then extra.
    std::vector<std::string> quickNodeArgs(int n, const std::vector<std::string>& extra = {}) const;
    std::string log() const;
    std::string output() const;
    QueueFile queue() const;
    std::string job(int node) const;

  private:
    std::vector<std::unique_ptr<ChildProcess>> nodes_;
};

// The path of frame's image of a scene saved under content/Renders/<prefix>.
std::string renderedImage(const ScenarioFarm& f, const std::string& prefix, int frame);
