#include "queue/queue_file.h"

#include <algorithm>
#include <set>

#include "farm/farm.h"
#include "farm/scene_record.h"
#include "platform/fixed_text.h"
#include "platform/little_endian.h"
#include "platform/path.h"
#include "report/save_report.h"

namespace {

constexpr size_t kFlagSize = 4;
constexpr size_t kLongestFile = kFlagSize + kMaxScenes * scene_record::kSize;
constexpr const char* kTidyFolder = "HasBeenRendered";

void putFlag(std::string& out, int32_t flag) {
    unsigned char bytes[kFlagSize];
    putLeI32(bytes, flag);
    out.append(reinterpret_cast<const char*>(bytes), kFlagSize);
}

int32_t getFlag(const std::string& in) {
    return getLeI32(reinterpret_cast<const unsigned char*>(in.data()));
}

// Ids stay far below the 32-bit limit, so that the largest id plus one is always an id.
constexpr int32_t kLargestLoadedId = 1 << 30;

template <size_t N>
void terminate(char (&text)[N]) {
    text[N - 1] = '\0';
}

// A position beyond every valid one: such records sort to the back of the queue, in file order.
constexpr int32_t kBackOfQueue = kMaxScenes + 1;

// A record from the file is untrusted: its texts end inside their arrays, a node number it
// names exists, and a position outside the table puts the scene at the back of the queue.
// Only a live record needs a frame range the frame map can hold, in order; one out of the
// running keeps its failure text and counts as it stands (a scene that failed before its range
// was read has step 0). Gives true when the position had to be moved.
bool sanitize(FarmState& s, int k) {
    SceneEntry& e = s.scenes[k];
    terminate(e.fileName);
    terminate(e.outputPath);
    terminate(e.imageSize);
    if (e.lastNode < 0 || e.lastNode > kMaxNodes) {
        e.lastNode = 0;
    }
    bool moved = e.position < 0 || e.position > kMaxScenes;
    if (moved) {
        e.position = kBackOfQueue;
    }
    const char* fault = nullptr;
    if (e.position != 0 && !sceneRangeValid(e)) {
        fault = e.frameStep < 1 ? "Frame step below 1" : "Frame range outside 0 to 2999";
    } else if (e.position != 0 && e.firstFrame > e.lastFrame) {
        fault = kReversedRangeText;
    }
    if (fault) {
        e.position = 0;
        failScene(s, fault, k);
    }
    return moved;
}

bool idUsable(int32_t id) {
    return id >= 0 && id <= kLargestLoadedId;
}

// Nodes and the frame queue name scenes by id, so each entry needs one of its own, and never -1
// (a node's "no scene"): an id that is negative, too large or already taken by an earlier entry
// is replaced by a new one above every usable id. The ids of the run's new scenes count on from
// there.
void giveUniqueIds(FarmState& s) {
    int32_t next = 0;
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (idUsable(s.scenes[k].sceneId)) {
            next = std::max(next, s.scenes[k].sceneId + 1);
        }
    }
    std::set<int32_t> taken;
    for (int k = 1; k <= s.sceneCount; ++k) {
        int32_t& id = s.scenes[k].sceneId;
        if (!idUsable(id) || !taken.insert(id).second) {
            id = next++;
            taken.insert(id);
        }
    }
    s.nextId = std::max(s.nextId, next);
}

// The queue file's bytes: the running flag, then every entry's record in table order.
std::string queueFileBytes(const FarmState& s) {
    int count = std::clamp(s.sceneCount, 0, kMaxScenes);
    std::string data;
    data.reserve(kFlagSize + count * scene_record::kSize);
    putFlag(data, s.runningFlag);
    unsigned char record[scene_record::kSize];
    for (int k = 1; k <= count; ++k) {
        encodeSceneEntry(s.scenes[k], record);
        data.append(reinterpret_cast<const char*>(record), sizeof record);
    }
    return data;
}

bool writeQueueFile(Farm& farm, std::string data) {
    const FarmState& s = farm.state;
    // The temporary lies beside the queue file and does not end in ".lws", so the queue check
    // never takes it for a scene. The queue folder is shared: a link planted at the queue
    // file's name is replaced, never written through.
    SaveResult saved = farm.fs.saveFile(s.queueFilePath, data, Trust::Shared);
    reportSave(farm, farm.notices.queueSave, "Queue file", s.queueFilePath, saved,
               ShowFailure::Once);
    if (!saved.ok()) {
        return false;
    }
    farm.savedQueue = {s.queueFilePath, std::move(data)};
    return true;
}

}  // namespace

bool saveQueueFile(Farm& farm) {
    return writeQueueFile(farm, queueFileBytes(farm.state));
}

bool saveQueueFileIfChanged(Farm& farm) {
    std::string data = queueFileBytes(farm.state);
    if (data == farm.savedQueue.bytes && farm.state.queueFilePath == farm.savedQueue.path) {
        return true;
    }
    return writeQueueFile(farm, std::move(data));
}

void loadQueueFile(Farm& farm) {
    FarmState& s = farm.state;
    s.sceneCount = 0;
    std::string data;
    // The queue folder is shared: a link planted at the queue file's name (to a private file of
    // the operator's) is not read, and the next save replaces it with a file of the farm's own.
    if (!farm.fs.readFile(s.queueFilePath, data, kLongestFile, Links::Refuse) || data.empty()) {
        return;
    }
    if (data.size() < kFlagSize) {
        s.runningFlag = 0;
        return;
    }
    s.runningFlag = getFlag(data);
    size_t records = (data.size() - kFlagSize) / scene_record::kSize;
    bool moved = false;
    for (size_t i = 0; i < records; ++i) {
        int k = static_cast<int>(i) + 1;
        const char* at = data.data() + kFlagSize + i * scene_record::kSize;
        s.scenes[k] = decodeSceneEntry(reinterpret_cast<const unsigned char*>(at));
        moved = sanitize(s, k) || moved;
        s.sceneCount = k;
    }
    if (moved) {
        reorderQueue(s);
    }
    giveUniqueIds(s);
}

bool tidyScene(Farm& farm, int k) {
    const FarmState& s = farm.state;
    if (k < 1 || k > s.sceneCount) {
        return false;
    }
    const std::string& queueDir = farm.settings.Scene_Queue_Dir;
    std::string_view name = textOf(s.scenes[k].fileName);
    std::string folder = joinPath(queueDir, kTidyFolder);
    std::string source = joinPath(queueDir, name);

    // The scene's own directory entry moves (a link stays a link), so nothing is copied out of
    // a file it may point to and nothing is written through a link found in the folder.
    CopyResult moved = farm.fs.moveIntoFolder(source, folder);
    if (moved == CopyResult::PathNotFound) {
        farm.fs.makeDirectory(folder);
        if (farm.fs.moveIntoFolder(source, folder) != CopyResult::Ok) {
            farm.host.showError("Couldn't create HasBeenRendered directory");
            return false;
        }
    } else if (moved != CopyResult::Ok) {
        farm.host.showError("Couldn't tidy scene files");
        return false;
    }
    return true;
}
