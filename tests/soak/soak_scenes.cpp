#include "soak_scenes.h"

#include "sim/frame_image.h"

namespace {

const char* const kFailFrames = "503,519,535";

// A whole image rendered before the soak: a TGA the farm takes for done, whose last pixel byte
// differs from the one a node would write for that frame, so a render over it shows.
std::string oldImage(int frame) {
    std::string bytes = sim::frameImageBytes(".TGA", frame);
    bytes.back() = static_cast<char>(~bytes.back());
    return bytes;
}

const SoakScene& partlyRendered() {
    return soakScenes()[1];
}

}  // namespace

const std::vector<SoakScene>& soakScenes() {
    static const std::vector<SoakScene> scenes{
        {"a_failing.lws", 500, 547, 1, "fail"}, {"b_partly.lws", 1, 48, 1, "part"},
        {"c_step2.lws", 1, 79, 2, "two"},       {"d_step3.lws", 100, 217, 3, "three"},
        {"e_step5.lws", 10, 205, 5, "five"},
    };
    return scenes;
}

bool isSoakScene(const std::string& name) {
    for (const SoakScene& scene : soakScenes()) {
        if (name == scene.name) {
            return true;
        }
    }
    return false;
}

void queueSoakScenes(ScenarioFarm& f) {
    f.fixture.dir.makeDir("content/Renders");
    const SoakScene& part = partlyRendered();
    for (int frame = part.first; frame <= part.last; frame += 2) {
        writeText(renderedImage(f, part.prefix, frame), oldImage(frame));
    }
    for (const SoakScene& scene : soakScenes()) {
        f.fixture.addSceneFile(scene.name, sceneText(scene.first, scene.last, scene.step,
                                                     std::string("Renders/") + scene.prefix));
    }
}

void startSoakNodes(ScenarioFarm& f) {
    for (int n = 1; n <= kSoakNodes; ++n) {
        if (n > kSoakNodes - 2) {
            f.startNode(n, {"--fail-frames", kFailFrames});
        } else {
            f.startNode(n);
        }
    }
}

bool allImagesThere(const ScenarioFarm& f, const SoakScene& scene) {
    for (int frame = scene.first; frame <= scene.last; frame += scene.step) {
        if (!fileExists(renderedImage(f, scene.prefix, frame))) {
            std::fprintf(stderr, "soak: %s has no image of frame %d\n", scene.name, frame);
            return false;
        }
    }
    return true;
}

bool oldImagesKept(const ScenarioFarm& f) {
    const SoakScene& part = partlyRendered();
    for (int frame = part.first; frame <= part.last; frame += 2) {
        if (readText(renderedImage(f, part.prefix, frame)) != oldImage(frame)) {
            return false;
        }
    }
    return true;
}
