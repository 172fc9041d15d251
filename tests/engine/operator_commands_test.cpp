// The farm side of the operator's commands, on scenes with real image and scene files.
#include "engine/operator_commands.h"

#include <climits>
#include <cstring>
#include <set>

#include "engine/channel.h"
#include "engine/node_actions.h"
#include "engine/render_again_frames.h"

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
        fx.addSceneFile(name, sceneText(1, 3, 1, images + "/" + name));
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

// Each row of the table runs its own command: one trail line, of its own text, naming the
// node, the scene or the file it acted on.
TEST_F(OperatorCommands, EveryRowOfTheTableLeavesItsOwnTrailLine) {
    std::string added = fx.dir.file("added.lws");
    writeText(added, "LWSC\n");
    for (const OperatorCommand& c : operatorCommands()) {
        SCOPED_TRACE(c.name);
        s.sceneCount = 0;
        queueScene(4, 1, 3);
        queueScene(5, 1, 3);
        s.tickCount = 1;
        node(1).state = Ready;
        CommandArgs args;
        args.target = c.id == CommandId::Boost || c.id == CommandId::MoveUp ? 2 : 1;
        args.file = added;
        size_t before = trail(log()).size();
        EXPECT_EQ(c.run(farm, args).refusal, "");
        std::vector<std::string> lines = trail(log());
        ASSERT_EQ(lines.size(), before + 1);
        std::string subject = c.takes == CommandTakes::Node        ? "N1"
                              : c.takes == CommandTakes::SceneFile ? "added.lws"
                              : c.takes == CommandTakes::Scene     ? "scene"
                                                                   : "";
        EXPECT_TRUE(lines.back().starts_with("Operator: " + std::string(c.trail) + " " + subject))
            << lines.back();
        EXPECT_EQ(&operatorCommand(c.id), &c);
        EXPECT_EQ(findOperatorCommand(c.name), &c);
    }
}

// Render Again over images that exist: the scan must not take them as done until a node has
// rendered them, a frame in hand stays with its node, a completed scene comes back, and the
// frames still to do outlive a restart of the farm (their list is kept beside the queue file).
TEST_F(OperatorCommands, RenderAgainRendersOverImagesAndOutlivesARestart) {
    int k = queueScene(5, 1, 6);
    for (int f = 1; f <= 6; ++f) {
        writeImage(k, f);
    }
    scanScenes(farm, 100);
    ASSERT_EQ(s.scenes[k].position, 0);  // complete
    setFrameCode(s.scenes[k], 3, kFrameInHand);
    node(1).state = Rendering;
    node(1).sceneId = 5;
    node(1).frame = 3;

    EXPECT_EQ(renderAgainByOperator(farm, k, 2, 5), "");
    EXPECT_TRUE(logged("Operator: Render Again scene5.lws frames 2-5\r\n")) << log();
    EXPECT_EQ(s.scenes[k].position, 1);
    EXPECT_EQ(std::string(s.scenes[k].frameMap + 1, 6), "PMQMMP");
    ASSERT_EQ(s.frameQueueCount, 3);
    EXPECT_EQ(s.frameQueue[3].frame, 2);

    scanScenes(farm, 100);  // the old images do not count
    EXPECT_EQ(std::string(s.scenes[k].frameMap + 1, 6), "PMQMMP");
    setFrameCode(s.scenes[k], 2, kFrameFinished);  // a node rendered frame 2 again
    scanScenes(farm, 100);
    EXPECT_EQ(std::string(s.scenes[k].frameMap + 1, 6), "PPQMMP");

    // A restart: the queue file keeps 'M' for the frames left, which alone would be found
    // present; the list beside it keeps them to do.
    farm.renderAgain.clear();
    loadRenderAgain(farm);
    std::memset(s.scenes[k].frameMap, 0, sizeof s.scenes[k].frameMap);
    scanScenes(farm, 100);
    EXPECT_EQ(std::string(s.scenes[k].frameMap + 1, 6), "PPMMMP");  // 3 was in hand: done again

    markAsDone(farm, k);  // the operator calls it done: nothing is left to render again
    EXPECT_FALSE(fileExists(renderAgainFilePath(farm)));
}

TEST_F(OperatorCommands, RenderAgainRefusesFramesTheSceneDoesNotHave) {
    int k = queueScene(6, 1, 9, 2);  // frames 1, 3, 5, 7, 9
    int failed = queueScene(7, 1, 3);
    failScene(s, "Could not validate save path", failed);
    s.scenes[failed].position = 0;
    int thirds = queueScene(8, 0, 8, 3);
    struct Case {
        int entry, first, last;
        const char* reason;
    };
    const Case cases[] = {
        {k, 4, 4, "no frame of the scene's range 1-9 step 2 lies in 4-4"},
        {k, 10, 20, "no frame of the scene's range 1-9 step 2 lies in 10-20"},
        {k, 5, 3, "the first frame 5 comes after the last 3"},
        {thirds, INT_MAX - 1, INT_MAX,
         "no frame of the scene's range 0-8 step 3 lies in 2147483646-2147483647"},
        {failed, 1, 3, "the scene has failed; save its file again to have it read afresh"},
        {9, 1, 3, "no such scene in the queue"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(renderAgainByOperator(farm, c.entry, c.first, c.last), c.reason);
    }
    EXPECT_FALSE(logged("Render Again"));
    EXPECT_TRUE(farm.renderAgain.empty());
    EXPECT_EQ(renderAgainByOperator(farm, k, 2, 100), "");  // clipped to the scene's frames
    EXPECT_TRUE(logged("Operator: Render Again scene6.lws frames 2-9\r\n"));
    EXPECT_EQ(farm.renderAgain[6], (std::set<int>{3, 5, 7, 9}));
}

TEST_F(OperatorCommands, SceneCompletedNamesItsSceneFile) {
    int k = queueScene(8, 1, 2);
    writeImage(k, 1);
    writeImage(k, 2);
    scanScenes(farm, 100);
    EXPECT_TRUE(logged("********* Scene Completed !*********** scene8.lws\r\n")) << log();
}

}  // namespace
