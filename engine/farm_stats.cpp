#include "engine/farm_stats.h"

#include <algorithm>

#include "engine/channel.h"
#include "engine/node_actions.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "report/farm_log.h"
#include "report/farm_notify.h"

namespace {

constexpr uint32_t kMsPerMinute = 60000;
// A node is stuck only after ten of its scene's average frame times, however short they are.
constexpr uint64_t kStallFrames = 10;
// Times recorded are saved at most this often (and at Quit).
constexpr uint32_t kSaveEveryMs = 5000;

// The states a node can hang in: a stall in them is reported.
bool canStall(int32_t state) {
    return state == Loading || state == WLoadFirst || state == WtoRender || state == Rendering;
}

bool online(int32_t state) {
    return state != Offline && state != Retired;
}

// The times of the queued scene with that id; nullptr before its first frame.
const SceneTimes* sceneTimes(const Farm& farm, int32_t sceneId) {
    auto it = farm.stats.scenes.find(sceneId);
    int k = findScene(farm.state, sceneId);
    if (it == farm.stats.scenes.end() || k == 0 ||
        textOf(farm.state.scenes[k].fileName) != it->second.fileName) {
        return nullptr;
    }
    return &it->second;
}

uint32_t sceneAverage(const Farm& farm, int32_t sceneId) {
    const SceneTimes* t = sceneTimes(farm, sceneId);
    return t ? t->averageMs() : 0;
}

// The scene's average, or the farm's before the scene's first frame.
uint32_t estimateMs(const Farm& farm, int32_t sceneId) {
    uint32_t average = sceneAverage(farm, sceneId);
    return average != 0 ? average : farm.stats.farm.averageMs();
}

int nodesOnScene(const Farm& farm, int32_t sceneId) {
    int count = 0;
    for (int n = 1; n <= nodeCount(farm); ++n) {
        const NodeSlot& slot = farm.state.nodes[n];
        bool working = nodeHoldsFrame(slot.state) || slot.state == Loaded;
        if (working && slot.sceneId == sceneId && !farm.stats.nodes[n].stuck) {
            count += 1;
        }
    }
    return count;
}

std::string nodeName(const Farm& farm, int node) {
    return std::string(textOf(farm.state.nodes[node].name));
}

// A stall ends when the node moves on: another state, or a new command in the same one.
bool stallOver(const NodeSlot& slot, const NodeTimes& t) {
    return slot.state != t.stallState || slot.commandTick != t.stallTick;
}

// The stall limit of the settings: Stuck_Minutes, or the limit set for trials and tests; 0: none.
uint64_t settingsStallLimitMs(const Farm& farm) {
    if (farm.stuckLimitMs >= 0) {
        return static_cast<uint64_t>(farm.stuckLimitMs);
    }
    return farm.settings.Stuck_Minutes > 0
               ? static_cast<uint64_t>(farm.settings.Stuck_Minutes) * kMsPerMinute
               : 0;
}

// Longer than both the stall limit and ten of its scene's average frame times.
bool stalledTooLong(const Farm& farm, const NodeSlot& slot, uint32_t elapsed) {
    uint64_t limit =
        std::max(settingsStallLimitMs(farm), kStallFrames * sceneAverage(farm, slot.sceneId));
    return elapsed > limit;
}

// Logs the stall with the frame the node holds. With Stuck_Hand_Back the frame goes back to the
// farm, to be rendered by another node, and the node is made offline as Make Offline does: it
// takes work again once it writes a new acknowledgement.
void reportStall(Farm& farm, int node, const std::string& stall) {
    const NodeSlot& slot = farm.state.nodes[node];
    std::string frame = frameOfScene(slot.frame, sceneFileName(farm.state, slot.sceneId));
    if (farm.settings.Stuck_Hand_Back == 0) {
        logLine(farm, stall, frame);
        return;
    }
    logLine(farm, stall, frame + " handed back, node made offline");
    makeNodeOfflineNoTrail(farm, node);
    farm.stats.nodes[node].stuck = false;
}

void watchNode(Farm& farm, int node) {
    const NodeSlot& slot = farm.state.nodes[node];
    NodeTimes& t = farm.stats.nodes[node];
    if (t.stuck && stallOver(slot, t)) {
        t.stuck = false;
        farm.state.farmListDirty = true;
    }
    if (t.stuck || !canStall(slot.state) || settingsStallLimitMs(farm) == 0) {
        return;
    }
    uint32_t elapsed = farm.clock.tickMs() - slot.commandTick;
    if (!stalledTooLong(farm, slot, elapsed)) {
        return;
    }
    t.stuck = true;
    t.stallState = slot.state;
    t.stallTick = slot.commandTick;
    farm.state.farmListDirty = true;
    std::string name = nodeName(farm, node);
    reportStall(farm, node, "Node " + name + " has shown no progress for " + durationText(elapsed));
    notifyEvent(farm, FarmEvent::NodeStuck, name);
}

}  // namespace

SceneFigures sceneFigures(const Farm& farm, int entry) {
    SceneFigures f;
    const FarmState& s = farm.state;
    if (entry < 1 || entry > s.sceneCount) {
        return f;
    }
    const SceneEntry& e = s.scenes[entry];
    FrameCounts c = countFrames(e);
    f.sceneId = e.sceneId;
    f.framesDone = c.done;
    f.framesToDo = c.toDo;
    f.averageMs = sceneAverage(farm, e.sceneId);
    f.nodesOn = nodesOnScene(farm, e.sceneId);
    uint32_t estimate = estimateMs(farm, e.sceneId);
    if (c.toDo == 0) {
        f.etaMs = 0;
    } else if (estimate != 0 && f.nodesOn > 0) {
        f.etaMs = static_cast<int64_t>(c.toDo) * estimate / f.nodesOn;
    }
    return f;
}

NodeFigures nodeFigures(const Farm& farm, int node) {
    NodeFigures f;
    if (node < 1 || node > kMaxNodes) {
        return f;
    }
    const NodeTimes& t = farm.stats.nodes[node];
    const NodeSlot& slot = farm.state.nodes[node];
    f.lastMs = t.lastMs;
    f.averageMs = t.times.averageMs();
    f.framesThisRun = t.framesThisRun;
    f.stuck = t.stuck;
    if (nodeHoldsFrame(slot.state)) {
        f.stalledMs = static_cast<uint32_t>(farm.clock.tickMs() - slot.commandTick);
    }
    return f;
}

FarmFigures farmFigures(const Farm& farm) {
    FarmFigures f;
    const FarmState& s = farm.state;
    int workers = 0;
    for (int n = 1; n <= nodeCount(farm); ++n) {
        bool stuck = farm.stats.nodes[n].stuck;
        f.nodesRendering += nodeHoldsFrame(s.nodes[n].state) ? 1 : 0;
        f.nodesStuck += stuck ? 1 : 0;
        workers += online(s.nodes[n].state) && !stuck ? 1 : 0;
    }
    f.averageMs = farm.stats.farm.averageMs();
    int64_t work = 0;
    bool known = true;
    for (int k = 1; k <= s.sceneCount; ++k) {
        const SceneEntry& e = s.scenes[k];
        if (sceneFailed(e)) {
            f.scenesFailed += 1;
            continue;
        }
        FrameCounts c = countFrames(e);
        f.framesDone += c.done;
        if (e.position < 1 || c.toDo == 0) {
            continue;
        }
        f.framesToDo += c.toDo;
        uint32_t estimate = estimateMs(farm, e.sceneId);
        known = known && estimate != 0;
        work += static_cast<int64_t>(c.toDo) * estimate;
    }
    if (f.framesToDo == 0) {
        f.etaMs = 0;
    } else if (known && workers > 0) {
        f.etaMs = work / workers;
    }
    return f;
}

bool nodeStuck(const Farm& farm, int node) {
    return node >= 1 && node <= kMaxNodes && farm.stats.nodes[node].stuck;
}

std::string durationText(int64_t ms) {
    if (ms < 0) {
        return "--";
    }
    int64_t seconds = ms / 1000;
    int64_t minutes = seconds / 60;
    int64_t hours = minutes / 60;
    return std::to_string(hours) + "h" + std::to_string(minutes - hours * 60) + "m" +
           std::to_string(seconds - minutes * 60) + "s";
}

std::string farmSummaryText(const Farm& farm) {
    FarmFigures f = farmFigures(farm);
    std::string text = "Frames " + std::to_string(f.framesDone) + "/" +
                       std::to_string(f.framesDone + f.framesToDo) + " done, " +
                       std::to_string(f.nodesRendering) +
                       (f.nodesRendering == 1 ? " node" : " nodes") + " rendering";
    if (f.nodesStuck > 0) {
        text += ", " + std::to_string(f.nodesStuck) + " stuck";
    }
    if (f.scenesFailed > 0) {
        text += ", " + std::to_string(f.scenesFailed) +
                (f.scenesFailed == 1 ? " scene failed" : " scenes failed");
    }
    return text + ", ETA " + durationText(f.etaMs);
}

void recordFrameTime(Farm& farm, int node, uint32_t elapsedMs) {
    if (node < 1 || node > kMaxNodes) {
        return;
    }
    FarmStats& st = farm.stats;
    st.farm.add(elapsedMs);
    int32_t sceneId = farm.state.nodes[node].sceneId;
    if (int k = findScene(farm.state, sceneId)) {
        // Times kept under this id for a scene of another name start afresh.
        std::string_view fileName = textOf(farm.state.scenes[k].fileName);
        SceneTimes& times = st.scenes[sceneId];
        if (times.fileName != fileName) {
            times = SceneTimes{{}, std::string(fileName)};
        }
        times.add(elapsedMs);
    }
    NodeTimes& t = st.nodes[node];
    t.times.add(elapsedMs);
    t.lastMs = elapsedMs;
    t.framesThisRun += 1;
    st.changed = true;
}

void watchFarmStats(Farm& farm) {
    for (int node = 1; node <= nodeCount(farm); ++node) {
        watchNode(farm, node);
    }
    FarmStats& st = farm.stats;
    if (farm.opened && st.changed && farm.clock.tickMs() - st.lastSaveTick >= kSaveEveryMs) {
        saveFarmStats(farm);
    }
}

bool minutePassed(Farm& farm) {
    uint32_t now = farm.clock.tickMs();
    if (!farm.stats.minuteStarted) {
        farm.stats.minuteStarted = true;
        farm.stats.lastMinuteTick = now;
        return false;
    }
    if (now - farm.stats.lastMinuteTick < kMsPerMinute) {
        return false;
    }
    farm.stats.lastMinuteTick = now;
    return true;
}
