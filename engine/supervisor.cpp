#include "engine/supervisor.h"

#include <array>

#include "engine/channel.h"
#include "engine/farm_stats.h"
#include "engine/frame_queue.h"
#include "engine/node_actions.h"
#include "engine/scheduler.h"
#include "farm/command_words.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "report/farm_log.h"

namespace {

constexpr int kPasses = 5;

std::string nodeName(const Farm& farm, int node) {
    return std::string(textOf(farm.state.nodes[node].name));
}

// The queue entry of the node's scene, or nullptr when that scene has left the queue.
SceneEntry* nodeScene(Farm& farm, int node) {
    int entry = findScene(farm.state, farm.state.nodes[node].sceneId);
    return entry ? &farm.state.scenes[entry] : nullptr;
}

// Sets the code of the node's frame in its scene.
void markFrame(Farm& farm, int node, char code) {
    if (SceneEntry* scene = nodeScene(farm, node)) {
        setFrameCode(*scene, farm.state.nodes[node].frame, code);
    }
}

void stepOffline(Farm& farm, int node, const AckReading& ack) {
    if (!ack.says("")) {
        return;
    }
    NodeSlot& slot = farm.state.nodes[node];
    logLine(farm, "Detected " + nodeName(farm, node) + " Online!");
    slot.sceneId = -1;
    farm.state.farmListDirty = true;
    sendCommand(farm, node, words::kWait);
    slot.state = Ready;
}

enum class Pick { Frame, Nothing, NodeTakenOut };

// pickFrame for a node in Ready or Loaded. Its refill may find a problem frame that blames this
// very node and takes it out of work (Offline); the frame it was about to get then goes back to
// the front of the frame queue and the node is left alone.
Pick pickFor(Farm& farm, int node, int& frame, int32_t& sceneId) {
    const NodeSlot& slot = farm.state.nodes[node];
    int32_t before = slot.state;
    bool picked = pickFrame(farm, slot.sceneId, frame, sceneId);
    if (slot.state != before) {
        if (picked) {
            returnFrame(farm.state, sceneId, frame);
        }
        return Pick::NodeTakenOut;
    }
    return picked ? Pick::Frame : Pick::Nothing;
}

void stepReady(Farm& farm, int node, const AckReading& ack) {
    NodeSlot& slot = farm.state.nodes[node];
    if (ack.says(words::kReady)) {
        int frame = 0;
        int32_t sceneId = -1;
        Pick pick = pickFor(farm, node, frame, sceneId);
        if (pick == Pick::NodeTakenOut) {
            return;
        }
        if (pick == Pick::Frame) {
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
    if (ack.says(words::kInitializing)) {
        sendCommand(farm, node, words::kWait);
    }
}

// The two waits that only acknowledge: "wait" is sent and the node moves on.
bool stepAcknowledge(Farm& farm, int node, bool acknowledged, NodeState next) {
    if (!acknowledged) {
        return false;
    }
    sendCommand(farm, node, words::kWait);
    farm.state.nodes[node].state = next;
    return true;
}

bool stepLoadFirst(Farm& farm, int node, const AckReading& ack) {
    if (!ack.says(words::kReady)) {
        return false;
    }
    startFrame(farm, node, farm.state.nodes[node].frame);
    farm.state.farmListDirty = true;
    farm.state.nodes[node].state = WtoRender;
    return true;
}

// The frame time counts from the "wait" sent here: the node's "Ready" to it ends the frame.
void stepWaitToRender(Farm& farm, int node, const AckReading& ack) {
    if (!ack.says(words::kRender)) {
        return;
    }
    farm.state.queueListDirty = true;
    markFrame(farm, node, kFrameInHand);
    farm.state.farmListDirty = true;
    sendCommand(farm, node, words::kWait);
    farm.state.nodes[node].state = Rendering;
}

bool stepRendering(Farm& farm, int node, const AckReading& ack) {
    if (!ack.says(words::kReady)) {
        return false;
    }
    NodeSlot& slot = farm.state.nodes[node];
    uint32_t elapsed = farm.clock.tickMs() - slot.commandTick;
    logLine(farm, "Node " + nodeName(farm, node) + " completed frame " +
                      std::to_string(slot.frame) + " taking " + frameTimeText(elapsed));
    recordFrameTime(farm, node, elapsed);
    markFrame(farm, node, kFrameFinished);
    if (SceneEntry* scene = nodeScene(farm, node)) {
        scene->lastNode = node;
        farm.finishers.set(scene->sceneId, slot.frame, node);
    }
    farm.state.farmListDirty = true;
    farm.state.queueListDirty = true;
    sendCommand(farm, node, words::kWait);
    slot.state = Loaded;
    return true;
}

// A node that finished a frame: the next frame of its scene, another scene, or "init".
bool stepLoaded(Farm& farm, int node, const AckReading& ack) {
    if (!ack.says(words::kReady)) {
        return false;
    }
    NodeSlot& slot = farm.state.nodes[node];
    int frame = 0;
    int32_t sceneId = -1;
    Pick pick = pickFor(farm, node, frame, sceneId);
    if (pick == Pick::NodeTakenOut) {
        return false;
    }
    if (pick == Pick::Nothing) {
        // On an emptied acknowledgement file the "init" stands until the node answers it,
        // instead of being overwritten by "wait" at the next pass on the "Ready" it followed.
        logLine(farm, "Init issued to " + nodeName(farm, node));
        sendAnswered(farm, node, words::kInit);
        farm.state.farmListDirty = true;
        slot.state = Ready;
        return false;
    }
    if (sceneId == slot.sceneId) {
        slot.frame = frame;
        startFrame(farm, node, frame);
        farm.state.farmListDirty = true;
        markFrame(farm, node, kFrameInHand);
        slot.state = WtoRender;
        return true;
    }
    loadScene(farm, node, sceneId);
    slot.sceneId = sceneId;
    slot.frame = frame;
    markFrame(farm, node, kFrameInHand);
    farm.state.farmListDirty = true;
    slot.state = Loading;
    return true;
}

// The "init" after "Offline" goes out on an emptied acknowledgement file: a node that has shut
// down is not taken for alive again by its own "Offline".
void stepRetired(Farm& farm, int node, const AckReading& ack) {
    if (ack.says(words::kReady)) {
        sendCommand(farm, node, words::kQuit);
        farm.state.farmListDirty = true;
    }
    if (ack.says(words::kOffline)) {
        sendAnswered(farm, node, words::kInit);
        farm.state.farmListDirty = true;
        farm.state.nodes[node].state = Offline;
    }
}

}  // namespace

bool stepNode(Farm& farm, int node) {
    return nodeInUse(farm, node) && stepNodeOn(farm, node, readAck(farm, node));
}

bool stepNodeOn(Farm& farm, int node, const AckReading& ack) {
    if (!nodeInUse(farm, node)) {
        return false;
    }
    int32_t state = farm.state.nodes[node].state;
    if (state < 0 || state >= kNodeStateCount) {
        return false;
    }
    // Both tests of a state use this one reading: the first test's own command ("quit" to a
    // retired node) does not change what the node wrote.
    switch (state) {
        case Offline:
            stepOffline(farm, node, ack);
            return false;
        case Ready:
            stepReady(farm, node, ack);
            return false;
        case Loading:
            return stepAcknowledge(farm, node, ack.says(words::kLoad), WLoadFirst);
        case WLoadFirst:
            return stepAcknowledge(farm, node, ack.says(words::kReady), LoadFirst);
        case LoadFirst:
            return stepLoadFirst(farm, node, ack);
        case WtoRender:
            stepWaitToRender(farm, node, ack);
            return false;
        case Rendering:
            return stepRendering(farm, node, ack);
        case Loaded:
            return stepLoaded(farm, node, ack);
        case Retired:
            stepRetired(farm, node, ack);
            return false;
    }
    return false;
}

bool pollNodes(Farm& farm) {
    lookAtAcks(farm);
    NodeSet all;
    all.set();
    return stepNodes(farm, all, true);
}

bool stepNodes(Farm& farm, NodeSet nodes, bool showStatus) {
    std::array<int32_t, kMaxNodes + 1> before{};
    for (int node = 1; node <= nodeCount(farm); ++node) {
        before[node] = farm.state.nodes[node].state;
    }
    bool progress = false;
    for (int pass = 0; pass < kPasses; ++pass) {
        if (showStatus) {
            farm.host.showStatus("Checking nodes");
        }
        for (int node = 1; node <= nodeCount(farm); ++node) {
            // A node another node's step moved (a problem frame takes its node out) takes its
            // turns from then on too.
            if (farm.state.nodes[node].state != before[node]) {
                nodes.set(static_cast<size_t>(node));
            }
            if (nodes.test(static_cast<size_t>(node))) {
                // A copy: the step may delete the file, and both tests of a state use this one.
                AckReading ack = farm.acks.nodes[node].reading;
                progress = stepNodeOn(farm, node, ack) || progress;
            }
        }
    }
    return progress;
}

std::string frameTimeText(uint32_t elapsedMs) {
    return durationText(elapsedMs);
}
