#include "queue/queue_lock.h"

#include <string>

#include "farm/farm.h"
#include "platform/path.h"
#include "settings/farm_log.h"

namespace {
constexpr const char* kLockFileName = "Kestrun.lock";
}  // namespace

bool takeQueueLock(Farm& farm) {
    std::string path = joinPath(farm.settings.Scene_Queue_Dir, kLockFileName);
    std::string holder;
    switch (farm.queueLock.take(path, holder)) {
        case LockResult::Taken:
            return true;
        case LockResult::HeldElsewhere:
            farm.queueInUse = true;
            farm.host.showError("Another Kestrun farm is running this scene queue: " + holder +
                                " holds " + path + ". Quit that farm first.");
            return false;
        case LockResult::Unusable:
            break;
    }
    logLine(farm, "Queue lock file cannot be used:", path);
    return true;
}
