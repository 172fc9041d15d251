#include "queue/queue_lock.h"

#include <string>

#include "farm/farm.h"
#include "platform/path.h"
#include "report/farm_log.h"

namespace {

// One of the two locks: which folder it stands for, and the texts that name it.
struct FolderLock {
    FileLock Farm::*lock;
    std::string FarmSettings::*folder;
    const char* kind;      // the lock file's name begins with it
    const char* refusal;   // the stop box's text, before the holder
    const char* unusable;  // the log line when the lock cannot be used
};

const FolderLock kLocks[] = {
    {&Farm::queueLock, &FarmSettings::Scene_Queue_Dir, "queue",
     "Another Kestrun farm is running this scene queue: ", "Queue lock file cannot be used:"},
    {&Farm::commandLock, &FarmSettings::Screamer_Command_Dir, "command",
     "Another Kestrun farm is using this ScreamerNet command directory: ",
     "Command directory lock file cannot be used:"},
};

// Taken (or unusable, logged): true. Held by another farm: the stop box, false.
bool take(Farm& farm, const FolderLock& l, const std::string& lockFolder) {
    const std::string& folder = farm.settings.*l.folder;
    std::string path =
        lockFolder.empty() ? std::string() : joinPath(lockFolder, folderLockName(l.kind, folder));
    std::string holder;
    LockResult result = path.empty() ? LockResult::Unusable : (farm.*l.lock).take(path, holder);
    if (result == LockResult::HeldElsewhere) {
        farm.host.showError(l.refusal + holder + " runs " + folder + ". Quit that farm first.");
        return false;
    }
    if (result == LockResult::Unusable) {
        logLine(farm, l.unusable, path.empty() ? "no private folder for it" : path);
    }
    return true;
}

}  // namespace

bool takeFarmLocks(Farm& farm) {
    std::string lockFolder = privateLockFolder();
    for (const FolderLock& l : kLocks) {
        if (!take(farm, l, lockFolder)) {
            releaseFarmLocks(farm);
            farm.queueInUse = true;
            return false;
        }
    }
    return true;
}

void releaseFarmLocks(Farm& farm) {
    farm.queueLock.release();
    farm.commandLock.release();
}
