// Nodes of any speed finish their queues with any farm cycle: quick nodes answer before the farm
// looks, slow ones after several polls, and their "wait" loops write "Ready" every 2 ms (wide
// open to being taken for another answer) or every second as a real node's do. Each case runs
// kestrun-headless against real kestrun-node-sim processes: every frame rendered exactly once,
// no problem frame, each node detected once and nothing left in hand.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fixed_text.h"
#include "scenario_support.h"

namespace {

struct Speed {
    int cycleMs;
    int workMs;  // each node's init, load and render time
    int waitPauseMs;
    int nodes;
};

std::string caseName(const testing::TestParamInfo<Speed>& info) {
    return "cycle" + std::to_string(info.param.cycleMs) + "_work" +
           std::to_string(info.param.workMs) + "_pause" + std::to_string(info.param.waitPauseMs) +
           "_nodes" + std::to_string(info.param.nodes);
}

// Frames written by all nodes, as the node simulators logged them ("wrote PATH").
int imagesWritten(const ScenarioFarm& f, int nodes, const std::string& path) {
    int n = 0;
    for (int node = 1; node <= nodes; ++node) {
        n += countOf(readText(f.fixture.dir.file("node" + std::to_string(node) + ".out")),
                     "wrote " + path + "\n");
    }
    return n;
}

class NodeSpeed : public testing::TestWithParam<Speed> {};

TEST_P(NodeSpeed, EveryFrameIsRenderedOnceAndNothingIsLeftInHand) {
    const Speed& p = GetParam();
    FarmFixtureOptions options;
    options.nodes = p.nodes;
    ScenarioFarm f(options);
    // Two scenes, so nodes also move from one scene to the other, and one node renders a second
    // frame of its scene.
    int frames = p.nodes + 1;
    f.fixture.addSceneFile("a.lws", sceneText(1, frames, 1, "Renders/a"));
    f.fixture.addSceneFile("b.lws", sceneText(1, 1, 1, "Renders/b"));
    std::string ms = std::to_string(p.workMs);
    for (int n = 1; n <= p.nodes; ++n) {
        f.startNode(n, {"--init-ms", ms, "--load-ms", ms, "--render-ms", ms, "--wait-pause-ms",
                        std::to_string(p.waitPauseMs)});
    }
    ASSERT_EQ(
        f.runHeadless({"--go", "--until-done", "--cycle-ms", std::to_string(p.cycleMs)}, 120000), 0)
        << f.log();

    for (auto [prefix, last] : {std::pair{"a", frames}, std::pair{"b", 1}}) {
        for (int frame = 1; frame <= last; ++frame) {
            char name[32];
            std::snprintf(name, sizeof name, "Renders/%s%04d.TGA", prefix, frame);
            std::string path = f.fixture.contentDir + "/" + name;
            EXPECT_TRUE(fileExists(path)) << path;
            EXPECT_EQ(imagesWritten(f, p.nodes, path), 1) << path;
        }
    }
    QueueFile q = f.queue();
    ASSERT_EQ(q.entries.size(), 2u);
    for (const SceneEntry& e : q.entries) {
        EXPECT_EQ(e.position, 0) << textOf(e.fileName);
        EXPECT_EQ(std::count(std::begin(e.frameMap), std::end(e.frameMap), kFrameInHand), 0);
    }
    std::string log = f.log();
    EXPECT_EQ(countOf(log, "********* Problem Frame***********"), 0) << log;
    for (int n = 1; n <= p.nodes; ++n) {
        std::string detected = "Detected PC_" + std::to_string(n) + " Online!";
        EXPECT_EQ(countOf(log, detected), 1) << detected;
    }
}

// Every pair of values of any two of the four settings comes together in some case (nodes 1, 3,
// 30; work 0, 5, 300 ms; wait pause 2, 1000 ms; cycle 50, 1000 ms), rather than every
// combination: the slow settings only where a pair needs them.
std::vector<Speed> speeds() {
    return {
        {50, 0, 2, 1},      {50, 5, 2, 3},       {50, 300, 2, 30},  {50, 5, 2, 30},
        {50, 0, 1000, 3},   {50, 300, 2, 1},     {1000, 300, 2, 3}, {1000, 0, 2, 30},
        {1000, 5, 1000, 1}, {50, 300, 1000, 30},
    };
}

INSTANTIATE_TEST_SUITE_P(, NodeSpeed, testing::ValuesIn(speeds()), caseName);

}  // namespace
