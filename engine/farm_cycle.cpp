#include "engine/farm_cycle.h"

#include "engine/ack_look.h"
#include "engine/channel.h"
#include "engine/farm_stats.h"
#include "engine/node_actions.h"
#include "engine/render_again_frames.h"
#include "engine/scene_scans.h"
#include "engine/supervisor.h"
#include "farm/farm.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"
#include "queue/queue_lock.h"
#include "report/farm_log.h"
#include "settings/settings_file.h"

namespace {

constexpr const char* kAlreadyRunningText =
    "The file KESTRUN.QUE shows that Kestrun is already Running. Do you want to proceed?";

// After the channel reset no node holds a frame: frames a farm that ended without Quit left in
// hand go back to "not scanned", or their scenes would never complete.
void handBackFramesInHand(FarmState& s) {
    for (int k = 1; k <= s.sceneCount; ++k) {
        for (char& code : s.scenes[k].frameMap) {
            if (code == kFrameInHand) {
                code = kFrameNotScanned;
            }
        }
    }
}

// A command folder on a share can drop out and come back, empty or as it was. Answers the nodes
// wrote meanwhile are lost, so a node could wait for ever for a word already gone: once the
// folder is back, the conversation starts again as at start-up, and the frames in hand go back.
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
        resetChannelNoTrail(farm);
        handBackFramesInHand(farm.state);
        clearFrameQueue(farm.state);
        farm.state.farmListDirty = true;
        farm.state.queueListDirty = true;
    }
}

// Running flag set and saved, channel reset, in-hand frames handed back, first queue check.
void resumeFarm(Farm& farm) {
    farm.opened = true;
    farm.state.runningFlag = -1;
    saveQueueFile(farm);
    resetChannelNoTrail(farm);
    handBackFramesInHand(farm.state);
    checkSceneQueue(farm);
}

// Start banner, queue file; true when the queue file says a farm is still running.
bool openFarm(Farm& farm) {
    logLine(farm, "********* Started Kestrun!***********");
    loadQueueFile(farm);
    loadFarmStats(farm);
    loadRenderAgain(farm);
    if (farm.state.runningFlag != 0) {
        return true;
    }
    resumeFarm(farm);
    return false;
}

}  // namespace

bool startFarm(Farm& farm) {
    farm.state.tickCount = 0;
    if (!initSettings(farm)) {
        farm.host.showNotConfigured();
        farm.host.postQuit();
        return false;
    }
    if (!takeFarmLocks(farm)) {
        farm.host.postQuit();
        return false;
    }
    farm.state.alreadyRunning = openFarm(farm);
    if (farm.state.alreadyRunning) {
        if (!farm.host.askAlreadyRunning(kAlreadyRunningText)) {
            releaseFarmLocks(farm);  // the farm stays closed: its folders are free again
            farm.host.postQuit();
            return false;
        }
        farm.state.alreadyRunning = false;
        resumeFarm(farm);
    }
    farmTick(farm);
    return true;
}

void farmTick(Farm& farm) {
    FarmState& s = farm.state;
    if (s.halted) {
        return;
    }
    bool progressed = false;
    if (s.pollAgain) {
        progressed = pollNodes(farm);
        s.pollAgain = progressed;
        s.quietPeriods = 0;
    }
    if (s.tickCount % 4 == 0) {
        s.quietPeriods += 1;
        watchCommandFolder(farm);
        // A second poll right after one that moved a node often finds the node still at work;
        // the progress of the first still asks for a poll at the next tick.
        progressed = pollNodes(farm) || progressed;
        s.pollAgain = progressed;
        if (!checkSceneQueue(farm)) {
            farm.host.postQuit();
        }
        s.farmListDirty = true;
    }
    s.tickCount += 1;
    if (s.quietPeriods == 3) {
        scanNextScene(farm);
        s.quietPeriods = 0;
    }
    watchFarmStats(farm);
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

bool lookBetweenTicks(Farm& farm) {
    if (farm.state.halted || !farm.opened) {
        return false;
    }
    NodeSet changed = lookAtAcks(farm);
    if (changed.none() || !stepNodes(farm, changed, false)) {
        return false;
    }
    farm.state.pollAgain = true;
    return true;
}

void quitFarm(Farm& farm) {
    if (!farm.opened) {
        return;
    }
    farm.opened = false;
    for (int node = 1; node <= farm.settings.No_Of_Nodes; ++node) {
        retireNodeNoTrail(farm, node);
    }
    farm.state.runningFlag = 0;
    logLine(farm, "********* Quitted Kestrun!***********");
    saveQueueFile(farm);
    saveFarmStats(farm);
    releaseFarmLocks(farm);
}
