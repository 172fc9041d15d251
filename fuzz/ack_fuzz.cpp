// Fuzz target: arbitrary bytes as a node's acknowledgement file, met by a poll in each of the
// nine node states, on a farm that has a scene with frames to hand out. Whatever a node writes,
// the node stays in the table's states, a frame it is given is in hand, and the frame queue
// keeps within its places.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/channel.h"
#include "engine/operator_commands.h"
#include "engine/supervisor.h"
#include "fuzz/fuzz_farm.h"
#include "platform/path.h"
#include "queue/queue_dir.h"

namespace {

constexpr int kNode = 1;

// The farm after GO with one scene of ten frames queued and scanned: every frame missing.
FarmState preparedState(FuzzFarm& fx) {
    fx.wipe();
    fx.configure(2);
    fx.writeFile(joinPath(fx.queueDir, "shot.lws"),
                 "LWSC\n3\n\nFirstFrame 1\nLastFrame 10\nFrameStep 1\nResolution 1\n"
                 "OutputFilenameFormat 2\nSaveRGBImagesPrefix Renders/shot\nRGBImageFormat 2\n");
    pressGo(fx.farm);
    checkSceneQueue(fx.farm);
    return fx.farm.state;
}

void checkNode(const FarmState& s) {
    const NodeSlot& n = s.nodes[kNode];
    fuzzCheck(n.state >= 0 && n.state < kNodeStateCount, "a node state outside the table");
    fuzzCheck(s.frameQueueCount >= 0 && s.frameQueueCount <= kFrameQueueSize,
              "a frame queue beyond its 14 places");
    if (nodeHoldsFrame(n.state) && n.state != Rendering && findScene(s, n.sceneId) != 0) {
        fuzzCheck(frameCode(s.scenes[findScene(s, n.sceneId)], n.frame) == kFrameInHand,
                  "a node loading or starting a frame that is not in hand");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzFarm fx("ack");
    static const FarmState prepared = preparedState(fx);
    Farm& farm = fx.farm;
    std::string ack(reinterpret_cast<const char*>(data), size);

    for (int32_t state = 0; state < kNodeStateCount; ++state) {
        farm.state = prepared;
        fx.fs.writeFile(farm.state.logFilePath, "");
        NodeSlot& node = farm.state.nodes[kNode];
        node.state = state;
        if (nodeHoldsFrame(state)) {
            node.sceneId = farm.state.scenes[1].sceneId;
            node.frame = 4;
            setFrameCode(farm.state.scenes[1], node.frame, kFrameInHand);
        }
        fx.fs.writeFile(ackFilePath(farm, kNode), ack);
        pollNodes(farm);
        checkNode(farm.state);
    }
    return 0;
}
