#include "engine/problem_frame.h"

#include <limits>

#include "engine/channel.h"
#include "engine/node_actions.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "settings/farm_log.h"
#include "settings/farm_notify.h"

void handleProblemFrame(Farm& farm, int e, int f) {
    FarmState& s = farm.state;
    if (e < 1 || e > s.sceneCount) {
        return;
    }
    setFrameCode(s.scenes[e], f, kFrameMissing);
    s.queueListDirty = true;
    logLine(farm, "********* Problem Frame***********");
    std::string fileName(textOf(s.scenes[e].fileName));
    notifyEvent(farm, FarmEvent::ProblemFrame, fileName);
    // The queue file brings back the last reporting node of the farm that saved it; it is
    // blamed only while it is one of the nodes in use.
    int lastNode = s.scenes[e].lastNode;
    if (nodeInUse(farm, lastNode)) {
        makeNodeOffline(farm, lastNode);
        notifyEvent(farm, FarmEvent::NodeOffline, std::string(textOf(s.nodes[lastNode].name)));
    }
    if (s.scenes[e].problemCount < std::numeric_limits<int32_t>::max()) {
        s.scenes[e].problemCount += 1;
    }
    if (sceneFailed(s.scenes[e])) {
        bool wasLive = s.scenes[e].position > 0;
        s.queueListDirty = true;
        failScene(s, "Unsuccessful", e);
        logLine(farm, "********* Problem Scene Removed***********");
        s.scenes[e].position = 0;
        if (wasLive) {
            notifyEvent(farm, FarmEvent::SceneFailed, fileName);
            notifyIfQueueDone(farm, fileName);
        }
    }
}
