// The plain records of the farm and the table operations several modules share.
//
// FarmState is the one record of the whole farm: the node table, the scene queue, the last
// listing of the queue folder, the frame queue, the farm and refresh flags and the cycle
// counters. All tables are 1-based: slot 0 exists but is never a node or a queue entry. A scene
// is named by its sceneId everywhere outside the scene table, since slots move when the queue is
// reordered. Everything runs on one thread; nothing here locks.
//
// This is the lowest farm layer: every other module may include it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int kMaxNodes = 30;
constexpr int kNodeSlots = kMaxNodes + 1;
constexpr int kSceneSlots = 300;
constexpr int kMaxScenes = kSceneSlots - 1;
constexpr int kFrameMapSize = 3000;
constexpr int kFrameQueueSize = 14;
// A scene fails at its 32nd problem frame; SceneEntry::problemCount of a failed scene is then
// set to kFailedProblemCount.
constexpr int32_t kProblemFramesTolerated = 31;
constexpr int32_t kFailedProblemCount = 33;

// A node's place in the ScreamerNet conversation; the word each state waits for is in brackets.
enum NodeState : int32_t {
    Offline = 0,     // not seen running [any acknowledgement file]
    Ready = 1,       // idle, waiting for work ["Ready"; "Initializing" is answered "wait"]
    Loading = 2,     // sent a load command ["Load"]
    LoadFirst = 3,   // has loaded the scene ["Ready" releases the render command]
    Loaded = 4,      // finished a frame, scene still loaded ["Ready"]
    Rendering = 5,   // rendering its frame ["Ready" once the image is written]
    WtoRender = 6,   // sent a render command ["Render"]
    WLoadFirst = 7,  // loading the scene ["Ready"]
    Retired = 8,     // to be shut down ["Ready", then "Offline"]
};
constexpr int kNodeStateCount = 9;

// Frame status codes of a FrameMap.
constexpr char kFrameNotScanned = 0;  // not scanned yet, or handed back by a node
constexpr char kFrameMissing = 'M';   // no image on disk: to be rendered
constexpr char kFramePresent = 'P';   // the image exists
constexpr char kFrameInHand = 'Q';    // given to a node that is loading or rendering it
constexpr char kFrameFinished = 'S';  // reported finished; image not checked yet

// True for the codes of a frame that is done: its image is there, or a node finished it.
inline bool frameDone(char code) {
    return code == kFramePresent || code == kFrameFinished;
}

struct NodeSlot {
    char name[24] = {};  // display name, at most 8 characters as loaded
    int32_t state = Offline;
    uint32_t commandTick = 0;  // tick at which the last command was written
    int32_t sceneId = -1;      // scene the node was given; -1 = none
    int32_t frame = 0;         // frame the node was given
};

// One scene-queue entry; also the record of the queue file (see scene_record.h).
struct SceneEntry {
    int32_t position = 0;  // 1..n live; 0 out of the running; -1 file gone, to be taken out
    char fileName[256] = {};
    int32_t sceneId = 0;
    int32_t firstFrame = 0;
    int32_t lastFrame = 0;
    int32_t frameStep = 0;
    char frameMap[kFrameMapSize] = {};  // status code per frame number
    uint64_t fileTime = 0;              // last write of the scene file when it was read
    char outputPath[516] = {};          // image name template, or the failure text
    char imageSize[12] = {};
    int32_t antialias = 0;
    int32_t filterType = 0;
    int32_t segmentMemory = 0;  // millions of bytes
    int32_t blurPercent = 0;
    int32_t problemCount = 0;  // problem frames so far; 33 once the scene failed
    int32_t lastNode = 0;      // node that last reported a frame of this scene finished
};

// One scene file found in the queue folder by the last check.
struct ListingEntry {
    char fileName[256] = {};
    uint64_t fileTime = 0;
};

struct FrameQueueEntry {
    int32_t frame = 0;
    int32_t sceneId = 0;
};

struct FarmState {
    NodeSlot nodes[kNodeSlots];
    // The scene tables are allocated once with their fixed number of slots and never resized.
    std::vector<SceneEntry> scenes = std::vector<SceneEntry>(kSceneSlots);
    int32_t sceneCount = 0;
    std::vector<ListingEntry> listing = std::vector<ListingEntry>(kSceneSlots);
    int32_t listingCount = 0;
    FrameQueueEntry frameQueue[kFrameQueueSize + 1];  // entries 1..frameQueueCount
    int32_t frameQueueCount = 0;

    int32_t runningFlag = 0;      // -1 from start-up until Quit; first 4 bytes of the queue file
    bool alreadyRunning = false;  // the queue file said running and the operator said No
    bool waitingForGo = true;     // while set no frame is handed out
    bool halted = false;          // while set a tick does nothing (modal halt, Configure open)

    bool queueListDirty = true;
    bool farmListDirty = false;
    bool logDirty = false;
    bool logFrozen = false;  // the log pane has the focus: it is not reloaded
    uint32_t logWrites = 0;  // lines written to the log so far: readers of its tail watch it

    // The id the next scene read is given, seeded by loading the queue file. Ids count up and
    // are never given twice in one run: a node that holds an id never meets another scene by it.
    int32_t nextId = 0;

    bool pollAgain = true;
    int32_t tickCount = 0;
    int32_t quietPeriods = 0;

    std::string logFilePath;
    std::string queueFilePath;
};

// True when frame has a place in a FrameMap.
inline bool frameInMap(int64_t frame) {
    return frame >= 0 && frame < kFrameMapSize;
}
// True when the scene's whole range lies inside its FrameMap and its step is at least 1.
bool sceneRangeValid(const SceneEntry& e);
// The failure text of a scene whose first frame comes after its last: it has no frame to do.
constexpr const char* kReversedRangeText = "First frame after last frame";
// Sets the code of one frame; a frame outside the map is left alone.
void setFrameCode(SceneEntry& e, int64_t frame, char code);
// The code of one frame; frames outside the map read as not scanned.
inline char frameCode(const SceneEntry& e, int64_t frame) {
    return frameInMap(frame) ? e.frameMap[frame] : kFrameNotScanned;
}

// The frames of a scene's range, by its step: those done and the rest; none when the range is
// not valid.
struct FrameCounts {
    int done = 0;
    int toDo = 0;
};
FrameCounts countFrames(const SceneEntry& e);

// Entry number 1..sceneCount whose sceneId equals id, searching upward; 0 when none.
int findScene(const FarmState& s, int32_t sceneId);
// The entry of the first scene still in the running (position other than 0), 0 when none; the
// entries after it are in the running too, as reorderQueue keeps them together.
int firstEntryInRunning(const FarmState& s);
// That entry's fileName, or "No Scene".
std::string sceneFileName(const FarmState& s, int32_t sceneId);
// "frame 7 of a.lws": how log lines name a frame.
std::string frameOfScene(int f, std::string_view fileName);
// Gives a new scene its id: nextId, or one more than the largest id of entries 1..sceneCount
// when that is higher; nextId then counts on past it.
int32_t nextSceneId(FarmState& s);
// True when the scene failed: its problem frames passed the limit, or it could not be read.
bool sceneFailed(const SceneEntry& e);
// Loading or rendering a frame: the states in which a node holds a frame and owes the farm an
// answer for it.
bool nodeHoldsFrame(int32_t state);
// Hands the node's frame back (code 0) in its scene, when that scene is queued and the frame is
// still in hand ('Q').
void releaseNodeFrame(FarmState& s, int node);
void clearFrameQueue(FarmState& s);
// Marks entry failed: problemCount 33 and the text in place of its output path.
void failScene(FarmState& s, std::string_view text, int entry);
// Sorts entries by position (stable bubble sort of whole records), then renumbers the live ones
// 1, 2, 3, ... in table order; sets queueListDirty.
void reorderQueue(FarmState& s);
