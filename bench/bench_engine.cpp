// Benchmarks of the farm engine's hot paths at 1, 10 and 30 nodes, 1, 50 and 299 scenes and
// 100, 1000 and 3000 frames: the node poll, the look at the command folder, the time from a
// node's answer to the farm's next command, the image scan of one scene (and of 3000 whole
// images, first seen and checked before, beside the scan by names alone), the refill scan and
// Re-Scan Queue of the queue, and one full farm tick. Each runs on a local folder and on
// a simulated share (1 ms per file operation), beside the same operation done the plain way: the
// farm's own operation over the plain file system (bench/plain_file_system.h).
#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "bench_farm.h"
#include "engine/ack_look.h"
#include "engine/channel.h"
#include "engine/farm_cycle.h"
#include "engine/image_scan.h"
#include "engine/operator_commands.h"
#include "engine/scene_scans.h"
#include "engine/supervisor.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"

namespace {

// The full farm: 30 nodes, 299 scenes of 100 frames with every tenth image missing, so that
// every scene has 10 frames to do.
constexpr int kFullScenes = 299;
constexpr int kSceneFrames = 100;
constexpr int kMissingEvery = 10;
constexpr int kSceneToDo = kSceneFrames / kMissingEvery;
// Answers timed per reaction benchmark, spread evenly over four ticks.
constexpr int kReactionSamples = 8;

BenchFarm& queueFarm(int scenes) {
    return sharedFarm("queue-" + std::to_string(scenes), kMaxNodes, scenes, kSceneFrames,
                      kMissingEvery);
}

BenchFarm& fullFarm() {
    return queueFarm(kFullScenes);
}

bool allNodesIn(const Farm& farm, NodeState state) {
    for (int i = 1; i <= farm.settings.No_Of_Nodes; ++i) {
        if (farm.state.nodes[i].state != state) {
            return false;
        }
    }
    return true;
}

// One poll per iteration with every node in `from`, its acknowledgement saying ack; a node
// that moved is put back into `from` between iterations. After the poll every node must be in
// `to`.
void benchPoll(benchmark::State& st, Way way, Disk disk, int nodes, NodeState from,
               std::string_view ack, NodeState to) {
    BenchFarm& b = fullFarm();
    b.farm.settings.No_Of_Nodes = nodes;
    b.farm.state.waitingForGo = true;  // a Ready node gets nothing
    b.setNodes(from, ack);
    lookAtAcks(b.farm);  // the files were written before the polls: no poll finds them new
    {
        FsMeter meter(st, b.fs, disk, way);
        for (auto _ : st) {
            if (from != to) {
                st.PauseTiming();
                for (int i = 1; i <= nodes; ++i) {
                    b.farm.state.nodes[i].state = from;
                }
                st.ResumeTiming();
            }
            benchmark::DoNotOptimize(pollNodes(b.farm));
        }
    }
    if (!allNodesIn(b.farm, to)) {
        st.SkipWithError("a node ended in the wrong state");
    }
}

void registerPolls() {
    for (int nodes : {1, 10, 30}) {
        std::string n = "/nodes:" + std::to_string(nodes);
        // Every node rendering, waiting for its "Ready": one read per node per pass.
        registerPair("pollNodes/rendering_waiting" + n, 5 * nodes, 10 * nodes,
                     [nodes](benchmark::State& st, Way way, Disk disk) {
                         benchPoll(st, way, disk, nodes, Rendering, "Render", Rendering);
                     });
        // Every node idle and "Ready" with nothing to hand out: it is sent "wait" each pass.
        registerPair("pollNodes/ready_nothing_to_do" + n, 10 * nodes, 15 * nodes,
                     [nodes](benchmark::State& st, Way way, Disk disk) {
                         benchPoll(st, way, disk, nodes, Ready, "Ready", Ready);
                     });
        // Every node advancing one state: "Render" moves it from Wait Render to Rendering.
        registerPair("pollNodes/advancing" + n, 6 * nodes, 11 * nodes,
                     [nodes](benchmark::State& st, Way way, Disk disk) {
                         benchPoll(st, way, disk, nodes, WtoRender, "Render", Rendering);
                     });
    }
}

// The image scan of a scene never scanned before (every frame code 0), so every frame is
// looked at. The farm has checked these images once already in this run, as it has at every
// scan but the first: what the first look costs is wholeImageScan's.
void benchScanImages(benchmark::State& st, Way way, Disk disk, int frames, int missingEvery,
                     int toDo) {
    BenchFarm& b = sharedFarm("scan-" + std::to_string(frames) + "-" + std::to_string(missingEvery),
                              1, 1, frames, missingEvery);
    SceneEntry& scene = b.farm.state.scenes[1];
    int remaining = -1;
    std::memset(scene.frameMap, 0, sizeof scene.frameMap);
    scanImages(b.farm, 1, remaining);
    {
        FsMeter meter(st, b.fs, disk, way);
        for (auto _ : st) {
            st.PauseTiming();
            std::memset(scene.frameMap, 0, sizeof scene.frameMap);
            st.ResumeTiming();
            benchmark::DoNotOptimize(scanImages(b.farm, 1, remaining));
        }
    }
    if (remaining != toDo) {
        st.SkipWithError("the scan found the wrong number of frames to do");
    }
}

void registerScanImages() {
    struct Presence {
        const char* name;
        int missingEvery;
    };
    for (int frames : {100, 1000, 3000}) {
        for (Presence p : {Presence{"all", 0}, Presence{"half", 2}, Presence{"none", 1}}) {
            int toDo = p.missingEvery == 0 ? 0 : frames / p.missingEvery;
            registerPair("scanImages/frames:" + std::to_string(frames) + "/images:" + p.name, 3,
                         frames + 2, [=](benchmark::State& st, Way way, Disk disk) {
                             benchScanImages(st, way, disk, frames, p.missingEvery, toDo);
                         });
        }
    }
}

// The image scan as it was before images were checked for being whole: the folder listed by
// names alone, each frame's name looked up in them.
bool namesOnlyScanImages(Farm& farm, int e, int& remaining) {
    SceneEntry& scene = farm.state.scenes[e];
    std::string first = imageName(scene, scene.firstFrame);
    std::string folder = first.substr(0, first.rfind('/'));
    std::vector<DirEntry> entries;
    farm.fs.listDirectory(folder, entries, EntryTimes::Skip);
    std::unordered_set<std::string> names;
    for (const DirEntry& entry : entries) {
        if (entry.isRegular) {
            names.insert(toLowerAscii(entry.name));
        }
    }
    remaining = 0;
    for (int f = scene.firstFrame; f <= scene.lastFrame; f += scene.frameStep) {
        std::string name = imageName(scene, f);
        bool present = names.count(toLowerAscii(name.substr(name.rfind('/') + 1))) > 0;
        setFrameCode(scene, f, present ? kFramePresent : kFrameMissing);
        remaining += present ? 0 : 1;
    }
    return remaining == 0;
}

enum class WholeScan { NamesOnly, FirstLook, CheckedBefore };

// A scan of 3000 whole images, every frame code 0: as the scan was before images were checked
// (names only), the farm's scan the first time it sees the images (each one read), and the
// farm's scan of images it checked before in this run (none read).
void benchWholeImageScan(benchmark::State& st, WholeScan how, Disk disk) {
    BenchFarm& b = sharedFarm("scan-3000-0", 1, 1, 3000, 0);
    SceneEntry& scene = b.farm.state.scenes[1];
    int remaining = -1;
    std::memset(scene.frameMap, 0, sizeof scene.frameMap);
    scanImages(b.farm, 1, remaining);
    {
        FsMeter meter(st, b.fs, disk, Way::Farm);
        for (auto _ : st) {
            st.PauseTiming();
            std::memset(scene.frameMap, 0, sizeof scene.frameMap);
            if (how == WholeScan::FirstLook) {
                b.farm.imageChecks.byPath.clear();
            }
            st.ResumeTiming();
            benchmark::DoNotOptimize(how == WholeScan::NamesOnly
                                         ? namesOnlyScanImages(b.farm, 1, remaining)
                                         : scanImages(b.farm, 1, remaining));
        }
    }
    if (remaining != 0) {
        st.SkipWithError("the scan found frames to do among whole images");
    }
}

void registerWholeImageScans() {
    const std::pair<WholeScan, const char*> rows[] = {{WholeScan::NamesOnly, "names_only"},
                                                      {WholeScan::FirstLook, "first_look"},
                                                      {WholeScan::CheckedBefore, "checked_before"}};
    for (Disk disk : {Disk::Local, Disk::Share}) {
        for (auto [how, name] : rows) {
            std::string full = std::string("wholeImageScan/frames:3000/") + name +
                               (disk == Disk::Share ? "/share" : "/local");
            auto* b = benchmark::RegisterBenchmark(full.c_str(), [how, disk](benchmark::State& st) {
                benchWholeImageScan(st, how, disk);
            });
            b->Unit(benchmark::kMillisecond);
            if (disk == Disk::Share) {
                b->Iterations(how == WholeScan::FirstLook ? 1 : 10);
            } else {
                b->MinTime(0.2);
            }
        }
    }
}

// scanScenes(15) at a steady state: every scene was scanned before and has 10 frames to do, so
// no scene has the 15 the refill asks for and it looks up the missing frames of every scene.
void benchScanScenes(benchmark::State& st, Way way, Disk disk, int scenes) {
    BenchFarm& b = queueFarm(scenes);
    scanScenes(b.farm, 15);
    int remaining = -1;
    {
        FsMeter meter(st, b.fs, disk, way);
        for (auto _ : st) {
            remaining = scanScenes(b.farm, 15);
        }
    }
    if (remaining != kSceneToDo) {
        st.SkipWithError("the scan found the wrong number of frames to do");
    }
}

// Re-Scan Queue: every frame map cleared, and every frame of every scene looked up again (no
// scene has the 100 frames to do it asks for).
void benchRescan(benchmark::State& st, Way way, Disk disk, int scenes) {
    BenchFarm& b = queueFarm(scenes);
    b.setNodes(Offline, "");
    {
        FsMeter meter(st, b.fs, disk, way);
        for (auto _ : st) {
            rescanQueue(b.farm);
        }
    }
    if (b.farm.state.frameQueueCount != std::min(kFrameQueueSize, scenes * kSceneToDo)) {
        st.SkipWithError("the frame queue was not refilled");
    }
}

void registerQueueScans() {
    for (int scenes : {1, 50, kFullScenes}) {
        std::string n = "/scenes:" + std::to_string(scenes);
        // The scans stop at the first scene with the frames asked for (15, and 100 for Re-Scan
        // Queue), which no scene here has. The plain way looks up each frame image of a scene
        // on its own, and the plain Re-Scan also saves the queue file one record at a time.
        int refilled = kSceneToDo >= 15 ? 1 : scenes;
        int rescanned = kSceneToDo >= 100 ? 1 : scenes;
        registerPair("scanScenes15" + n, 3 * refilled, (kSceneFrames + 2) * refilled,
                     [scenes](benchmark::State& st, Way way, Disk disk) {
                         benchScanScenes(st, way, disk, scenes);
                     });
        registerPair("rescanQueue" + n, 3 * rescanned + 3,
                     (kSceneFrames + 2) * rescanned + scenes + 2,
                     [scenes](benchmark::State& st, Way way, Disk disk) {
                         benchRescan(st, way, disk, scenes);
                     });
    }
}

// A fourth tick (the one that polls and checks the queue folder) of a farm at full scale where
// nothing changes: 30 nodes rendering, 299 scenes queued and scanned, the folder as it was.
void benchFarmTick(benchmark::State& st, Way way, Disk disk) {
    BenchFarm& b = fullFarm();
    b.setNodes(Rendering, "Render");
    lookAtAcks(b.farm);
    b.farm.state.waitingForGo = false;
    scanScenes(b.farm, kFullScenes * kSceneFrames);
    checkSceneQueue(b.farm);
    b.farm.state.pollAgain = false;
    {
        FsMeter meter(st, b.fs, disk, way);
        for (auto _ : st) {
            b.farm.state.tickCount = 0;
            b.farm.state.quietPeriods = 0;
            farmTick(b.farm);
        }
    }
    if (!allNodesIn(b.farm, Rendering) || b.farm.state.pollAgain) {
        st.SkipWithError("the farm changed during the tick");
    }
}

// One look at the command folder of 30 rendering nodes, nothing changed or one node's answer
// changed since the last look, beside today's pass of one read per node ("/plain").
void benchAckLook(benchmark::State& st, Way way, Disk disk, bool oneChanged) {
    BenchFarm& b = fullFarm();
    b.setNodes(Rendering, "Rendering frame 0");
    lookAtAcks(b.farm);
    size_t changed = 0;
    int flip = 0;
    {
        FsMeter meter(st, b.fs, disk, Way::Farm);
        for (auto _ : st) {
            if (oneChanged) {
                st.PauseTiming();
                b.writeAck(7, ++flip % 2 ? "Ready" : "Rendering frame 0");
                st.ResumeTiming();
            }
            if (way == Way::Farm) {
                changed = lookAtAcks(b.farm).count();
            } else {
                for (int node = 1; node <= b.farm.settings.No_Of_Nodes; ++node) {
                    benchmark::DoNotOptimize(readAck(b.farm, node));
                }
                changed = oneChanged ? 1 : 0;
            }
        }
    }
    if (changed != (oneChanged ? 1u : 0u)) {
        st.SkipWithError("the look found the wrong number of changed files");
    }
}

// How long after a node's answer the farm sends its next command: node 1 of 30 rendering
// nodes writes "Ready" at a moment spread evenly over four ticks of 1 s (the farm's last poll
// made no progress, as while every node renders), and the farm runs as its front ends do:
// farmTick every second and, with lookMs > 0, a look between ticks every lookMs. The time is the
// wall time from the answer to the step that moved the node on.
void benchReaction(benchmark::State& st, Disk disk, int lookMs) {
    using Steady = std::chrono::steady_clock;
    constexpr auto kTick = std::chrono::milliseconds(1000);
    // A farm of its own: node 1 finishes frame 0 of the first scene at every iteration.
    BenchFarm& b = sharedFarm("reaction", kMaxNodes, 10, kSceneFrames, kMissingEvery);
    b.farm.opened = true;
    b.farm.state.waitingForGo = true;
    int iteration = 0;
    FsMeter meter(st, b.fs, disk, Way::Farm);
    for (auto _ : st) {
        b.setNodes(Rendering, "Rendering frame 0");
        lookAtAcks(b.farm);
        // Frame 0 back in hand, so no scan takes its missing image for a problem frame.
        b.farm.state.scenes[1].frameMap[0] = kFrameInHand;
        b.farm.state.pollAgain = false;
        b.farm.state.quietPeriods = 0;
        b.farm.state.tickCount = 1;
        auto start = Steady::now();
        auto answerAt = start + 4 * kTick * (2 * iteration++ + 1) / (2 * kReactionSamples);
        auto nextTick = start + kTick;
        auto nextLook = start + std::chrono::milliseconds(lookMs);
        bool answered = false;
        Steady::time_point answeredAt;
        while (b.farm.state.nodes[1].state == Rendering) {
            auto wake = std::min(nextTick, answered ? nextTick : answerAt);
            if (lookMs > 0) {
                wake = std::min(wake, nextLook);
            }
            std::this_thread::sleep_until(wake);
            if (!answered && Steady::now() >= answerAt) {
                b.writeAck(1, "Ready");
                answered = true;
                answeredAt = Steady::now();
            }
            if (lookMs > 0 && Steady::now() >= nextLook) {
                lookBetweenTicks(b.farm);
                nextLook += std::chrono::milliseconds(lookMs);
            }
            if (Steady::now() >= nextTick) {
                farmTick(b.farm);
                nextTick += kTick;
            }
        }
        st.SetIterationTime(std::chrono::duration<double>(Steady::now() - answeredAt).count());
    }
}

void registerAckLooks() {
    for (Disk disk : {Disk::Local, Disk::Share}) {
        std::string where = disk == Disk::Share ? "/share" : "/local";
        for (bool oneChanged : {false, true}) {
            for (Way way : {Way::Farm, Way::Plain}) {
                std::string name = std::string("ackLook/nodes:30/") +
                                   (oneChanged ? "one_changed" : "unchanged") + where +
                                   (way == Way::Plain ? "/plain" : "");
                auto* bench = benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& st) {
                    benchAckLook(st, way, disk, oneChanged);
                });
                bench->Unit(benchmark::kMillisecond);
                if (disk == Disk::Share) {
                    bench->Iterations(way == Way::Plain ? 10 : 100);
                }
            }
        }
        // Today's rhythm ("/plain": the ticks' polls alone) beside looks every 100 ms.
        for (int lookMs : {100, 0}) {
            std::string name = "reaction/nodes:30" + where + (lookMs == 0 ? "/plain" : "");
            benchmark::RegisterBenchmark(
                name.c_str(), [=](benchmark::State& st) { benchReaction(st, disk, lookMs); })
                ->UseManualTime()
                ->Iterations(kReactionSamples)
                ->Unit(benchmark::kMillisecond);
        }
    }
}

const bool registered = [] {
    registerAckLooks();
    registerPolls();
    registerScanImages();
    registerWholeImageScans();
    registerQueueScans();
    registerPair("farmTick/full", 160, 610, benchFarmTick);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
