// The frame scheduler: which frame a node gets, and when.
#include "engine/scheduler.h"

#include "engine/supervisor.h"
#include "engine_test.h"

namespace {

using Scheduler = EngineTest;

TEST_F(Scheduler, ANodeKeepsToItsSceneOtherwiseGetsTheOldestFrame) {
    queueScene(7, 1, 9);
    queueScene(9, 1, 9);
    s.waitingForGo = false;
    pushFrame(s, 7, 3);  // oldest
    pushFrame(s, 7, 4);
    pushFrame(s, 9, 1);
    int frame = 0;
    int32_t scene = 0;
    ASSERT_TRUE(pickFrame(farm, 9, frame, scene));
    EXPECT_EQ(std::pair(scene, frame), std::pair(9, 1));
    ASSERT_TRUE(pickFrame(farm, -1, frame, scene));
    EXPECT_EQ(std::pair(scene, frame), std::pair(7, 3));

    // A node of scene 9 that finished its frame is given scene 7's frame and told to load it.
    node(2).state = Loaded;
    node(2).sceneId = 9;
    writeAck(2, "Ready");
    stepNode(farm, 2);
    EXPECT_EQ(node(2).state, Loading);
    EXPECT_EQ(std::pair(node(2).sceneId, node(2).frame), std::pair(7, 4));
    EXPECT_EQ(job(2), "load " + fx.queueDir + "/scene7.lws");
    EXPECT_EQ(code(1, 4), kFrameInHand);
    EXPECT_EQ(s.frameQueueCount, 0);
}

// Scene id 0 is the first scene a queue gives, not "no scene" (that is -1): a node that
// finished a frame of scene 0 is given scene 0's next frame without loading the scene again,
// though an older frame of another scene waits. Catches a search for the node's own scene that
// skips id 0.
TEST_F(Scheduler, ANodeOnSceneZeroKeepsToItsScene) {
    queueScene(5, 1, 9);
    int e = queueScene(0, 1, 9);
    s.waitingForGo = false;
    pushFrame(s, 5, 1);  // oldest
    pushFrame(s, 0, 2);
    node(2).state = Loaded;
    node(2).sceneId = 0;
    writeAck(2, "Ready");
    stepNode(farm, 2);
    EXPECT_EQ(node(2).state, WtoRender);
    EXPECT_EQ(std::pair(node(2).sceneId, node(2).frame), std::pair(0, 2));
    EXPECT_EQ(job(2), "render 2 2 1");
    EXPECT_EQ(code(e, 2), kFrameInHand);
}

TEST_F(Scheduler, NothingIsHandedOutBeforeGo) {
    queueScene(7, 1, 9);
    pushFrame(s, 7, 3);
    int frame = 0;
    int32_t scene = 0;
    EXPECT_FALSE(pickFrame(farm, 7, frame, scene));
    EXPECT_EQ(s.frameQueueCount, 1);
}

}  // namespace
