#include "queue/queue_order.h"

#include <string>

#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "queue/queue_file.h"
#include "report/farm_log.h"

int raiseScene(Farm& farm, int k, int p) {
    FarmState& s = farm.state;
    s.queueListDirty = true;
    if (k < 1 || k > s.sceneCount) {
        return 0;
    }
    int32_t id = s.scenes[k].sceneId;
    if (!sceneFailed(s.scenes[k]) && p >= 1) {
        logLine(farm, "Queue item " + std::string(textOf(s.scenes[k].fileName)) +
                          " preprioritized to " + std::to_string(p));
        for (int i = 1; i <= s.sceneCount; ++i) {
            if (i != k && s.scenes[i].position >= p) {
                ++s.scenes[i].position;
            }
        }
        s.scenes[k].position = p;
        reorderQueue(s);
        saveQueueFile(farm);
        clearFrameQueue(s);
    }
    return findScene(s, id);
}

int lowerScene(Farm& farm, int k, int p) {
    FarmState& s = farm.state;
    s.queueListDirty = true;
    if (k < 1 || k > s.sceneCount) {
        return 0;
    }
    int32_t id = s.scenes[k].sceneId;
    if (!sceneFailed(s.scenes[k])) {
        logLine(farm, "Queue item " + std::string(textOf(s.scenes[k].fileName)) +
                          " preprioritized to " + std::to_string(p));
        for (int i = 1; i <= s.sceneCount; ++i) {
            if (i != k && s.scenes[i].position == p) {
                --s.scenes[i].position;
                break;
            }
        }
        s.scenes[k].position = p;
        reorderQueue(s);
        saveQueueFile(farm);
        clearFrameQueue(s);
    }
    return findScene(s, id);
}
