// The farm side of the operator's commands, on scenes with real image and scene files.
#include "engine/operator_commands.h"

#include "engine/channel.h"
#include "engine/node_actions.h"

#include "engine_test.h"
#include "queue/queue_dir.h"

namespace {

using OperatorCommands = EngineTest;

TEST_F(OperatorCommands, RescanBringsScenesBackAndKeepsRenderingFramesInHand) {
    int done = queueScene(5, 1, 2);
    writeImage(done, 1);
    writeImage(done, 2);
    int stale = queueScene(6, 1, 1);  // marked complete, but its image is gone
    copyText(s.scenes[stale].outputPath, fx.dir.makeDir("stale") + "/s0000.TGA");
    int live = queueScene(7, 3, 6);
    copyText(s.scenes[live].outputPath, fx.dir.makeDir("live") + "/l0000.TGA");
    writeImage(live, 3);
    writeImage(live, 4);  // rendering: its image may already be partly written
    s.scenes[done].position = s.scenes[stale].position = 0;
    s.scenes[live].position = 1;
    node(1).state = Rendering;
    node(1).sceneId = 7;
    node(1).frame = 4;
    node(2).state = Loading;  // keeps whatever the scan found
    node(2).sceneId = 7;
    node(2).frame = 5;

    rescanQueue(farm);
    const SceneEntry& d = s.scenes[findScene(s, 5)];
    const SceneEntry& st = s.scenes[findScene(s, 6)];
    const SceneEntry& l = s.scenes[findScene(s, 7)];
    EXPECT_EQ(d.position, 0);
    EXPECT_TRUE(logged("********* Scene Completed !***********"));
    EXPECT_EQ(st.position, 1);
    EXPECT_EQ(l.position, 2);
    EXPECT_EQ(std::string(l.frameMap + 3, 4), "PQMM");
    ASSERT_EQ(s.frameQueueCount, 3);  // stale's frame 1, then live's 5 and 6, oldest on top
    EXPECT_EQ(s.frameQueue[3].sceneId, 6);
    EXPECT_EQ(s.frameQueue[1].frame, 6);
    EXPECT_TRUE(fileExists(s.queueFilePath));
}

TEST_F(OperatorCommands, MarkAsDoneTakesTheSceneOutAndGivesItsNewEntry) {
    for (int32_t id : {4, 5, 6}) {
        queueScene(id, 1, 3);
    }
    pushFrame(s, 5, 1);
    s.tickCount = 1;  // not a fourth tick: no queue check, which would find no scene files
    int k = markAsDone(farm, 2);
    EXPECT_EQ(k, 1);
    EXPECT_EQ(s.scenes[k].sceneId, 5);
    EXPECT_EQ(s.scenes[k].position, 0);
    EXPECT_EQ(s.scenes[2].position, 1);
    EXPECT_EQ(s.scenes[3].position, 2);
    EXPECT_EQ(s.frameQueueCount, 0);
    EXPECT_EQ(s.tickCount, 2);  // one tick ran at once
    EXPECT_EQ(markAsDone(farm, 4), 0);
}

TEST_F(OperatorCommands, TidyAwayAllMovesOnlyScenesOutOfTheRunning) {
    std::string images = fx.dir.makeDir("images");
    for (const char* name : {"a.lws", "b.lws"}) {
        fx.addSceneFile(name, sceneText(1, 3, 1, images + "/shot"));
    }
    checkSceneQueue(farm);
    ASSERT_EQ(s.sceneCount, 2);
    s.scenes[1].position = 0;
    tidyAwayAll(farm);
    ASSERT_EQ(s.sceneCount, 1);
    EXPECT_EQ(textOf(s.scenes[1].fileName), "b.lws");
    EXPECT_TRUE(fileExists(fx.queueDir + "/HasBeenRendered/a.lws"));

    removeAllAndRestart(farm);
    EXPECT_EQ(s.sceneCount, 0);
    EXPECT_TRUE(fileExists(fx.queueDir + "/HasBeenRendered/b.lws"));
}

}  // namespace

namespace {

// The lines of the log that the operator's commands wrote, without their time stamps.
std::vector<std::string> trail(const std::string& log) {
    std::vector<std::string> lines;
    for (size_t at = log.find(" - Operator: "); at != std::string::npos;
         at = log.find(" - Operator: ", at + 1)) {
        size_t start = at + 3;
        lines.push_back(log.substr(start, log.find("\r\n", start) - start));
    }
    return lines;
}

TEST_F(OperatorCommands, EveryCommandThatActsLeavesOneTrailLine) {
    queueScene(4, 1, 3);
    queueScene(5, 1, 3);
    s.tickCount = 1;
    pressGo(farm);
    retireNodeByOperator(farm, 2);
    takeNodeOffline(farm, 1);
    retireNodeByOperator(farm, 0);  // no such node: no trail, nothing done
    takeNodeOffline(farm, nodeCount(farm) + 1);
    EXPECT_EQ(moveSceneUp(farm, 2), 1);
    EXPECT_EQ(moveSceneDown(farm, 1), 2);
    EXPECT_EQ(boostToTop(farm, 2), 1);
    EXPECT_EQ(moveSceneUp(farm, 1), 1);    // the top scene: nothing changes, no trail
    EXPECT_EQ(moveSceneDown(farm, 2), 2);  // the last scene: nothing changes, no trail
    EXPECT_EQ(moveSceneUp(farm, 9), 0);
    markAsDone(farm, 2);
    EXPECT_EQ(moveSceneDown(farm, 1), 1);  // out of the running: stays, no trail
    considerAllOffline(farm);
    EXPECT_EQ(trail(log()),
              (std::vector<std::string>{
                  "Operator: GO ! ", "Operator: Retire N2", "Operator: Make Offline N1",
                  "Operator: Move Up scene5.lws", "Operator: Move Down scene5.lws",
                  "Operator: Boost to Top scene5.lws", "Operator: Mark As Done scene4.lws",
                  "Operator: Consider all nodes Offline "}));
    EXPECT_FALSE(s.waitingForGo);
    EXPECT_EQ(s.scenes[1].sceneId, 4);
}

TEST_F(OperatorCommands, SceneCompletedNamesItsSceneFile) {
    int k = queueScene(8, 1, 2);
    writeImage(k, 1);
    writeImage(k, 2);
    scanScenes(farm, 100);
    EXPECT_TRUE(logged("********* Scene Completed !*********** scene8.lws\r\n")) << log();
}

}  // namespace
