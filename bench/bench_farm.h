// A farm laid out for the benchmarks in a temporary folder: queue, command and content folders,
// the settings filled in memory, a front end that does nothing and a clock that stands still.
// Scene files and their images are written with plain POSIX calls, never through the farm's
// file system, so the counters see only what the measured operation does. FsMeter measures one
// benchmark: it counts the farm's file operations per iteration and, on a "share", delays each
// one by 1 ms the way a network share's round trip would.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "farm/farm.h"
#include "manual_clock.h"
#include "plain_file_system.h"
#include "temp_dir.h"
#include "tests/support/quiet_host.h"

enum class Disk { Local, Share };
constexpr std::chrono::milliseconds kShareRoundTrip{1};

class BenchFarm {
  public:
    // A farm of `nodes` nodes (their job and acknowledgement files not written yet).
    explicit BenchFarm(int nodes);

    // Writes `count` scene files scene001.lws ... with frames 0..frames-1, each saving into its
    // own image folder, writes the images of the frames that are not missing (frame f is
    // missing when missingEvery > 0 and f % missingEvery == 0), and queues them with the farm's
    // own queue check.
    void addScenes(int count, int frames, int missingEvery);
    // Writes node's acknowledgement file, dated a minute back.
    void writeAck(int node, std::string_view text) const;
    // Puts nodes 1..No_Of_Nodes into state, each holding frame 0 of the first scene, with their
    // acknowledgement files saying ack.
    void setNodes(NodeState state, std::string_view ack);

    TempDir dir;
    std::string queueDir;
    std::string commandDir;
    std::string contentDir;
    // Its record file is the queue file.
    PlainFileSystem fs;
    ManualClock clock;
    QuietHost host;
    Farm farm;
};

// The farm of a benchmark family, built on first use and kept for the rest of the run (writing
// tens of thousands of images once is enough). Keyed by the caller's description.
BenchFarm& sharedFarm(const std::string& key, int nodes, int scenes, int frames, int missingEvery);

// Counts the farm's file operations from construction to destruction and reports them per
// iteration: "ops" (all of them), "read", "list", "stat" and "write" (writes, renames and
// deletes). Meanwhile the file system goes the given way, and on a share every operation first
// waits kShareRoundTrip.
class FsMeter {
  public:
    FsMeter(benchmark::State& state, PlainFileSystem& fs, Disk disk, Way way);
    ~FsMeter();
    FsMeter(const FsMeter&) = delete;
    FsMeter& operator=(const FsMeter&) = delete;

  private:
    benchmark::State& state_;
    PlainFileSystem& fs_;
};

// Registers run four times: name + "/local" and name + "/share", each for the farm's way and,
// with "/plain" appended, for the plain way. farmOps and plainOps are about the file
// operations each way costs: on a share they choose as few iterations as keep the run short;
// locally the library chooses.
void registerPair(const std::string& name, int farmOps, int plainOps,
                  const std::function<void(benchmark::State&, Way, Disk)>& run);
