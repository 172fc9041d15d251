// Whole farms rendering queues on simulated ScreamerNet nodes (real kestrun-node-sim processes).
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/channel.h"
#include "engine/farm_cycle.h"
#include "engine/node_actions.h"
#include "engine/operator_commands.h"
#include "engine/supervisor.h"
#include "platform/fixed_text.h"
#include "scenario_support.h"
#include "sim/frame_image.h"
#include "sim/node_files.h"

namespace {

FarmFixtureOptions withNodes(int nodes) {
    FarmFixtureOptions o;
    o.nodes = nodes;
    return o;
}

const std::vector<std::string> kRenderToTheEnd{"--go", "--until-done", "--cycle-ms", "50"};

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
        EXPECT_TRUE(fileExists(renderedImage(f, "step", frame))) << "step " << frame;
    }
    for (int frame = 1; frame <= 8; ++frame) {
        EXPECT_TRUE(fileExists(renderedImage(f, "long", frame))) << "long " << frame;
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
        // Quit took the nodes out of work after their last frames: a completed scene keeps
        // every frame present, none back to "not scanned".
        FrameCounts c = countFrames(e);
        EXPECT_EQ(c.toDo, 0) << textOf(e.fileName) << " " << c.done << " done";
    }
}

// Moves out of Loading, WLoadFirst, LoadFirst and Rendering, and a Loaded node given its next
// frame, are the moves a poll reports as progress.
bool progressed(int32_t before, int32_t after) {
    if (before == after || after == Offline || after == Retired) {
        return false;
    }
    if (before == Loaded) {
        return after == WtoRender || after == Loading;
    }
    return before == Loading || before == WLoadFirst || before == LoadFirst || before == Rendering;
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
    // The images there before were whole: none was rendered over.
    EXPECT_EQ(readText(f.fixture.contentDir + "/Renders/done0001.tga"),
              sim::frameImageBytes(".TGA", 1));
    expectQueueFinished(f.queue(), 3);
}

TEST(Render, AFarmKilledMidRunFinishesEveryFrameAfterARestart) {
    ScenarioFarm f(withNodes(4));
    queueThreeScenes(f);
    f.startNodes(4);
    auto first = f.startHeadless({"--go", "--cycle-ms", "50"});
    ASSERT_TRUE(waitFor([&] { return fileExists(renderedImage(f, "long", 1)); }, 60000))
        << f.output();
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
    EXPECT_FALSE(fileExists(renderedImage(f, "shot", 1)));
}

// The node made offline for a problem frame found while it asked for work gets none: with one
// node, its last frame comes back without an image, so the refill that node's own request runs
// blames it. It is seen again only through its next answer, and renders the frame again.
TEST(Render, TheNodeBlamedWhileAskingForWorkGetsNoneUntilSeenAgain) {
    ScenarioFarm f(withNodes(1));
    f.fixture.addSceneFile("shot.lws", sceneText(1, 4, 1, "Renders/shot"));
    f.startNode(1, {"--fail-frames", "4", "--wait-pause-ms", "2"});
    ASSERT_EQ(f.runHeadless(kRenderToTheEnd, 60000), 0) << f.output();
    std::vector<std::string> lines = linesOf(f.log());
    auto problem = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("********* Problem Frame***********") != std::string::npos;
    });
    ASSERT_NE(problem, lines.end()) << f.log();
    EXPECT_NE(problem->find("frame 4 of shot.lws by PC_1"), std::string::npos) << *problem;
    auto takenOut = std::find_if(problem, lines.end(), [](const std::string& line) {
        return line.find("Node PC_1 taken out of work for a problem frame") != std::string::npos;
    });
    ASSERT_NE(takenOut, lines.end()) << f.log();
    auto next = std::find_if(takenOut + 1, lines.end(), [](const std::string& line) {
        return line.find("PC_1") != std::string::npos;
    });
    ASSERT_NE(next, lines.end());
    EXPECT_NE(next->find("Detected PC_1 Online!"), std::string::npos) << *next;
    EXPECT_EQ(countOf(f.log(), "********* Problem Frame***********"), 1) << f.log();
    for (int frame = 1; frame <= 4; ++frame) {
        EXPECT_TRUE(fileExists(renderedImage(f, "shot", frame))) << frame;
    }
}

// Nodes whose "wait" loop writes "Ready" every 2 ms, the third hanging in its first frame so
// that the scene stays live while the other two are idle. All along, a tick in which a node
// moved on asks for a poll at the next one. The scene with a reversed range fails without a
// node loading it; idle nodes asking for frames at every pass leave the queue file alone; a
// retired node that quit is not detected again by its own "Offline".
TEST(Render, NodesOnAQuickWaitLoopKeepTheFarmsMends) {
    ScenarioFarm f(withNodes(3));
    f.fixture.addSceneFile("a_rev.lws", sceneText(9, 3, 1, "Renders/rev"));
    f.fixture.addSceneFile("b_shot.lws", sceneText(1, 6, 1, "Renders/shot"));
    f.startNode(1, {"--wait-pause-ms", "2"});
    f.startNode(2, {"--wait-pause-ms", "2"});
    f.startNode(3, {"--wait-pause-ms", "2", "--hang-after-frames", "0"});
    Clock realClock;
    Farm live(f.fixture.host, f.fixture.fs, realClock, f.fixture.settingsFile);
    pressGo(live);
    ASSERT_TRUE(startFarm(live));
    FarmState& s = live.state;
    int forgotten = 0;
    auto tickUntil = [&](const std::function<bool()>& done, int ticks) {
        for (int i = 0; i < ticks && !done(); ++i) {
            int32_t before[4] = {0, s.nodes[1].state, s.nodes[2].state, s.nodes[3].state};
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            farmTick(live);
            for (int n = 1; n <= 3; ++n) {
                forgotten += progressed(before[n], s.nodes[n].state) && s.pollAgain == 0 ? 1 : 0;
            }
        }
        return done();
    };
    auto othersDoneAndIdle = [&] {
        const NodeSlot& hung = s.nodes[3];
        int k = findScene(s, hung.sceneId);
        if (hung.state != Rendering || k == 0 ||
            frameCode(s.scenes[k], hung.frame) != kFrameInHand || s.nodes[1].state != Ready ||
            s.nodes[2].state != Ready) {
            return false;
        }
        for (int frame = 1; frame <= 6; ++frame) {
            if (frame != hung.frame && !fileExists(renderedImage(f, "shot", frame))) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(tickUntil(othersDoneAndIdle, 1200)) << f.log();

    const SceneEntry& reversed = s.scenes[1];
    EXPECT_EQ(textOf(reversed.fileName), "a_rev.lws");
    EXPECT_EQ(reversed.position, 0);
    EXPECT_EQ(textOf(reversed.outputPath), kReversedRangeText);
    EXPECT_EQ(countOf(f.log(), "Assigned file a_rev.lws"), 0);

    auto queueFileTime = std::filesystem::last_write_time(s.queueFilePath);
    tickUntil([] { return false; }, 40);
    EXPECT_EQ(std::filesystem::last_write_time(s.queueFilePath), queueFileTime);
    EXPECT_EQ(s.nodes[1].state, Ready);

    retireNodeNoTrail(live, 1);
    ASSERT_TRUE(tickUntil([&] { return s.nodes[1].state == Offline; }, 400)) << f.log();
    tickUntil([] { return false; }, 40);
    EXPECT_EQ(s.nodes[1].state, Offline);
    EXPECT_EQ(countOf(f.log(), "Detected PC_1 Online!"), 1) << f.log();
    EXPECT_EQ(forgotten, 0);
    quitFarm(live);
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
        return n.state == Rendering && frameCode(live.state.scenes[1], n.frame) == kFrameInHand;
    };
    auto othersDone = [&] {
        for (int frame = 1; frame <= 4; ++frame) {
            if (frame != live.state.nodes[2].frame &&
                !fileExists(renderedImage(f, "shot", frame))) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(tickUntil([&] { return held() && othersDone(); }, 1200));
    tickUntil([] { return false; }, 40);  // long enough for the scene to have completed
    EXPECT_TRUE(held());
    EXPECT_GT(live.state.scenes[1].position, 0);

    makeNodeOfflineNoTrail(live, 2);
    ASSERT_TRUE(tickUntil([&] { return live.state.scenes[1].position == 0; }, 1200));
    for (int frame = 1; frame <= 4; ++frame) {
        EXPECT_TRUE(fileExists(renderedImage(f, "shot", frame))) << frame;
    }
    quitFarm(live);
}
