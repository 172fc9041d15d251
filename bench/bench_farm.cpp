#include "bench_farm.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <vector>

#include "farm/command_words.h"
#include "farm/scene_record.h"
#include "farm_fixture.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "queue/queue_dir.h"
#include "sim/frame_image.h"

namespace {

// The queue file's head: the running flag.
constexpr size_t kQueueFileHead = 4;

std::string numbered(const char* format, int n) {
    char text[64];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

// A small whole image of frame f, written without the farm's file system.
void writeImage(const std::string& path, int f) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::string bytes = sim::frameImageBytes(".TGA", f);
    bool written =
        fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (fd >= 0) {
        ::close(fd);
    }
    if (!written) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace

BenchFarm::BenchFarm(int nodes)
    : queueDir(dir.makeDir("queue")),
      commandDir(dir.makeDir("command")),
      contentDir(dir.makeDir("content")),
      farm(host, fs, clock, dir.file("Kestrun.ini")) {
    FarmSettings& s = farm.settings;
    s.Scene_Queue_Dir = queueDir;
    s.Screamer_Command_Dir = commandDir;
    s.Config_Dir = dir.makeDir("config");
    s.Free_Space_Minimum = 1;  // the queue check asks for the free space, as on a real farm
    s.No_Of_Nodes = nodes;
    s.ContentDirectory = contentDir;
    copyText(s.imageSaverExtensions[2], ".TGA");
    s.lwCfgPath = joinPath(s.Config_Dir, "lw.cfg");
    farm.state.logFilePath = joinPath(queueDir, "Logfile.txt");
    farm.state.queueFilePath = joinPath(queueDir, "Kestrun.que");
    fs.setRecordFile(farm.state.queueFilePath, kQueueFileHead, scene_record::kSize);
    for (int i = 1; i <= kMaxNodes; ++i) {
        copyText(farm.state.nodes[i].name, "PC_" + std::to_string(i));
    }
    farm.state.runningFlag = -1;
}

void BenchFarm::addScenes(int count, int frames, int missingEvery) {
    for (int k = 1; k <= count; ++k) {
        std::string images = contentDir + numbered("/images/scene%03d", k);
        std::filesystem::create_directories(images);
        writeText(joinPath(queueDir, numbered("scene%03d.lws", k)),
                  sceneText(0, frames - 1, 1, images + "/shot"));
        std::vector<std::string> names;
        for (int f = 0; f < frames; ++f) {
            names.push_back(numbered("shot%04d.TGA", f));
            if (missingEvery <= 0 || f % missingEvery != 0) {
                writeImage(joinPath(images, names.back()), f);
            }
        }
        fs.setFolderNames(images, std::move(names));
    }
    checkSceneQueue(farm);
}

void BenchFarm::writeAck(int node, std::string_view text) const {
    std::string path = joinPath(commandDir, words::ackFileName(node));
    writeText(path, text);
    // Dated a minute back, as an answer written long before the farm looks: a fresh one is read
    // again at every look until its write is safely in the past (engine/ack_look.h).
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    timespec old[2] = {{now.tv_sec - 60, now.tv_nsec}, {now.tv_sec - 60, now.tv_nsec}};
    ::utimensat(AT_FDCWD, path.c_str(), old, 0);
}

void BenchFarm::setNodes(NodeState state, std::string_view ack) {
    int32_t sceneId = farm.state.sceneCount > 0 ? farm.state.scenes[1].sceneId : -1;
    for (int i = 1; i <= farm.settings.No_Of_Nodes; ++i) {
        NodeSlot& n = farm.state.nodes[i];
        n.state = state;
        n.sceneId = sceneId;
        n.frame = 0;
        writeAck(i, ack);
    }
}

BenchFarm& sharedFarm(const std::string& key, int nodes, int scenes, int frames, int missingEvery) {
    static std::map<std::string, std::unique_ptr<BenchFarm>> farms;
    std::unique_ptr<BenchFarm>& slot = farms[key];
    if (!slot) {
        slot = std::make_unique<BenchFarm>(nodes);
        slot->addScenes(scenes, frames, missingEvery);
    }
    slot->farm.settings.No_Of_Nodes = nodes;
    return *slot;
}

FsMeter::FsMeter(benchmark::State& state, PlainFileSystem& fs, Disk disk, Way way)
    : state_(state), fs_(fs) {
    fs_.resetCounters();
    fs_.setWay(way);
    fs_.setDelay(disk == Disk::Share ? std::chrono::microseconds(kShareRoundTrip)
                                     : std::chrono::microseconds(0));
}

FsMeter::~FsMeter() {
    fs_.setDelay(std::chrono::microseconds(0));
    fs_.setWay(Way::Farm);
    const FsCounters& c = fs_.counters;
    auto perIteration = [](uint64_t n) {
        return benchmark::Counter(static_cast<double>(n), benchmark::Counter::kAvgIterations);
    };
    state_.counters["ops"] = perIteration(c.total());
    state_.counters["read"] = perIteration(c.opens);
    state_.counters["list"] = perIteration(c.listings);
    state_.counters["stat"] = perIteration(c.stats);
    state_.counters["write"] = perIteration(c.writes + c.renames + c.deletes);
}

namespace {

void setIterations(benchmark::internal::Benchmark* b, Disk disk, int ops) {
    b->Unit(benchmark::kMillisecond);
    if (disk == Disk::Share) {
        b->Iterations(std::clamp(1000 / std::max(ops, 1), 1, 10));
    } else {
        b->MinTime(0.2);
    }
}

}  // namespace

void registerPair(const std::string& name, int farmOps, int plainOps,
                  const std::function<void(benchmark::State&, Way, Disk)>& run) {
    for (Disk disk : {Disk::Local, Disk::Share}) {
        for (Way way : {Way::Farm, Way::Plain}) {
            std::string full = name + (disk == Disk::Share ? "/share" : "/local") +
                               (way == Way::Plain ? "/plain" : "");
            auto* b = benchmark::RegisterBenchmark(
                full.c_str(), [=](benchmark::State& st) { run(st, way, disk); });
            setIterations(b, disk, way == Way::Plain ? plainOps : farmOps);
        }
    }
}
