// Whole farms rendering queues on simulated ScreamerNet nodes (real kestrun-node-sim processes).
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "engine/channel.h"
#include "engine/farm_cycle.h"
#include "engine/node_actions.h"
#include "engine/operator_commands.h"
#include "engine/supervisor.h"
#include "platform/fixed_text.h"
#include "scenario_support.h"
#include "sim/node_files.h"

namespace {

FarmFixtureOptions withNodes(int nodes) {
    FarmFixtureOptions o;
    o.nodes = nodes;
    return o;
}

const std::vector<std::string> kRenderToTheEnd{"--go", "--until-done", "--cycle-ms", "50"};

std::string image(const ScenarioFarm& f, const std::string& prefix, int frame) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04d", frame);
    return f.fixture.contentDir + "/Renders/" + prefix + digits + ".TGA";
}

// Three scenes: one whose images all exist already (written in lower case, as a Windows saver
// would), one with step 3, and a longer one.
void queueThreeScenes(ScenarioFarm& f) {
    f.fixture.dir.makeDir("content/Renders");
    for (int frame = 1; frame <= 5; ++frame) {
        char name[32];
        std::snprintf(name, sizeof name, "done%04d.tga", frame);
        sim::writeFrameImage(f.fixture.contentDir + "/Renders/" + name, frame);
    }
    f.fixture.addSceneFile("a_done.lws", sceneText(1, 5, 1, "Renders/done"));
    f.fixture.addSceneFile("b_step.lws", sceneText(101, 110, 3, "Renders\\step", true));
    f.fixture.addSceneFile("c_long.lws", sceneText(1, 8, 1, "Renders/long"));
}

void expectEveryImage(const ScenarioFarm& f) {
    for (int frame : {101, 104, 107, 110}) {
        EXPECT_TRUE(fileExists(image(f, "step", frame))) << "step " << frame;
    }
    for (int frame = 1; frame <= 8; ++frame) {
        EXPECT_TRUE(fileExists(image(f, "long", frame))) << "long " << frame;
    }
}

void expectQueueFinished(const QueueFile& q, size_t scenes) {
    ASSERT_TRUE(q.read);
    EXPECT_EQ(q.runningFlag, 0);
    ASSERT_EQ(q.entries.size(), scenes);
    for (const SceneEntry& e : q.entries) {
        EXPECT_EQ(e.position, 0) << textOf(e.fileName);
        EXPECT_EQ(std::count(std::begin(e.frameMap), std::end(e.frameMap), kFrameInHand), 0)
            << textOf(e.fileName);
    }
}

}  // namespace

TEST(Render, FourNodesRenderThreeScenesToCompletionThroughAProblemFrame) {
    ScenarioFarm f(withNodes(4));
    queueThreeScenes(f);
    f.startNodes(3);
    // The four frames of the step scene are the first four handed out, one to each node, so
    // node 4 renders exactly one of them first and answers "Ready" without writing its image;
    // it renders that frame again fine, and no other scene has frames of those numbers.
    f.startNode(4, {"--fail-frames", "101,104,107,110"});

    ASSERT_EQ(f.runHeadless(kRenderToTheEnd, 90000), 0) << f.output();
    expectEveryImage(f);
    std::string log = f.log();
    EXPECT_EQ(countOf(log, "********* Scene Completed !***********"), 3) << log;
    EXPECT_EQ(countOf(log, "********* Problem Frame***********"), 1) << log;
    EXPECT_NE(log.find("Assigned file b_step.lws to PC_1"), std::string::npos);
    EXPECT_EQ(readText(f.fixture.contentDir + "/Renders/done0001.tga"), "old image");
    expectQueueFinished(f.queue(), 3);
}

TEST(Render, AFarmKilledMidRunFinishesEveryFrameAfterARestart) {
    ScenarioFarm f(withNodes(4));
    queueThreeScenes(f);
    f.startNodes(4);
    auto first = f.startHeadless({"--go", "--cycle-ms", "50"});
    ASSERT_TRUE(waitFor([&] { return fileExists(image(f, "long", 1)); }, 60000)) << f.output();
    first->kill(SIGKILL);
    first->wait(5000);

    ASSERT_EQ(f.runHeadless({"--yes", "--go", "--until-done", "--cycle-ms", "50"}, 90000), 0)
        << f.output();
    expectEveryImage(f);
    expectQueueFinished(f.queue(), 3);
}

TEST(Render, NothingIsHandedOutBeforeGo) {
    ScenarioFarm f(withNodes(2));
    f.fixture.addSceneFile("shot.lws", sceneText(1, 3, 1, "Renders/shot"));
    f.startNodes(2);
    ASSERT_EQ(f.runHeadless({"--max-ticks", "14", "--cycle-ms", "50"}, 30000), 0);
    std::string log = f.log();
    EXPECT_EQ(countOf(log, "Detected PC_1 Online!"), 1) << log;
    EXPECT_EQ(countOf(log, "Assigned file"), 0) << log;
    EXPECT_FALSE(fileExists(image(f, "shot", 1)));
}

// In-process farm, so the test can act as the operator: a node that dies holding a frame keeps
// that frame in hand and its scene unfinished until the node is made offline.
TEST(Render, ADeadNodesFrameStaysInHandUntilTheNodeIsMadeOffline) {
    ScenarioFarm f(withNodes(2));
    f.fixture.addSceneFile("shot.lws", sceneText(1, 4, 1, "Renders/shot"));
    f.startNode(1);
    f.startNode(2, {"--die-after-frames", "1"});
    Clock realClock;
    Farm live(f.fixture.host, f.fixture.fs, realClock, f.fixture.settingsFile);
    pressGo(live);
    ASSERT_TRUE(startFarm(live));
    auto tickUntil = [&](const std::function<bool()>& done, int ticks) {
        for (int i = 0; i < ticks && !done(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            farmTick(live);
        }
        return done();
    };
    auto held = [&] {
        const NodeSlot& n = live.state.nodes[2];
        return n.state == WtoRender && frameCode(live.state.scenes[1], n.frame) == kFrameInHand;
    };
    auto othersDone = [&] {
        for (int frame = 1; frame <= 4; ++frame) {
            if (frame != live.state.nodes[2].frame && !fileExists(image(f, "shot", frame))) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(tickUntil([&] { return held() && othersDone(); }, 1200));
    tickUntil([] { return false; }, 40);  // long enough for the scene to have completed
    EXPECT_TRUE(held());
    EXPECT_GT(live.state.scenes[1].position, 0);

    makeNodeOffline(live, 2);
    ASSERT_TRUE(tickUntil([&] { return live.state.scenes[1].position == 0; }, 1200));
    for (int frame = 1; frame <= 4; ++frame) {
        EXPECT_TRUE(fileExists(image(f, "shot", frame))) << frame;
    }
    quitFarm(live);
}
