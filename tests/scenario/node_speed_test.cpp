// Nodes of any speed finish their queues: quick nodes answer before the farm looks, slow ones
// after several polls. Each case runs kestrun-headless against real kestrun-node-sim processes
// and checks that every frame was rendered exactly once and nothing is left in hand.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fixed_text.h"
#include "scenario_support.h"

namespace {

struct Speed {
    int cycleMs;
    int workMs;  // each node's load and render time
    int nodes;
};

std::string caseName(const testing::TestParamInfo<Speed>& info) {
    return "cycle" + std::to_string(info.param.cycleMs) + "_work" +
           std::to_string(info.param.workMs) + "_nodes" + std::to_string(info.param.nodes);
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
    // Two scenes, so nodes also move from one scene to the other.
    int frames = p.nodes + 2;
    f.fixture.addSceneFile("a.lws", sceneText(1, frames, 1, "Renders/a"));
    f.fixture.addSceneFile("b.lws", sceneText(1, 2, 1, "Renders/b"));
    std::string ms = std::to_string(p.workMs);
    for (int n = 1; n <= p.nodes; ++n) {
        f.startNode(n, {"--init-ms", ms, "--load-ms", ms, "--render-ms", ms});
    }
    ASSERT_EQ(
        f.runHeadless({"--go", "--until-done", "--cycle-ms", std::to_string(p.cycleMs)}, 120000), 0)
        << f.log();

    for (auto [prefix, last] : {std::pair{"a", frames}, std::pair{"b", 2}}) {
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
    EXPECT_EQ(countOf(f.log(), "********* Problem Frame***********"), 0) << f.log();
}

std::vector<Speed> speeds() {
    std::vector<Speed> out;
    for (int cycle : {50, 200}) {
        for (int work : {0, 5, 10, 300}) {
            for (int nodes : {1, 3}) {
                out.push_back({cycle, work, nodes});
            }
        }
        for (int work : {0, 300}) {
            out.push_back({cycle, work, 30});
        }
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(, NodeSpeed, testing::ValuesIn(speeds()), caseName);

}  // namespace
