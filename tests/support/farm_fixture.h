// A configured farm in a temporary folder for tests: queue, command, config and content folders,
// an lw.cfg, and a Kestrun.ini naming them (written as text, the way an operator would). The
// Farm uses the real file system (counted, for tests of how many operations a step costs), a
// ManualClock and a RecordingHost.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "counting_file_system.h"
#include "farm/farm.h"
#include "manual_clock.h"
#include "recording_host.h"
#include "temp_dir.h"

struct FarmFixtureOptions {
    int nodes = 3;
    int freeSpaceMinimum = 0;
    int cycleTime = 1;
    bool writeLwCfg = true;
    std::string lwCfgExtra;        // appended to the default lw.cfg text
    std::string iniExtra;          // appended to the default Kestrun.ini text
    std::string contentDirectory;  // lw.cfg's ContentDirectory value; empty: the content folder
};

class FarmFixture {
  public:
    explicit FarmFixture(FarmFixtureOptions options = {});

    TempDir dir;
    std::string queueDir;    // <tmp>/queue
    std::string commandDir;  // <tmp>/command
    std::string configDir;   // <tmp>/config (holds lw.cfg)
    std::string contentDir;  // <tmp>/content
    std::string settingsFile;

    CountingFileSystem fs;
    ManualClock clock;
    RecordingHost host;
    std::unique_ptr<Farm> farm;

    // The ContentDirectory value the fixture's lw.cfg holds.
    std::string lwContentDirectory() const;
    // The Kestrun.ini text the fixture writes.
    std::string iniText() const;
    // Writes a scene file into the queue folder (see sceneText) and gives its path.
    std::string addSceneFile(std::string_view name, std::string_view text) const;
    // Writes node's acknowledgement file as the node would.
    void writeAck(int node, std::string_view text) const;
    // The text of node's job file, and of the log in the queue folder ("" when there is none).
    std::string job(int node) const;
    std::string log() const;
    // The log's lines without their time prefixes (none when there is no log).
    std::vector<std::string> loggedMessages() const;
    // The options of a simulated node for node number n on the fixture's command and content
    // folders, then extra (later options win).
    std::vector<std::string> nodeArgs(int n, const std::vector<std::string>& extra = {}) const;

  private:
    FarmFixtureOptions options_;
};

// A scene file in LightWave's text format (LWSC 3 style, LF line ends) with the given frame range
// and save prefix; format 2 (".TGA") and four-digit frame numbers. Pass crlf for CR LF ends.
std::string sceneText(int first, int last, int step, std::string_view savePrefix,
                      bool crlf = false);
