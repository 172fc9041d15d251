// Frame statistics on a set clock: frames completed through real acknowledgement files give
// the averages and ETAs, the times survive a restart through Kestrun.stats, and a node that
// stops answering is reported once per stall.
#include "engine/farm_stats.h"

#include <sys/stat.h>

#include "engine/farm_cycle.h"
#include "engine/supervisor.h"
#include "engine_test.h"
#include "queue/queue_file.h"

namespace {

constexpr uint32_t kMinute = 60000;

class FarmStatsTest : public EngineTest {
  protected:
    // Scene 7, frames 1..frames, all missing.
    int queueMissingScene(int frames) {
        int e = queueScene(7, 1, frames);
        std::fill(s.scenes[e].frameMap + 1, s.scenes[e].frameMap + frames + 1, kFrameMissing);
        return e;
    }
    // Node n renders frame f of scene 7 in ms: its render is acknowledged, the clock moves on,
    // and its "Ready" completes the frame, as the supervisor sees it.
    void renderFrame(int n, int f, uint32_t ms) {
        node(n).state = WtoRender;
        node(n).sceneId = 7;
        node(n).frame = f;
        writeAck(n, "Rendering frame");
        ASSERT_FALSE(stepNode(farm, n));
        ASSERT_EQ(node(n).state, Rendering);
        fx.clock.tick += ms;
        writeAck(n, "Ready");
        ASSERT_TRUE(stepNode(farm, n));
        ASSERT_EQ(node(n).state, Loaded);
    }
    // Puts node n at work on frame f of scene 7: the render command written, no answer yet.
    void startWork(int n, int f) {
        node(n).state = WtoRender;
        node(n).sceneId = 7;
        node(n).frame = f;
        node(n).commandTick = fx.clock.tick;
    }
};

TEST_F(FarmStatsTest, SteadyFrameTimesGiveAnEtaWithinAFewPercent) {
    int e = queueMissingScene(40);
    // Two nodes render ten frames, alternately a little faster and slower than 10 s.
    for (int f = 1; f <= 10; ++f) {
        renderFrame(f % 2 + 1, f, f % 4 < 2 ? 9600 : 10400);
    }
    SceneFigures scene = sceneFigures(farm, e);
    EXPECT_EQ(scene.framesDone, 10);
    EXPECT_EQ(scene.framesToDo, 30);
    EXPECT_EQ(scene.nodesOn, 2);
    EXPECT_NEAR(scene.averageMs, 10000, 300);
    // 30 frames on two nodes at 10 s each: 150 s.
    EXPECT_NEAR(static_cast<double>(scene.etaMs), 150000.0, 150000.0 * 0.03);

    FarmFigures all = farmFigures(farm);
    EXPECT_EQ(all.framesDone, 10);
    EXPECT_EQ(all.framesToDo, 30);
    EXPECT_NEAR(static_cast<double>(all.etaMs), 150000.0, 150000.0 * 0.03);

    NodeFigures first = nodeFigures(farm, 1);
    EXPECT_EQ(first.framesThisRun, 5);
    EXPECT_EQ(first.lastMs, 10400u);  // frame 10
    EXPECT_EQ(nodeFigures(farm, 3).framesThisRun, 0);
}

TEST_F(FarmStatsTest, EtaIsUnknownWithoutATimedFrameOrAWorkingNodeAndZeroWhenDone) {
    int e = queueMissingScene(4);
    node(1).state = Ready;
    EXPECT_EQ(farmFigures(farm).etaMs, kUnknownMs);  // no frame timed yet
    renderFrame(1, 1, 5000);
    node(1).state = Offline;
    EXPECT_EQ(sceneFigures(farm, e).etaMs, kUnknownMs);
    EXPECT_EQ(farmFigures(farm).etaMs, kUnknownMs);  // nobody left to render
    node(2).state = Ready;
    EXPECT_EQ(farmFigures(farm).etaMs, 15000);
    EXPECT_EQ(durationText(farmFigures(farm).etaMs), "0h0m15s");
    std::fill(s.scenes[e].frameMap + 1, s.scenes[e].frameMap + 5, kFramePresent);
    EXPECT_EQ(sceneFigures(farm, e).etaMs, 0);
    EXPECT_EQ(farmFigures(farm).etaMs, 0);
    EXPECT_EQ(farmSummaryText(farm), "Frames 4/4 done, 0 nodes rendering, ETA 0h0m0s");
}

TEST_F(FarmStatsTest, ASceneWithoutItsOwnTimesIsEstimatedFromTheFarmsAverage) {
    queueMissingScene(4);
    renderFrame(1, 1, 20000);
    int other = queueScene(8, 1, 6);
    std::fill(s.scenes[other].frameMap + 1, s.scenes[other].frameMap + 7, kFrameMissing);
    startWork(2, 1);
    node(2).sceneId = 8;
    SceneFigures f = sceneFigures(farm, other);
    EXPECT_EQ(f.averageMs, 0u);
    EXPECT_EQ(f.etaMs, 6 * 20000);
}

TEST_F(FarmStatsTest, ARestartKeepsTheAveragesButNotThisRunsCounts) {
    fx.addSceneFile("scene7.lws", sceneText(1, 40, 1, "Renders/shot"));
    ASSERT_TRUE(startFarm(farm));
    ASSERT_EQ(s.sceneCount, 1);
    int32_t id = s.scenes[1].sceneId;
    for (int f = 1; f <= 6; ++f) {
        node(1).state = WtoRender;
        node(1).sceneId = id;
        node(1).frame = f;
        writeAck(1, "Rendering");
        stepNode(farm, 1);
        fx.clock.tick += 12000 + 1000 * (f % 2);
        writeAck(1, "Ready");
        stepNode(farm, 1);
    }
    uint32_t sceneAverage = sceneFigures(farm, 1).averageMs;
    ASSERT_NEAR(sceneAverage, 12500, 1);
    quitFarm(farm);
    ASSERT_TRUE(fileExists(fx.queueDir + "/Kestrun.stats"));

    RecordingHost host;
    Farm again(host, fx.fs, fx.clock, fx.settingsFile);
    ASSERT_TRUE(startFarm(again));
    ASSERT_EQ(again.state.sceneCount, 1);
    EXPECT_EQ(sceneFigures(again, 1).averageMs, sceneAverage);
    EXPECT_EQ(farmFigures(again).averageMs, sceneAverage);
    NodeFigures n1 = nodeFigures(again, 1);
    EXPECT_EQ(n1.averageMs, sceneAverage);
    EXPECT_EQ(n1.lastMs, 12000u);
    EXPECT_EQ(n1.framesThisRun, 0);
    again.state.nodes[1].state = Ready;
    // Six of forty frames were reported finished, and Quit handed none of them back: 34 left at
    // 12.5 s on one node.
    EXPECT_EQ(farmFigures(again).etaMs, 34 * 12500);
}

TEST_F(FarmStatsTest, TimesOfAnIdReusedByAnotherSceneDoNotCarryOver) {
    queueMissingScene(4);
    renderFrame(1, 1, 30000);
    ASSERT_TRUE(saveFarmStats(farm));
    copyText(s.scenes[1].fileName, "another.lws");
    EXPECT_EQ(sceneFigures(farm, 1).averageMs, 0u);
    loadFarmStats(farm);
    EXPECT_EQ(sceneFigures(farm, 1).averageMs, 0u);
    EXPECT_EQ(farmFigures(farm).averageMs, 30000u);  // the farm's own times stay
}

TEST_F(FarmStatsTest, ADamagedStatsFileGivesWhatCanBeReadAndNothingMore) {
    queueMissingScene(4);
    const std::string path = fx.queueDir + "/Kestrun.stats";
    writeText(path,
              "Kestrun.stats 1\r\n"
              "farm 4 40000\r\n"
              "scene 7 2 30000 scene7.lws\r\n"
              "scene 7 x 1 scene7.lws\r\n"
              "node 31 5 5000 1000\r\n"
              "node 0 5 5000 1000\r\n"
              "node 2 -1 5000 1000\r\n"
              "node 3 1 99999999999999999999999 1\r\n"
              "node 1 2 8000 3000 trailing\r\n"
              "something else\r\n");
    loadFarmStats(farm);
    EXPECT_EQ(farmFigures(farm).averageMs, 10000u);
    EXPECT_EQ(sceneFigures(farm, 1).averageMs, 15000u);
    for (int n = 1; n <= kMaxNodes; ++n) {
        EXPECT_EQ(nodeFigures(farm, n).averageMs, 0u) << n;
    }
    writeText(path, "not a stats file\r\nfarm 4 40000\r\n");
    loadFarmStats(farm);
    EXPECT_EQ(farmFigures(farm).averageMs, 0u);
}

TEST_F(FarmStatsTest, ANodeSilentPastStuckMinutesIsReportedOnceAndClearedWhenItMovesOn) {
    farm.opened = true;
    farm.settings.Stuck_Minutes = 2;
    farm.settings.Stuck_Hand_Back = 0;  // the report alone
    queueMissingScene(4);
    startWork(2, 3);
    fx.clock.tick += 2 * kMinute;
    watchFarmStats(farm);
    EXPECT_FALSE(nodeStuck(farm, 2));  // not longer than the two minutes yet
    fx.clock.tick += 1500;
    watchFarmStats(farm);
    watchFarmStats(farm);
    EXPECT_TRUE(nodeStuck(farm, 2));
    EXPECT_TRUE(nodeFigures(farm, 2).stuck);
    EXPECT_EQ(logCount("Node PC_2 has shown no progress for 0h2m1s"), 1) << log();
    EXPECT_EQ(farmFigures(farm).nodesStuck, 1);
    EXPECT_EQ(sceneFigures(farm, 1).nodesOn, 0);  // a stuck node counts for no ETA
    fx.clock.tick += 10 * kMinute;
    watchFarmStats(farm);
    EXPECT_EQ(logCount("has shown no progress"), 1);

    writeAck(2, "Rendering");  // it answers at last
    stepNode(farm, 2);
    watchFarmStats(farm);
    EXPECT_FALSE(nodeStuck(farm, 2));
    fx.clock.tick += 2 * kMinute + 1;
    watchFarmStats(farm);
    EXPECT_EQ(logCount("has shown no progress"), 2);  // a new stall, a new report
}

TEST_F(FarmStatsTest, ASlowScenesNodeIsStuckOnlyAfterTenOfItsFrameTimes) {
    farm.settings.Stuck_Minutes = 1;
    farm.settings.Stuck_Hand_Back = 0;
    queueMissingScene(10);
    renderFrame(1, 1, 3 * kMinute);
    startWork(1, 2);
    fx.clock.tick += 29 * kMinute;
    watchFarmStats(farm);
    EXPECT_FALSE(nodeStuck(farm, 1));
    fx.clock.tick += kMinute + 1;
    watchFarmStats(farm);
    EXPECT_TRUE(nodeStuck(farm, 1));
}

TEST_F(FarmStatsTest, StuckMinutesZeroReportsNothingAndIdleNodesAreNeverStuck) {
    queueMissingScene(4);
    farm.settings.Stuck_Minutes = 0;
    farm.settings.Stuck_Hand_Back = 0;
    startWork(1, 1);
    node(2).state = Ready;
    node(2).commandTick = fx.clock.tick;
    fx.clock.tick += 100 * kMinute;
    watchFarmStats(farm);
    EXPECT_FALSE(nodeStuck(farm, 1));
    farm.settings.Stuck_Minutes = 1;
    watchFarmStats(farm);
    EXPECT_TRUE(nodeStuck(farm, 1));
    EXPECT_FALSE(nodeStuck(farm, 2));
    EXPECT_EQ(nodeFigures(farm, 2).stalledMs, kUnknownMs);
}

// A node silent past the limit gives its frame back: another node renders it, the silent one is
// made offline and takes work again once it answers.
TEST_F(FarmStatsTest, AStuckNodesFrameIsHandedBackAndTheNodeRejoinsWhenItAnswers) {
    farm.settings.Stuck_Minutes = 1;
    farm.settings.Stuck_Hand_Back = 1;
    s.waitingForGo = false;
    int e = queueScene(7, 1, 2);
    writeImage(e, 1);
    s.scenes[e].frameMap[1] = kFramePresent;
    s.scenes[e].frameMap[2] = kFrameInHand;
    startWork(1, 2);
    fx.clock.tick += kMinute + 1;
    watchFarmStats(farm);
    EXPECT_EQ(node(1).state, Offline);
    EXPECT_EQ(code(e, 2), kFrameNotScanned);
    EXPECT_EQ(job(1), "wait");
    EXPECT_EQ(logCount("Node PC_1 has shown no progress for 0h1m0s frame 2 of scene7.lws handed "
                       "back, node made offline"),
              1)
        << log();

    node(2).state = Ready;
    writeAck(2, "Ready");
    stepNode(farm, 2);
    EXPECT_EQ(std::pair(node(2).sceneId, node(2).frame), std::pair(7, 2));
    watchFarmStats(farm);
    EXPECT_EQ(logCount("has shown no progress"), 1);

    writeAck(1, "Ready");  // the silent node answers its "wait" at last
    stepNode(farm, 1);
    EXPECT_EQ(node(1).state, Ready);
    EXPECT_EQ(logCount("Detected PC_1 Online!"), 1);
}

TEST_F(FarmStatsTest, TimesAreSavedWhileTheFarmRunsNotOnEveryTick) {
    farm.opened = true;
    queueMissingScene(4);
    const std::string path = fx.queueDir + "/Kestrun.stats";
    fx.clock.tick = 100000;
    renderFrame(1, 1, 1000);
    watchFarmStats(farm);
    ASSERT_TRUE(fileExists(path));
    EXPECT_NE(readText(path).find("node 1 1 1000 1000\r\n"), std::string::npos) << readText(path);
    renderFrame(1, 2, 1000);
    watchFarmStats(farm);
    EXPECT_EQ(readText(path).find("node 1 2"), std::string::npos);  // within five seconds
    fx.clock.tick += 5000;
    watchFarmStats(farm);
    EXPECT_NE(readText(path).find("scene 7 2 2000 scene7.lws\r\n"), std::string::npos);
    EXPECT_FALSE(fileExists(path + ".tmp"));
}

TEST_F(FarmStatsTest, MinutesPassOnTheFarmsClock) {
    EXPECT_FALSE(minutePassed(farm));  // starts the first minute
    fx.clock.tick += kMinute - 1;
    EXPECT_FALSE(minutePassed(farm));
    fx.clock.tick += 1;
    EXPECT_TRUE(minutePassed(farm));
    EXPECT_FALSE(minutePassed(farm));
}

}  // namespace
