// Nodes at the ends of the conversation's timing: one loads and renders in no time, and one
// answered once and never again. The instant node renders like any other (its "Loading scene"
// and "Rendering frame" stand until the farm's "wait"), each tick stays short, and the silent
// node holds its frame until the operator's Make Offline frees it.
#include <gtest/gtest.h>

#include "engine/farm_cycle.h"
#include "engine/node_actions.h"
#include "engine/operator_commands.h"
#include "engine/supervisor.h"
#include "fault_support.h"

namespace {

bool holdsFrameInHand(const Farm& farm, int node) {
    const NodeSlot& n = farm.state.nodes[node];
    bool holding = nodeHoldsFrame(n.state);
    int k = findScene(farm.state, n.sceneId);
    return holding && k != 0 && frameCode(farm.state.scenes[k], n.frame) == kFrameInHand;
}

}  // namespace

TEST(OddNodes, AnInstantAndASilentNodeHoldTheirFramesUntilTheyAreMadeOffline) {
    FarmFixtureOptions options;
    options.nodes = 3;
    ScenarioFarm f(options);
    f.fixture.addSceneFile("shot.lws", sceneText(1, 8, 1, "Renders/shot"));
    f.startNode(1, {"--init-ms", "0", "--load-ms", "0", "--render-ms", "0"});
    f.startNode(3);
    LiveFarm live(f);
    Farm& farm = live.farm;
    pressGo(farm);
    ASSERT_TRUE(startFarm(farm));
    writeText(f.fixture.commandDir + "/ack2", "Ready");  // node 2's only answer

    auto othersDone = [&] {
        for (int frame = 1; frame <= 8; ++frame) {
            bool held = frame == farm.state.nodes[2].frame;
            if (!held && !fileExists(renderedImage(f, "shot", frame))) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(live.tickUntil([&] { return holdsFrameInHand(farm, 2) && othersDone(); }, 1600))
        << f.log();
    EXPECT_NE(f.log().find("Node PC_1 completed frame"), std::string::npos) << f.log();
    live.tickUntil([] { return false; }, 20);
    EXPECT_TRUE(holdsFrameInHand(farm, 2));
    EXPECT_FALSE(holdsFrameInHand(farm, 1));
    EXPECT_GT(farm.state.scenes[1].position, 0) << "the scene completed with a frame held";
    EXPECT_LT(live.longestTickMs(), 1000);

    makeNodeOfflineNoTrail(farm, 2);
    ASSERT_TRUE(live.tickUntil([&] { return farm.state.scenes[1].position == 0; }, 1600))
        << f.log();
    EXPECT_TRUE(allRendered(f, "shot", 1, 8));
    EXPECT_LT(live.longestTickMs(), 1000);
    quitFarm(farm);
}
