// Benchmarks of the scene queue at full tables (299 scene files, 299 entries): the queue check
// with nothing changed and with one new file, and saving and loading the queue file. Each runs
// on a local folder and on a simulated share (1 ms per file operation), beside the same
// operation over the plain file system (bench/plain_file_system.h).
#include <string>

#include "bench_farm.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"

namespace {

constexpr int kFullScenes = 299;

// The images do not matter here: none is written.
BenchFarm& fullQueue() {
    return sharedFarm("queue", kMaxNodes, kFullScenes, 100, 1);
}

void benchCheckUnchanged(benchmark::State& st, Way way, Disk disk) {
    BenchFarm& b = fullQueue();
    checkSceneQueue(b.farm);
    {
        FsMeter meter(st, b.fs, disk, way);
        for (auto _ : st) {
            benchmark::DoNotOptimize(checkSceneQueue(b.farm));
        }
    }
    if (b.farm.state.sceneCount != kFullScenes) {
        st.SkipWithError("the queue changed");
    }
}

// The queue holds 298 of the 299 files; each iteration finds the last one new, reads it, queues
// it and saves the queue file. The 298-entry table is put back between iterations.
void benchCheckNewFile(benchmark::State& st, Way way, Disk disk) {
    BenchFarm& b = fullQueue();
    checkSceneQueue(b.farm);
    FarmState full = b.farm.state;
    FarmState before = full;
    before.sceneCount = kFullScenes - 1;
    {
        FsMeter meter(st, b.fs, disk, way);
        for (auto _ : st) {
            st.PauseTiming();
            b.farm.state = before;
            st.ResumeTiming();
            benchmark::DoNotOptimize(checkSceneQueue(b.farm));
        }
    }
    bool added = b.farm.state.sceneCount == kFullScenes;
    b.farm.state = full;
    if (!added) {
        st.SkipWithError("the new file was not queued");
    }
}

void benchSave(benchmark::State& st, Way way, Disk disk) {
    BenchFarm& b = fullQueue();
    FsMeter meter(st, b.fs, disk, way);
    for (auto _ : st) {
        benchmark::DoNotOptimize(saveQueueFile(b.farm));
    }
}

void benchLoad(benchmark::State& st, Way way, Disk disk) {
    BenchFarm& b = fullQueue();
    saveQueueFile(b.farm);
    FarmState full = b.farm.state;
    {
        FsMeter meter(st, b.fs, disk, way);
        for (auto _ : st) {
            loadQueueFile(b.farm);
        }
    }
    bool loaded = b.farm.state.sceneCount == kFullScenes;
    b.farm.state = full;
    if (!loaded) {
        st.SkipWithError("the queue file did not load whole");
    }
}

const bool registered = [] {
    registerPair("checkSceneQueue/unchanged/scenes:299", 2, 303, benchCheckUnchanged);
    registerPair("checkSceneQueue/one_new_file/scenes:299", 8, 610, benchCheckNewFile);
    registerPair("loadQueueFile/scenes:299", 1, 301, benchLoad);
    registerPair("saveQueueFile/scenes:299", 2, 300, benchSave);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
