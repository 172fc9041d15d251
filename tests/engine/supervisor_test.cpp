// The node supervisor driven through real acknowledgement files in the command folder.
#include "engine/supervisor.h"

#include "engine/node_actions.h"
#include "engine_test.h"

namespace {

class Supervisor : public EngineTest {
  protected:
    // Scene 7 (frames 1..5, all missing) queued, and its frame 1 in the frame queue.
    int queueSceneWithOneFrame() {
        int e = queueScene(7, 1, 5);
        std::fill(s.scenes[e].frameMap + 1, s.scenes[e].frameMap + 6, kFrameMissing);
        pushFrame(s, 7, 1);
        return e;
    }
    void give(int n, NodeState state, int32_t sceneId, int frame, std::string_view ack) {
        node(n).state = state;
        node(n).sceneId = sceneId;
        node(n).frame = frame;
        writeAck(n, ack);
    }
};

TEST_F(Supervisor, AnyAcknowledgementFileDetectsAnOfflineNodeEvenOffline) {
    give(1, Offline, 4, 0, "Offline");
    EXPECT_FALSE(pollNodes(farm));  // a detection is no progress
    EXPECT_TRUE(logged("Detected PC_1 Online!"));
    EXPECT_EQ(node(1).state, Ready);
    EXPECT_EQ(node(1).sceneId, -1);
    EXPECT_EQ(job(1), "wait");
    EXPECT_EQ(node(2).state, Offline);  // no file: not seen
}

// A node that quit is not seen alive again by its own "Offline".
TEST_F(Supervisor, ARetiredNodeThatQuitStaysOffline) {
    give(1, Retired, -1, 0, "Ready");
    pollNodes(farm);
    EXPECT_EQ(job(1), "quit");
    EXPECT_EQ(node(1).state, Retired);
    writeAck(1, "Offline");
    pollNodes(farm);
    EXPECT_EQ(node(1).state, Offline);
    EXPECT_EQ(job(1), "init");
    EXPECT_EQ(logCount("Detected PC_1 Online!"), 0);
}

// A node on "wait" writes "Ready" about once a second, also in the moments after the farm
// wrote its next command and before the node read it: that "Ready" never answers a load or a
// render. Only "Loading scene" and "Rendering frame" do, and the "Ready" of the "wait" sent on
// them is the end of the load or the frame.
TEST_F(Supervisor, TheWaitLoopsReadyNeverAnswersALoadOrARender) {
    s.waitingForGo = false;
    int e = queueSceneWithOneFrame();
    std::fill(s.scenes[e].frameMap + 2, s.scenes[e].frameMap + 6, kFramePresent);
    for (int f = 2; f <= 5; ++f) {
        writeImage(e, f);  // present frames are looked at again before the scene completes
    }
    give(1, Ready, -1, 0, "Ready");
    struct Turn {
        const char* ack;
        NodeState state;
        std::string job;
    };
    const std::string load = "load " + fx.queueDir + "/scene7.lws";
    const Turn turns[] = {
        {"Ready", Loading, load},
        {"Ready", Loading, load},
        {"Loading scene x", WLoadFirst, "wait"},
        {"Ready", WtoRender, "render 1 1 1"},
        {"Ready", WtoRender, "render 1 1 1"},
        {"Rendering frame 1", Rendering, "wait"},
        {"Rendering frame 1", Rendering, "wait"},
    };
    for (const Turn& t : turns) {
        writeAck(1, t.ack);
        pollNodes(farm);
        EXPECT_EQ(node(1).state, t.state) << t.ack << " then " << t.job;
        EXPECT_EQ(job(1), t.job) << t.ack;
    }
    writeImage(e, 1);
    writeAck(1, "Ready");
    EXPECT_TRUE(pollNodes(farm));
    EXPECT_EQ(node(1).state, Ready);  // the scene is complete: "Init issued"
    EXPECT_EQ(code(e, 1), kFramePresent);
    EXPECT_EQ(job(1), "init");
    pollNodes(farm);
    EXPECT_EQ(job(1), "init") << "the init stands until the node answers it";
}

// A refill that finds a problem frame blamed on the asking node takes that node out of work;
// the frame goes to the next node instead.
TEST_F(Supervisor, TheNodeBlamedForAProblemFrameGetsNoWork) {
    s.waitingForGo = false;
    int e = queueScene(7, 1, 3);
    std::fill(s.scenes[e].frameMap + 1, s.scenes[e].frameMap + 4, kFrameMissing);
    s.scenes[e].frameMap[3] = kFrameFinished;  // no image: a problem frame
    s.scenes[e].lastNode = 1;
    give(1, Loaded, 7, 3, "Ready");
    give(2, Ready, -1, 0, "Ready");
    stepNode(farm, 1);
    EXPECT_EQ(node(1).state, Offline);
    EXPECT_EQ(job(1), "wait");
    EXPECT_TRUE(logged("********* Problem Frame***********"));
    stepNode(farm, 2);
    EXPECT_EQ(node(2).state, Loading);
    EXPECT_EQ(node(2).frame, 1);
}

TEST_F(Supervisor, InitializingInReadyOnlyGetsWait) {
    s.waitingForGo = false;
    queueSceneWithOneFrame();
    give(1, Ready, -1, 0, "Initializing");
    pollNodes(farm);
    EXPECT_EQ(node(1).state, Ready);
    EXPECT_EQ(job(1), "wait");
    EXPECT_EQ(s.frameQueueCount, 1);
}

TEST_F(Supervisor, BeforeGoReadyNodesWaitAndLoadedNodesAreSentInit) {
    queueSceneWithOneFrame();
    give(1, Ready, -1, 0, "Ready");
    give(2, Loaded, 7, 2, "Ready");
    stepNode(farm, 2);
    EXPECT_EQ(job(2), "init");
    EXPECT_EQ(node(2).state, Ready);
    EXPECT_TRUE(logged("Init issued to PC_2"));
    pollNodes(farm);
    EXPECT_EQ(job(1), "wait");
    EXPECT_EQ(node(1).state, Ready);
    EXPECT_EQ(s.frameQueueCount, 1);
}

TEST_F(Supervisor, AFinishedFrameIsTimedFromTheLastCommandAndMarkedFinished) {
    int e = queueSceneWithOneFrame();
    give(1, Rendering, 7, 3, "Ready");
    node(1).commandTick = 1000;
    give(2, Rendering, 7, 4, "Ready\r\n");
    node(2).commandTick = static_cast<uint32_t>(-1000);  // the tick wrapped since
    fx.clock.tick = 1000 + 3725000;
    EXPECT_TRUE(stepNode(farm, 1));
    EXPECT_TRUE(logged("Node PC_1 completed frame 3 taking 1h2m5s"));
    EXPECT_EQ(code(e, 3), kFrameFinished);
    EXPECT_EQ(s.scenes[e].lastNode, 1);
    EXPECT_EQ(node(1).state, Loaded);
    EXPECT_EQ(job(1), "wait");
    fx.clock.tick = 4000;
    stepNode(farm, 2);
    EXPECT_TRUE(logged("Node PC_2 completed frame 4 taking 0h0m5s"));
}

TEST_F(Supervisor, FrameTimeTextHasNoPadding) {
    struct {
        const char* name;
        uint32_t ms;
        const char* text;
    } cases[] = {
        {"Nothing", 0, "0h0m0s"},
        {"MinutesAndSeconds", 249000, "0h4m9s"},
        {"ZeroMinutesInTheMiddle", 7235000, "2h0m35s"},
        {"MillisecondsDropped", 3725999, "1h2m5s"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(frameTimeText(c.ms), c.text) << c.name;
    }
}

TEST_F(Supervisor, AnAssignmentAloneIsNoProgress) {
    s.waitingForGo = false;
    int e = queueSceneWithOneFrame();
    give(1, Ready, -1, 0, "Ready");
    EXPECT_FALSE(pollNodes(farm));
    EXPECT_EQ(node(1).state, Loading);
    EXPECT_EQ(job(1), "load " + fx.queueDir + "/scene7.lws");
    EXPECT_TRUE(logged("Assigned file scene7.lws to PC_1"));
    EXPECT_EQ(code(e, 1), kFrameInHand);
}

TEST_F(Supervisor, OneReadyCarriesALoadingNodeOnToItsRenderCommand) {
    queueSceneWithOneFrame();
    give(1, WLoadFirst, 7, 2, "Ready");
    EXPECT_TRUE(pollNodes(farm));
    EXPECT_EQ(node(1).state, WtoRender);
    EXPECT_EQ(job(1), "render 2 2 1");
    EXPECT_TRUE(logged("Started rendering frame 2 on PC_1"));
}

// A poll is one look: each new file is read once for all five passes, and a poll that finds
// nothing changed reads nothing; idle nodes before GO are still answered "wait" at every pass.
TEST_F(Supervisor, APollLooksOnceAndReadsOnlyWhatChanged) {
    for (int n = 1; n <= 3; ++n) {
        give(n, Rendering, 7, n, "Rendering frame");
    }
    fx.fs.resetCounters();
    pollNodes(farm);
    EXPECT_EQ(fx.fs.counters.listings, 1u);
    EXPECT_EQ(fx.fs.counters.opens, 3u);
    EXPECT_EQ(fx.fs.counters.total(), 4u);

    for (int n = 1; n <= 3; ++n) {
        give(n, Ready, -1, 0, "Ready");  // before GO: each pass answers "wait"
        makeAckOld(n);
    }
    pollNodes(farm);
    fx.fs.resetCounters();
    pollNodes(farm);
    EXPECT_EQ(fx.fs.counters.opens, 0u);
    EXPECT_EQ(fx.fs.counters.writes, 15u);
    EXPECT_EQ(fx.fs.counters.total(), 16u);
}

TEST_F(Supervisor, MakeOfflineForgetsTheNodeAndRetireKeepsItsScene) {
    int e = queueSceneWithOneFrame();
    give(1, Rendering, 7, 2, "Rendering");
    give(2, Rendering, 7, 3, "Rendering");
    s.scenes[e].frameMap[2] = s.scenes[e].frameMap[3] = kFrameInHand;

    makeNodeOfflineNoTrail(farm, 1);
    EXPECT_EQ(node(1).state, Offline);
    EXPECT_EQ(node(1).sceneId, -1);
    EXPECT_EQ(code(e, 2), kFrameNotScanned);
    EXPECT_FALSE(fileExists(fx.commandDir + "/ack1"));
    EXPECT_EQ(job(1), "wait");
    EXPECT_EQ(s.frameQueueCount, 0);

    pushFrame(s, 7, 4);
    retireNodeNoTrail(farm, 2);
    EXPECT_EQ(node(2).state, Retired);
    EXPECT_EQ(node(2).sceneId, 7);
    EXPECT_EQ(code(e, 3), kFrameNotScanned);
    EXPECT_EQ(job(2), "wait");
    EXPECT_EQ(s.frameQueueCount, 0);
}

}  // namespace
