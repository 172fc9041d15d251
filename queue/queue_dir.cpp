#include "queue/queue_dir.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "queue/free_space.h"
#include "queue/queue_file.h"
#include "queue/scene_listing.h"
#include "queue/scene_reader.h"
#include "report/farm_log.h"
#include "report/farm_notify.h"

namespace {

bool sameFile(const char (&name)[256], uint64_t time, std::string_view otherName,
              uint64_t otherTime) {
    return time == otherTime && textOf(name) == otherName;
}

void noteQueueFull(Farm& farm, bool full) {
    if (full && !farm.notices.queueFull) {
        logLine(farm, "Scene queue full");
    }
    farm.notices.queueFull = full;
}

void noteFolderUnreadable(Farm& farm, bool unreadable) {
    if (unreadable && !farm.notices.folderUnreadable) {
        logLine(farm, "Scene queue directory cannot be read", farm.settings.Scene_Queue_Dir);
    }
    farm.notices.folderUnreadable = unreadable;
}

// Listing entry with entry k's name and time, or 0.
int findInListing(const Farm& farm, int k) {
    const FarmState& s = farm.state;
    const SceneEntry& e = s.scenes[k];
    for (int j = 1; j <= s.listingCount; ++j) {
        const ListingEntry& l = s.listing[j];
        if (sameFile(e.fileName, e.fileTime, textOf(l.fileName), l.fileTime)) {
            return j;
        }
    }
    return 0;
}

// Marks every entry whose file is gone or was saved again; true when any was.
bool markRemovedScenes(Farm& farm) {
    FarmState& s = farm.state;
    bool marked = false;
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (findInListing(farm, k) == 0) {
            logLine(farm, "Scene file removed from queue:", textOf(s.scenes[k].fileName));
            s.scenes[k].position = -1;
            farm.finishers.forget(s.scenes[k].sceneId);
            marked = true;
        }
    }
    return marked;
}

// Overwrites each marked entry with the last one. Done before the additions, so that a full
// table has room for the files that replace the entries taken out.
void takeOutMarked(FarmState& s) {
    int k = 1;
    while (k <= s.sceneCount) {
        if (s.scenes[k].position != -1) {
            ++k;
            continue;
        }
        if (k != s.sceneCount) {
            s.scenes[k] = s.scenes[s.sceneCount];
        }
        --s.sceneCount;
    }
}

}  // namespace

bool checkSceneQueue(Farm& farm) {
    FarmState& s = farm.state;
    farm.host.showStatus("Checking scene-queue directory.");
    if (!freeSpaceCheck(farm)) {
        return false;
    }
    int leftOut = 0;
    bool readable = listSceneFiles(farm, leftOut);
    noteFolderUnreadable(farm, !readable);
    if (!readable) {
        return true;
    }
    bool changed = markRemovedScenes(farm);
    takeOutMarked(s);
    for (int j = 1; j <= s.listingCount; ++j) {
        if (findInQueue(farm, j) == 0) {
            addScene(farm, j);
            changed = true;
        }
    }
    noteQueueFull(farm, leftOut > 0);
    if (!changed) {
        return true;
    }
    s.queueListDirty = true;
    reorderQueue(s);
    saveQueueFile(farm);
    clearFrameQueue(s);
    return true;
}

int findInQueue(const Farm& farm, int j) {
    const FarmState& s = farm.state;
    const ListingEntry& l = s.listing[j];
    for (int k = 1; k <= s.sceneCount; ++k) {
        const SceneEntry& e = s.scenes[k];
        if (sameFile(e.fileName, e.fileTime, textOf(l.fileName), l.fileTime)) {
            return k;
        }
    }
    return 0;
}

// A scene that cannot be rendered as it stands (unreadable, a key missing, a save path that
// cannot be made) is logged with its name and the reason, and told to Notify_Command.
void reportUnreadable(Farm& farm, int k) {
    const SceneEntry& e = farm.state.scenes[k];
    std::string fileName(textOf(e.fileName));
    std::string reason(textOf(e.outputPath));
    reason.erase(0, reason.find_first_not_of('\n'));
    logLine(farm, "Scene file cannot be rendered:", fileName + ": " + reason);
    notifyEvent(farm, FarmEvent::SceneUnreadable, fileName);
}

void addScene(Farm& farm, int j) {
    FarmState& s = farm.state;
    if (s.sceneCount >= kMaxScenes) {
        noteQueueFull(farm, true);
        return;
    }
    const ListingEntry& l = s.listing[j];
    int n = ++s.sceneCount;
    logLine(farm, "Added Newer scene file with name", textOf(l.fileName));

    SceneEntry& e = s.scenes[n];
    e = SceneEntry{};
    std::memcpy(e.fileName, l.fileName, sizeof e.fileName);
    e.fileTime = l.fileTime;
    int32_t highest = 0;
    for (int k = 1; k < n; ++k) {
        highest = std::max(highest, s.scenes[k].position);
    }
    e.position = highest + 1;
    readSceneFile(farm, n);
    if (sceneFailed(s.scenes[n])) {
        reportUnreadable(farm, n);
    }
}
