// Problem frames: what a frame reported finished without its image costs its scene and the node
// that reported it.
#include "engine/problem_frame.h"

#include "engine_test.h"

namespace {

using ProblemFrame = EngineTest;

TEST_F(ProblemFrame, TheThirtySecondProblemFrameRemovesTheScene) {
    int e = queueScene(7, 1, 40);
    for (int f = 1; f <= 31; ++f) {
        handleProblemFrame(farm, e, f);
    }
    EXPECT_EQ(s.scenes[e].position, 1);
    EXPECT_EQ(s.scenes[e].problemCount, 31);
    EXPECT_EQ(code(e, 31), kFrameMissing);
    EXPECT_FALSE(logged("Problem Scene Removed"));
    handleProblemFrame(farm, e, 32);
    EXPECT_EQ(s.scenes[e].position, 0);
    EXPECT_EQ(s.scenes[e].problemCount, 33);
    EXPECT_EQ(textOf(s.scenes[e].outputPath), "Unsuccessful");
    EXPECT_EQ(logCount("********* Problem Frame***********"), 32);
    EXPECT_EQ(logCount("********* Problem Scene Removed***********"), 1);
}

// A scan that finds a finished frame without its image blames the scene's last reporting
// node, when that is a node of this farm.
TEST_F(ProblemFrame, AProblemFrameMakesOnlyARealLastNodeOffline) {
    struct {
        const char* name;
        int lastNode;
        bool nodeTwoOffline;
    } cases[] = {
        {"NoNodeReportedYet", 0, false}, {"BeyondTheFarm", 4, false}, {"NodeTwo", 2, true}};
    for (const auto& c : cases) {
        s.sceneCount = 0;
        int e = queueScene(7, 1, 1);
        s.scenes[e].frameMap[1] = kFrameFinished;
        s.scenes[e].lastNode = c.lastNode;
        node(2).state = Rendering;
        writeAck(2, "Rendering");
        int remaining = 0;
        scanImages(farm, e, remaining);
        EXPECT_EQ(code(e, 1), kFrameMissing) << c.name;
        EXPECT_EQ(remaining, 1) << c.name;
        EXPECT_EQ(s.scenes[e].problemCount, 1) << c.name;
        EXPECT_EQ(node(2).state == Offline, c.nodeTwoOffline) << c.name;
        EXPECT_EQ(fileExists(fx.commandDir + "/ack2"), !c.nodeTwoOffline) << c.name;
        EXPECT_FALSE(fileExists(fx.commandDir + "/job0")) << c.name;
        EXPECT_FALSE(fileExists(fx.commandDir + "/job4")) << c.name;
    }
}

}  // namespace
