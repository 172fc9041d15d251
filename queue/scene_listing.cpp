#include "queue/scene_listing.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "report/farm_log.h"

namespace {

constexpr size_t kLongestName = sizeof(ListingEntry::fileName) - 1;

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

}  // namespace

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

bool listQueueDirectory(Farm& farm) {
    int leftOut = 0;
    return listSceneFiles(farm, leftOut);
}
