#include "queue/queue_dir.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/path.h"
#include "queue/queue_file.h"
#include "queue/scene_reader.h"
#include "settings/farm_log.h"
#include "settings/farm_notify.h"

namespace {

constexpr uint64_t kMegabyte = 1048576;
constexpr size_t kLongestName = sizeof(ListingEntry::fileName) - 1;

bool sameFile(const char (&name)[256], uint64_t time, std::string_view otherName,
              uint64_t otherTime) {
    return time == otherTime && textOf(name) == otherName;
}

// A name the "load" command and the fixed name field can carry, and that a Windows node opens
// as the same file: no control bytes, and none of the characters Windows reads as a path
// separator, a drive or a wildcard, or refuses in a name.
bool nameQueueable(std::string_view name) {
    if (name.size() > kLongestName) {
        return false;
    }
    return std::none_of(name.begin(), name.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f ||
               std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
    });
}

// The names of refused files a summary line names, the first in name order.
constexpr size_t kNamesInSummary = 10;

// Drops the names that cannot be queued. One line per check names those refused for the first
// time (a few of them, and how many), so a folder of thousands of such names costs one line.
void refuseBadNames(Farm& farm, std::vector<DirEntry>& files) {
    std::set<std::string> refused;
    std::vector<std::string> fresh;
    std::erase_if(files, [&](const DirEntry& file) {
        if (nameQueueable(file.name)) {
            return false;
        }
        if (!farm.notices.refusedNames.contains(file.name)) {
            fresh.push_back(file.name);
        }
        refused.insert(file.name);
        return true;
    });
    farm.notices.refusedNames = std::move(refused);
    if (fresh.empty()) {
        return;
    }
    size_t named = std::min(fresh.size(), kNamesInSummary);
    std::partial_sort(fresh.begin(), fresh.begin() + static_cast<std::ptrdiff_t>(named),
                      fresh.end());
    std::string names;
    for (size_t i = 0; i < named; ++i) {
        names += (i == 0 ? "" : ", ") + fresh[i];
    }
    if (fresh.size() == 1) {
        logLine(farm, "Scene file name cannot be queued:", names);
        return;
    }
    logLine(farm, "Scene file names cannot be queued (" + std::to_string(fresh.size()) + "):",
            names + (fresh.size() > named ? ", ..." : ""));
}

// The name and file time of every queue entry, so that each file of a large listing is matched
// against the queue in one look-up.
std::set<std::pair<std::string_view, uint64_t>> queuedFiles(const FarmState& s) {
    std::set<std::pair<std::string_view, uint64_t>> queued;
    for (int k = 1; k <= s.sceneCount; ++k) {
        queued.emplace(textOf(s.scenes[k].fileName), s.scenes[k].fileTime);
    }
    return queued;
}

// A listing slower than this marks a folder flooded with entries (junk by the hundred thousand);
// one of a real queue folder takes well under a millisecond.
constexpr auto kSlowListing = std::chrono::milliseconds(50);
// A flooded folder whose last-write time stays the same is listed again at every this many
// checks all the same: a file saved again in place changes no folder time.
constexpr int kChecksPerSlowListing = 8;

// Fills farm.sceneFiles with the queue folder's scene files (".lws" names, only they looked at,
// refused names left out), in name order. A flooded folder that has not changed since its last
// listing is not listed again but for every few checks, so junk costs the farm a bounded share
// of its ticks. False when the folder cannot be listed.
bool readSceneFiles(Farm& farm) {
    SceneFileListing& cache = farm.sceneFiles;
    const std::string& dir = farm.settings.Scene_Queue_Dir;
    // Only a folder whose last listing was slow is asked for its time, so a real queue folder
    // costs one listing per check as before.
    uint64_t folderTime = 0;
    bool flooded = cache.slow && cache.folder == dir && farm.fs.fileTime(dir, folderTime);
    if (flooded && folderTime == cache.folderTime && ++cache.reused < kChecksPerSlowListing) {
        return true;
    }
    auto start = std::chrono::steady_clock::now();
    std::vector<DirEntry> files;
    if (!farm.fs.listDirectory(dir, files, EntryTimes::Read, ".lws")) {
        cache = SceneFileListing{};
        return false;
    }
    std::erase_if(files, [](const DirEntry& file) { return !file.isRegular; });
    refuseBadNames(farm, files);
    std::sort(files.begin(), files.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    bool slow = std::chrono::steady_clock::now() - start > kSlowListing;
    cache = SceneFileListing{slow, dir, folderTime, 0, std::move(files)};
    return true;
}

// Lists the scene files of the queue folder in name order. Files already queued always get a
// place; the others take the places the scene table still has room for, and those left over
// are counted in leftOut. Only names ending ".lws" are looked at, so files of other names in
// the folder, however many, cost the listing alone.
bool listSceneFiles(Farm& farm, int& leftOut) {
    FarmState& s = farm.state;
    s.listingCount = 0;
    leftOut = 0;
    if (!readSceneFiles(farm)) {
        return false;
    }
    const std::vector<DirEntry>& files = farm.sceneFiles.files;

    auto inQueue = queuedFiles(s);
    std::vector<bool> queued(files.size());
    int room = kMaxScenes;
    for (size_t i = 0; i < files.size(); ++i) {
        queued[i] = inQueue.contains({files[i].name, files[i].fileTime});
        room -= queued[i] ? 1 : 0;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (!queued[i] && room == 0) {
            ++leftOut;
            continue;
        }
        room -= queued[i] ? 0 : 1;
        ListingEntry& entry = s.listing[++s.listingCount];
        std::memset(entry.fileName, 0, sizeof entry.fileName);
        copyText(entry.fileName, files[i].name);
        entry.fileTime = files[i].fileTime;
    }
    return true;
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

// The folder the head scene's images go to, or nothing when no scene is live or its template
// is not a path from the root.
std::string headImageFolder(const FarmState& s) {
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (s.scenes[k].position == 0) {
            continue;
        }
        std::string_view templ = textOf(s.scenes[k].outputPath);
        if (!templ.starts_with('/')) {
            return {};
        }
        std::string folder = parentPath(templ);
        return folder.empty() ? std::string("/") : folder;
    }
    return {};
}

int wholeMegabytes(uint64_t bytes) {
    uint64_t mb = bytes / kMegabyte;
    return static_cast<int>(std::min<uint64_t>(mb, std::numeric_limits<int32_t>::max()));
}

// Halts the farm while the disk of the head scene's images has less than the minimum free:
// logs and asks at every pass; false when the operator chose Cancel.
bool freeSpaceCheck(Farm& farm) {
    int32_t minimum = farm.settings.Free_Space_Minimum;
    if (minimum <= 0) {
        return true;
    }
    std::string folder = headImageFolder(farm.state);
    if (folder.empty()) {
        return true;
    }
    uint64_t needed = static_cast<uint64_t>(minimum) * kMegabyte;
    uint64_t freeBytes = 0;
    // The folder lies on the file system it reports, so while there is room one query is the
    // whole check; the mount point, named in the halt's texts, is looked for only when the space
    // is short or the folder cannot be asked (it may not exist yet).
    bool known = farm.fs.freeSpace(folder, freeBytes);
    if (known && freeBytes >= needed) {
        return true;
    }
    std::string mount = farm.fs.mountPoint(folder);
    if (!known) {
        known = farm.fs.freeSpace(mount, freeBytes);
    }
    farm.state.halted = true;
    bool goOn = true;
    if (known && freeBytes < needed) {
        notifyEvent(farm, FarmEvent::FreeSpaceHalt, mount);
    }
    while (known && freeBytes < needed) {
        std::string freeMb = std::to_string(wholeMegabytes(freeBytes));
        logLine(farm, "Free space on " + mount + " only " + freeMb + " MB! Kestrun Halted.");
        std::string text = "Free space on " + mount + " only " + freeMb +
                           " MB!\n\nPlease increase to " + std::to_string(minimum) + " MB";
        if (!farm.host.askFreeSpaceRetry(text)) {
            goOn = false;
            break;
        }
        known = farm.fs.freeSpace(mount, freeBytes);
    }
    farm.state.halted = false;
    return goOn;
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

bool listQueueDirectory(Farm& farm) {
    int leftOut = 0;
    return listSceneFiles(farm, leftOut);
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
