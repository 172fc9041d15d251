// Scene ids over a run with a real simulated node: a scene saved again while it renders, one
// removed and a new file dropped in each get an id never seen before in the run, so the node
// loads the new file and renders into the new scene's folder instead of going on with the scene
// it had loaded under that id.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "engine/farm_cycle.h"
#include "engine/operator_commands.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "queue/queue_order.h"
#include "scenario_support.h"

namespace {

constexpr int kTimeoutMs = 60000;

class SceneIds : public ::testing::Test {
  protected:
    ScenarioFarm sf;
    Farm& farm = *sf.fixture.farm;
    FarmState& s = farm.state;
    std::set<int32_t> seen;

    // Ticks every 50 ms until done holds; false on time-out.
    bool tickUntil(const std::function<bool()>& done) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            farmTick(farm);
            noteIds();
        }
        return true;
    }
    void noteIds() {
        for (int k = 1; k <= s.sceneCount; ++k) {
            seen.insert(s.scenes[k].sceneId);
        }
    }
    // The queue entry of a file name with the given write time (0: any), or 0.
    int entryOf(const std::string& name, uint64_t time = 0) const {
        for (int k = 1; k <= s.sceneCount; ++k) {
            if (textOf(s.scenes[k].fileName) == name &&
                (time == 0 || s.scenes[k].fileTime == time)) {
                return k;
            }
        }
        return 0;
    }
    uint64_t fileTime(const std::string& name) {
        uint64_t time = 0;
        farm.fs.fileTime(sf.fixture.queueDir + "/" + name, time);
        return time;
    }
    // Writes the scene file (100 frames, images under Renders/<prefix>) with its own write time.
    void writeScene(const std::string& name, const std::string& prefix, long mtime) {
        std::string path = sf.fixture.addSceneFile(name, sceneText(1, 100, 1, "Renders/" + prefix));
        setModifiedTime(path, mtime);
    }
    // True when the node wrote an image of the scene whose save prefix is Renders/<prefix>.
    bool imageIn(const std::string& prefix) const {
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(sf.fixture.contentDir + "/Renders", error)) {
            std::string name = entry.path().filename().string();
            if (name.size() == prefix.size() + 8 && name.starts_with(prefix)) {
                return true;
            }
        }
        return false;
    }
    // The node works on the scene: it has loaded it and holds, or has just finished, a frame.
    bool nodeRendering(int32_t id) const {
        return s.nodes[1].sceneId == id && s.nodes[1].frame != 0;
    }
    int32_t boost(const std::string& name, uint64_t time = 0) {
        int k = raiseScene(farm, entryOf(name, time), 1);
        return s.scenes[k].sceneId;
    }
};

TEST_F(SceneIds, ASceneSavedAgainRemovedOrNewIsLoadedAfreshUnderAnIdNeverSeenBefore) {
    writeScene("a.lws", "a", 1000000);
    writeScene("b.lws", "b", 1000000);
    ASSERT_TRUE(startFarm(farm));
    noteIds();
    ASSERT_EQ(s.sceneCount, 2);

    // b goes to the top of the queue (its slot becomes the first) before any node holds a
    // scene, and the node renders it.
    int32_t b = boost("b.lws");
    sf.startNode(1);
    pressGo(farm);
    ASSERT_TRUE(tickUntil([&] { return nodeRendering(b); })) << sf.log();

    // Saved again with another save path while its frame renders: a new scene, a new id, and the
    // node loads it before it renders a frame of it, into the new folder.
    std::set<int32_t> earlier = seen;
    writeScene("b.lws", "b2", 2000000);
    uint64_t resaved = fileTime("b.lws");
    ASSERT_TRUE(tickUntil([&] { return entryOf("b.lws", resaved) != 0; }));
    int32_t b2 = boost("b.lws", resaved);
    EXPECT_EQ(earlier.count(b2), 0u) << b2;
    ASSERT_TRUE(tickUntil([&] { return imageIn("b2"); })) << sf.log();

    // Removed while it renders, and a new file dropped in and boosted: again a fresh id, and the
    // node that held the removed scene loads the new one.
    ASSERT_TRUE(tickUntil([&] { return nodeRendering(b2); })) << sf.log();
    earlier = seen;
    removeScene(farm, entryOf("b.lws"));
    EXPECT_EQ(entryOf("b.lws"), 0);
    writeScene("c.lws", "c", 3000000);
    ASSERT_TRUE(tickUntil([&] { return entryOf("c.lws") != 0; }));
    int32_t c = boost("c.lws");
    EXPECT_EQ(earlier.count(c), 0u) << c;
    ASSERT_TRUE(tickUntil([&] { return imageIn("c"); })) << sf.log();

    EXPECT_EQ(countOf(sf.log(), "Problem Frame"), 0) << sf.log();
    quitFarm(farm);
}

}  // namespace
