#include "plain_ways.h"

#include <cstring>

#include "bench_farm.h"
#include "engine/channel.h"
#include "engine/frame_queue.h"
#include "engine/problem_frame.h"
#include "engine/scheduler.h"
#include "engine/supervisor.h"
#include "farm/command_words.h"
#include "farm/farm.h"
#include "farm/scene_record.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"
#include "queue/scene_reader.h"
#include "settings/farm_log.h"

namespace {

constexpr int kPasses = 5;

std::string nodeName(const Farm& farm, int node) {
    return std::string(textOf(farm.state.nodes[node].name));
}

void markFrame(Farm& farm, int node, char code) {
    int e = findScene(farm.state, farm.state.nodes[node].sceneId);
    if (e != 0) {
        setFrameCode(farm.state.scenes[e], farm.state.nodes[node].frame, code);
    }
}

void plainReady(Farm& farm, int node) {
    NodeSlot& slot = farm.state.nodes[node];
    if (plainAckSays(farm, node, words::kReady)) {
        int frame = 0;
        int32_t sceneId = -1;
        if (pickFrame(farm, slot.sceneId, frame, sceneId)) {
            slot.frame = frame;
            slot.sceneId = sceneId;
            loadScene(farm, node, sceneId);
            farm.state.farmListDirty = true;
            slot.state = Loading;
            markFrame(farm, node, kFrameInHand);
        } else {
            sendCommand(farm, node, words::kWait);
        }
    }
    if (plainAckSays(farm, node, words::kInitializing)) {
        sendCommand(farm, node, words::kWait);
    }
}

bool plainRendering(Farm& farm, int node) {
    if (!plainAckSays(farm, node, words::kReady)) {
        return false;
    }
    NodeSlot& slot = farm.state.nodes[node];
    std::string time = frameTimeText(farm.clock.tickMs() - slot.commandTick);
    logLine(farm, "Node " + nodeName(farm, node) + " completed frame " +
                      std::to_string(slot.frame) + " taking " + time);
    markFrame(farm, node, kFrameFinished);
    int e = findScene(farm.state, slot.sceneId);
    if (e != 0) {
        farm.state.scenes[e].lastNode = node;
    }
    farm.state.farmListDirty = true;
    farm.state.queueListDirty = true;
    sendCommand(farm, node, words::kWait);
    slot.state = Loaded;
    return true;
}

bool plainLoaded(Farm& farm, int node) {
    if (!plainAckSays(farm, node, words::kReady)) {
        return false;
    }
    NodeSlot& slot = farm.state.nodes[node];
    int frame = 0;
    int32_t sceneId = -1;
    if (!pickFrame(farm, slot.sceneId, frame, sceneId)) {
        logLine(farm, "Init issued to " + nodeName(farm, node));
        sendCommand(farm, node, words::kInit);
        farm.state.farmListDirty = true;
        slot.state = Ready;
        return false;
    }
    if (sceneId == slot.sceneId) {
        slot.frame = frame;
        startFrame(farm, node, frame);
        slot.state = WtoRender;
    } else {
        loadScene(farm, node, sceneId);
        slot.sceneId = sceneId;
        slot.frame = frame;
        slot.state = Loading;
    }
    farm.state.farmListDirty = true;
    markFrame(farm, node, kFrameInHand);
    return true;
}

// "wait" after the awaited word, and the next state.
bool plainAcknowledge(Farm& farm, int node, std::string_view word, NodeState next) {
    if (!plainAckSays(farm, node, word)) {
        return false;
    }
    sendCommand(farm, node, words::kWait);
    farm.state.nodes[node].state = next;
    return true;
}

bool plainStep(Farm& farm, int node) {
    NodeSlot& slot = farm.state.nodes[node];
    switch (slot.state) {
        case Offline:
            if (plainAckSays(farm, node, "")) {
                logLine(farm, "Detected " + nodeName(farm, node) + " Online!");
                slot.sceneId = -1;
                farm.state.farmListDirty = true;
                sendCommand(farm, node, words::kWait);
                slot.state = Ready;
            }
            return false;
        case Ready:
            plainReady(farm, node);
            return false;
        case Loading:
            return plainAcknowledge(farm, node, words::kLoad, WLoadFirst);
        case WLoadFirst:
            return plainAcknowledge(farm, node, words::kReady, LoadFirst);
        case LoadFirst:
            if (!plainAckSays(farm, node, words::kReady)) {
                return false;
            }
            startFrame(farm, node, slot.frame);
            farm.state.farmListDirty = true;
            slot.state = WtoRender;
            return true;
        case WtoRender:
            if (plainAckSays(farm, node, words::kRender)) {
                farm.state.queueListDirty = true;
                markFrame(farm, node, kFrameInHand);
                farm.state.farmListDirty = true;
                sendCommand(farm, node, words::kWait);
                slot.state = Rendering;
            }
            return false;
        case Rendering:
            return plainRendering(farm, node);
        case Loaded:
            return plainLoaded(farm, node);
        case Retired:
            if (plainAckSays(farm, node, words::kReady)) {
                sendCommand(farm, node, words::kQuit);
                farm.state.farmListDirty = true;
            }
            if (plainAckSays(farm, node, words::kOffline)) {
                sendCommand(farm, node, words::kInit);
                farm.state.farmListDirty = true;
                slot.state = Offline;
            }
            return false;
        default:
            return false;
    }
}

bool scannable(const SceneEntry& e) {
    return sceneRangeValid(e) && e.firstFrame <= e.lastFrame;
}

char plainLookUp(Farm& farm, const SceneEntry& e, int f) {
    return farm.fs.exists(imageName(e, f)) ? kFramePresent : kFrameMissing;
}

int firstNotOut(const FarmState& s) {
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (s.scenes[k].position != 0) {
            return k;
        }
    }
    return 0;
}

// The free-space halt with the mount point found first and the space asked for there.
bool plainFreeSpaceCheck(Farm& farm) {
    const FarmState& s = farm.state;
    int32_t minimum = farm.settings.Free_Space_Minimum;
    int k = firstNotOut(s);
    if (minimum <= 0 || k == 0 || !textOf(s.scenes[k].outputPath).starts_with('/')) {
        return true;
    }
    std::string folder = parentPath(textOf(s.scenes[k].outputPath));
    std::string mount = farm.fs.mountPoint(folder.empty() ? "/" : folder);
    uint64_t freeBytes = 0;
    uint64_t needed = static_cast<uint64_t>(minimum) * 1048576;
    while (farm.fs.freeSpace(mount, freeBytes) && freeBytes < needed) {
        logLine(farm, "Free space on " + mount + " only " + std::to_string(freeBytes / 1048576) +
                          " MB! Kestrun Halted.");
        if (!farm.host.askFreeSpaceRetry("Free space on " + mount)) {
            return false;
        }
    }
    return true;
}

// Marks each entry whose file is gone or changed, asking the file system for each one's time.
bool plainMarkRemoved(Farm& farm) {
    FarmState& s = farm.state;
    bool marked = false;
    for (int k = 1; k <= s.sceneCount; ++k) {
        uint64_t time = 0;
        std::string path = joinPath(farm.settings.Scene_Queue_Dir, textOf(s.scenes[k].fileName));
        if (!farm.fs.fileTime(path, time) || time != s.scenes[k].fileTime) {
            logLine(farm, "Scene file removed from queue:", textOf(s.scenes[k].fileName));
            s.scenes[k].position = -1;
            marked = true;
        }
    }
    int k = 1;
    while (k <= s.sceneCount) {
        if (s.scenes[k].position != -1) {
            ++k;
            continue;
        }
        s.scenes[k] = s.scenes[s.sceneCount];
        --s.sceneCount;
    }
    return marked;
}

// The tick's look at the command folder, which starts the conversation again when the folder
// comes back after it was missing.
void watchCommandFolder(Farm& farm) {
    const std::string& dir = farm.settings.Screamer_Command_Dir;
    bool missing = !farm.fs.isDirectory(dir);
    bool wasMissing = farm.notices.commandFolderMissing;
    farm.notices.commandFolderMissing = missing;
    if (missing && !wasMissing) {
        logLine(farm, "ScreamerNet command directory cannot be found", dir);
    }
    if (!missing && wasMissing) {
        logLine(farm, "ScreamerNet command directory is back", dir);
        resetChannel(farm);
        for (int k = 1; k <= farm.state.sceneCount; ++k) {
            for (char& code : farm.state.scenes[k].frameMap) {
                code = code == kFrameInHand ? kFrameNotScanned : code;
            }
        }
        clearFrameQueue(farm.state);
        farm.state.farmListDirty = true;
        farm.state.queueListDirty = true;
    }
}

void markRenderingFramesInHand(Farm& farm) {
    FarmState& s = farm.state;
    for (int node = 1; node <= nodeCount(farm); ++node) {
        const NodeSlot& slot = s.nodes[node];
        int entry = slot.state == Rendering ? findScene(s, slot.sceneId) : 0;
        if (entry != 0) {
            setFrameCode(s.scenes[entry], slot.frame, kFrameInHand);
            s.queueListDirty = true;
        }
    }
}

}  // namespace

bool plainAckSays(Farm& farm, int node, std::string_view word) {
    std::string path = ackFilePath(farm, node);
    if (!farm.fs.exists(path)) {
        return false;
    }
    if (word.empty()) {
        return true;
    }
    std::string head;
    return farm.fs.readFile(path, head, word.size()) && head == word;
}

bool plainPollNodes(Farm& farm) {
    bool progress = false;
    for (int pass = 0; pass < kPasses; ++pass) {
        farm.host.showStatus("Checking nodes");
        for (int node = 1; node <= nodeCount(farm); ++node) {
            progress = plainStep(farm, node) || progress;
        }
    }
    return progress;
}

bool plainScanImages(Farm& farm, int e, int& remaining) {
    remaining = 0;
    FarmState& s = farm.state;
    if (e < 1 || e > s.sceneCount) {
        return false;
    }
    SceneEntry& scene = s.scenes[e];
    if (textOf(scene.outputPath).starts_with('/')) {
        checkSavePath(farm, textOf(scene.outputPath));
    }
    bool complete = false;
    if (scannable(scene)) {
        int present = 0;
        int total = (scene.lastFrame - scene.firstFrame) / scene.frameStep + 1;
        for (int f = scene.firstFrame; f <= scene.lastFrame; f += scene.frameStep) {
            char code = frameCode(scene, f);
            if (code == kFramePresent) {
                present += 1;
            } else if (code == kFrameInHand) {
                remaining += 1;
            } else if (code == kFrameFinished) {
                if (plainLookUp(farm, scene, f) == kFramePresent) {
                    setFrameCode(scene, f, kFramePresent);
                    present += 1;
                    s.queueListDirty = true;
                } else {
                    remaining += 1;
                    handleProblemFrame(farm, e, f);
                }
            } else {
                char found = plainLookUp(farm, scene, f);
                setFrameCode(scene, f, found);
                present += found == kFramePresent ? 1 : 0;
                remaining += found == kFramePresent ? 0 : 1;
                s.queueListDirty = true;
            }
        }
        complete = present == total;
    }
    if (s.queueListDirty) {
        reorderQueue(s);
    }
    return complete;
}

int plainScanScenes(Farm& farm, int limit) {
    FarmState& s = farm.state;
    farm.host.showStatus("Scanning for images");
    int k = firstNotOut(s);
    if (k == 0) {
        return 0;
    }
    int remaining = 0;
    bool anyCompleted = false;
    for (; remaining < limit && k <= s.sceneCount; ++k) {
        if (plainScanImages(farm, k, remaining)) {
            s.scenes[k].position = 0;
            logLine(farm, "********* Scene Completed !***********");
            anyCompleted = true;
        }
    }
    if (anyCompleted) {
        reorderQueue(s);
    }
    saveQueueFile(farm);
    return remaining;
}

void plainScanNextScene(Farm& farm) {
    FarmState& s = farm.state;
    int k = 1;
    while (k <= s.sceneCount && s.scenes[k].position <= 0) {
        ++k;
    }
    while (k <= s.sceneCount &&
           !(scannable(s.scenes[k]) &&
             frameCode(s.scenes[k], s.scenes[k].firstFrame) == kFrameNotScanned)) {
        ++k;
    }
    int remaining = 0;
    if (k <= s.sceneCount && plainScanImages(farm, k, remaining)) {
        s.queueListDirty = true;
        s.scenes[k].position = 0;
        reorderQueue(s);
    }
}

void plainRescanQueue(Farm& farm) {
    FarmState& s = farm.state;
    s.queueListDirty = true;
    bool broughtBack = false;
    for (int k = 1; k <= s.sceneCount; ++k) {
        std::memset(s.scenes[k].frameMap, 0, sizeof s.scenes[k].frameMap);
        if (s.scenes[k].position == 0) {
            s.scenes[k].position = 1;
            broughtBack = true;
        }
    }
    if (broughtBack) {
        reorderQueue(s);
    }
    plainScanScenes(farm, 100);
    markRenderingFramesInHand(farm);
    clearFrameQueue(s);
    buildFrameQueue(farm);
    saveQueueFile(farm);
}

bool plainCheckSceneQueue(Farm& farm) {
    FarmState& s = farm.state;
    farm.host.showStatus("Checking scene-queue directory.");
    if (!plainFreeSpaceCheck(farm)) {
        return false;
    }
    bool changed = plainMarkRemoved(farm);
    if (!listQueueDirectory(farm)) {
        return true;
    }
    for (int j = 1; j <= s.listingCount; ++j) {
        if (findInQueue(farm, j) == 0) {
            addScene(farm, j);
            changed = true;
        }
    }
    if (changed) {
        s.queueListDirty = true;
        reorderQueue(s);
        saveQueueFile(farm);
        clearFrameQueue(s);
    }
    return true;
}

void plainFarmTick(Farm& farm) {
    FarmState& s = farm.state;
    if (s.halted) {
        return;
    }
    if (s.pollAgain) {
        s.pollAgain = plainPollNodes(farm);
        s.quietPeriods = 0;
    }
    if (s.tickCount % 4 == 0) {
        s.quietPeriods += 1;
        watchCommandFolder(farm);
        s.pollAgain = plainPollNodes(farm);
        if (!plainCheckSceneQueue(farm)) {
            farm.host.postQuit();
        }
        s.farmListDirty = true;
    }
    s.tickCount += 1;
    if (s.quietPeriods == 3) {
        plainScanNextScene(farm);
        s.quietPeriods = 0;
    }
    if (!s.logFrozen && s.logDirty) {
        farm.host.refreshLogPane();
        s.logDirty = false;
    }
    if (s.farmListDirty) {
        farm.host.refreshFarmList();
        s.farmListDirty = false;
    }
    if (s.queueListDirty) {
        farm.host.refreshQueueList();
        s.queueListDirty = false;
    }
}

bool plainSaveQueueFile(Farm& farm) {
    const FarmState& s = farm.state;
    std::string flag(4, '\0');
    for (int i = 0; i < 4; ++i) {
        flag[i] = static_cast<char>(static_cast<uint32_t>(s.runningFlag) >> (8 * i));
    }
    if (!farm.fs.writeFile(s.queueFilePath, flag)) {
        return false;
    }
    unsigned char record[scene_record::kSize];
    for (int k = 1; k <= s.sceneCount; ++k) {
        encodeSceneEntry(s.scenes[k], record);
        if (!farm.fs.appendFile(s.queueFilePath,
                                std::string_view(reinterpret_cast<char*>(record), sizeof record))) {
            return false;
        }
    }
    return true;
}

void plainLoadQueueFile(Farm& farm, BenchFileSystem& fs) {
    FarmState& s = farm.state;
    s.sceneCount = 0;
    std::string data;
    if (!fs.readRange(s.queueFilePath, 0, 4, data) || data.size() < 4) {
        return;
    }
    uint32_t flag = 0;
    for (int i = 0; i < 4; ++i) {
        flag |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    }
    s.runningFlag = static_cast<int32_t>(flag);
    for (int k = 1; k <= kMaxScenes; ++k) {
        uint64_t at = 4 + static_cast<uint64_t>(k - 1) * scene_record::kSize;
        if (!fs.readRange(s.queueFilePath, at, scene_record::kSize, data) ||
            data.size() < scene_record::kSize) {
            return;
        }
        s.scenes[k] = decodeSceneEntry(reinterpret_cast<const unsigned char*>(data.data()));
        s.scenes[k].fileName[sizeof s.scenes[k].fileName - 1] = '\0';
        s.scenes[k].outputPath[sizeof s.scenes[k].outputPath - 1] = '\0';
        s.scenes[k].imageSize[sizeof s.scenes[k].imageSize - 1] = '\0';
        s.sceneCount = k;
    }
}
