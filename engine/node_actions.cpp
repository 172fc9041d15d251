#include "engine/node_actions.h"

#include "engine/channel.h"
#include "farm/command_words.h"
#include "farm/farm.h"

void retireNodeNoTrail(Farm& farm, int node) {
    if (!nodeInUse(farm, node)) {
        return;
    }
    farm.state.nodes[node].state = Retired;
    releaseNodeFrame(farm.state, node);
    sendCommand(farm, node, words::kWait);
    clearFrameQueue(farm.state);
    farm.state.queueListDirty = true;
    farm.state.farmListDirty = true;
}

void makeNodeOfflineNoTrail(Farm& farm, int node) {
    if (!nodeInUse(farm, node)) {
        return;
    }
    farm.state.queueListDirty = true;
    farm.state.farmListDirty = true;
    sendCommand(farm, node, words::kWait);
    releaseNodeFrame(farm.state, node);
    farm.state.nodes[node].sceneId = -1;
    deleteAck(farm, node);
    clearFrameQueue(farm.state);
    farm.state.nodes[node].state = Offline;
}
