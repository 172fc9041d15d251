#include "engine/problem_frame.h"

#include <limits>

#include "engine/channel.h"
#include "engine/node_actions.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "report/farm_log.h"
#include "report/farm_notify.h"

namespace {

// The node to blame for frame f of entry e: the one that reported that frame finished, as this
// run remembers; after a restart only the scene's last reporting node is known, and that one only
// while it is one of the nodes in use. 0: none.
int blamedNode(Farm& farm, int e, int f) {
    const SceneEntry& scene = farm.state.scenes[e];
    int node = farm.finishers.take(scene.sceneId, f);
    if (node == 0) {
        node = scene.lastNode;
    }
    return nodeInUse(farm, node) ? node : 0;
}

}  // namespace

void handleProblemFrame(Farm& farm, int e, int f) {
    FarmState& s = farm.state;
    if (e < 1 || e > s.sceneCount) {
        return;
    }
    setFrameCode(s.scenes[e], f, kFrameMissing);
    s.queueListDirty = true;
    std::string fileName(textOf(s.scenes[e].fileName));
    int node = blamedNode(farm, e, f);
    std::string nodeName = node != 0 ? std::string(textOf(s.nodes[node].name)) : "";
    logLine(farm, "********* Problem Frame***********",
            frameOfScene(f, fileName) + (node != 0 ? " by " + nodeName : ""));
    notifyEvent(farm, FarmEvent::ProblemFrame, fileName);
    if (node != 0) {
        makeNodeOfflineNoTrail(farm, node);
        logLine(farm, "Node " + nodeName + " taken out of work for a problem frame");
        notifyEvent(farm, FarmEvent::NodeOffline, nodeName);
    }
    if (s.scenes[e].problemCount < std::numeric_limits<int32_t>::max()) {
        s.scenes[e].problemCount += 1;
    }
    if (sceneFailed(s.scenes[e])) {
        bool wasLive = s.scenes[e].position > 0;
        s.queueListDirty = true;
        failScene(s, "Unsuccessful", e);
        logLine(farm, "********* Problem Scene Removed***********", fileName);
        s.scenes[e].position = 0;
        if (wasLive) {
            notifyEvent(farm, FarmEvent::SceneFailed, fileName);
            notifyIfQueueDone(farm, fileName);
        }
    }
}
