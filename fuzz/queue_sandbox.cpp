#include "fuzz/queue_sandbox.h"

#include <cstdio>
#include <filesystem>

#include "fuzz/fuzz_farm.h"
#include "platform/path.h"

namespace {

constexpr long kSceneTime = 1000000000;  // 2001-09-09, the scene files' last write

std::string sceneText(int first, int last, int step, const char* prefix) {
    return "LWSC\n3\n\nFirstFrame " + std::to_string(first) + "\nLastFrame " +
           std::to_string(last) + "\nFrameStep " + std::to_string(step) +
           "\nResolution 1\nAntialiasing 1\nOutputFilenameFormat 2\nSaveRGBImagesPrefix " + prefix +
           "\nRGBImageFormat 2\n";
}

}  // namespace

void prepareQueueSandbox(FuzzFarm& fx) {
    fx.wipe();
    fx.configure(3);
    fx.writeFile(joinPath(fx.queueDir, "a.lws"), sceneText(1, 12, 1, "Renders/a"), kSceneTime);
    fx.writeFile(joinPath(fx.queueDir, "b.lws"), sceneText(1, 30, 3, "Renders/b"), kSceneTime);
    std::string renders = joinPath(fx.contentDir, "Renders");
    std::filesystem::create_directories(renders);
    for (int frame = 1; frame <= 4; ++frame) {
        char name[16];
        std::snprintf(name, sizeof name, "a%04d.TGA", frame);
        fx.writeFile(joinPath(renders, name), "image");
    }
}
