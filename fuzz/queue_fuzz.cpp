// Fuzz target: arbitrary bytes as the queue file "Kestrun.que", loaded at start-up, then what a
// farm does next with the records: the Progress text of every loaded record, a save and load
// that must give the same bytes, the queue check against a folder of two scene files, an image
// scan of every live scene and the frame queue built from them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/frame_queue.h"
#include "engine/image_scan.h"
#include "farm/view_texts.h"
#include "fuzz/fuzz_farm.h"
#include "fuzz/queue_sandbox.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"

namespace {

void checkLoaded(const FarmState& s) {
    fuzzCheck(s.sceneCount >= 0 && s.sceneCount <= kMaxScenes, "a scene count beyond the table");
    for (int k = 1; k <= s.sceneCount; ++k) {
        const SceneEntry& e = s.scenes[k];
        fuzzCheck(e.sceneId >= 0 && findScene(s, e.sceneId) == k, "a scene id not its own");
        fuzzCheck(e.position >= -1 && e.position <= kMaxScenes, "a position beyond the table");
        fuzzCheck(e.fileName[sizeof e.fileName - 1] == '\0', "an unterminated file name");
        fuzzCheck(e.outputPath[sizeof e.outputPath - 1] == '\0', "an unterminated output path");
        fuzzCheck(e.lastNode >= 0 && e.lastNode <= kMaxNodes, "a last node outside the table");
        fuzzCheck(sceneRangeValid(e) || e.position == 0, "a live scene with a bad range");
    }
}

std::string savedBytes(FuzzFarm& fx) {
    saveQueueFile(fx.farm);
    std::string bytes;
    fx.fs.readFile(fx.farm.state.queueFilePath, bytes, SIZE_MAX);
    return bytes;
}

void checkFrameQueue(const FarmState& s) {
    fuzzCheck(s.frameQueueCount >= 0 && s.frameQueueCount <= kFrameQueueSize,
              "a frame queue beyond its 14 places");
    for (int i = 1; i <= s.frameQueueCount; ++i) {
        int k = findScene(s, s.frameQueue[i].sceneId);
        fuzzCheck(k != 0, "a queued frame of no scene");
        fuzzCheck(frameCode(s.scenes[k], s.frameQueue[i].frame) == kFrameMissing,
                  "a queued frame that is not missing");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFarm fx("queue");
    prepareQueueSandbox(fx);
    Farm& farm = fx.farm;
    FarmState& s = farm.state;
    fx.writeFile(s.queueFilePath, std::string(reinterpret_cast<const char*>(data), size));

    loadQueueFile(farm);
    checkLoaded(s);
    for (int k = 1; k <= s.sceneCount; ++k) {
        sceneProgressText(s.scenes[k]);
    }
    std::string first = savedBytes(fx);
    loadQueueFile(farm);
    fuzzCheck(savedBytes(fx) == first, "a loaded queue saved to other bytes");

    checkSceneQueue(farm);
    checkLoaded(s);
    for (int k = 1; k <= s.sceneCount; ++k) {
        int remaining = 0;
        if (s.scenes[k].position > 0) {
            scanImages(farm, k, remaining);
        }
        sceneProgressText(s.scenes[k]);
    }
    buildFrameQueue(farm);
    checkFrameQueue(s);
    return 0;
}
