// The image scans and the frame queue, with real image files in a temporary folder.
#include "engine/frame_queue.h"

#include "engine/scheduler.h"
#include "engine_test.h"

namespace {

using FrameQueue = EngineTest;

TEST_F(FrameQueue, ImageNameWritesTheDigitsJustBeforeTheExtension) {
    struct {
        const char* name;
        const char* templ;
        int frame;
        const char* image;
    } cases[] = {
        {"Padded", "/img/shot0000.TGA", 12, "/img/shot0012.TGA"},
        {"TooFewZerosOverwriteThePrefix", "/img/shot000.TGA", 1234, "/img/sho1234.TGA"},
        {"Negative", "/img/shot0000.TGA", -5, "/img/shot00-5.TGA"},
        {"TooShortForTheNumber", "0.TGA", 123, "3.TGA"},
    };
    for (const auto& c : cases) {
        SceneEntry e;
        copyText(e.outputPath, c.templ);
        EXPECT_EQ(imageName(e, c.frame), c.image) << c.name;
    }
}

TEST_F(FrameQueue, TheScanLooksAtEveryStepOfTheRange) {
    int e = queueScene(7, 1, 10, 3);
    for (int f : {1, 4, 7}) {
        writeImage(e, f);
    }
    int remaining = 0;
    EXPECT_FALSE(scanImages(farm, e, remaining));
    EXPECT_EQ(remaining, 1);
    EXPECT_EQ(std::string(s.scenes[e].frameMap, 12), std::string("\0P\0\0P\0\0P\0\0M\0", 12));
    writeImage(e, 10);
    EXPECT_TRUE(scanImages(farm, e, remaining));
    EXPECT_EQ(remaining, 0);
}

TEST_F(FrameQueue, ImagesMatchWithoutCaseAndOnlyAsRegularFiles) {
    int e = queueScene(7, 1, 3);
    writeText(fx.dir.file("images/SHOT0001.tga"), "TGA");
    fx.dir.makeDir("images/shot0002.TGA");
    int remaining = 0;
    scanImages(farm, e, remaining);
    EXPECT_EQ(std::string(s.scenes[e].frameMap + 1, 3), "PMM");
}

TEST_F(FrameQueue, AFrameInHandIsNotLookedUp) {
    int e = queueScene(7, 1, 2);
    writeImage(e, 1);
    writeImage(e, 2);
    s.scenes[e].frameMap[2] = kFrameInHand;
    int remaining = 0;
    EXPECT_FALSE(scanImages(farm, e, remaining));
    EXPECT_EQ(remaining, 1);
    EXPECT_EQ(code(e, 2), kFrameInHand);
}

TEST_F(FrameQueue, ASceneWithEveryImageIsCompleteAtItsFirstScan) {
    queueScene(5, 1, 3);
    int e = queueScene(7, 1, 3);
    for (int f = 1; f <= 3; ++f) {
        writeImage(e, f);  // both scenes share the image folder and template
    }
    EXPECT_EQ(scanScenes(farm, 15), 0);
    EXPECT_EQ(s.scenes[1].position, 0);
    EXPECT_EQ(s.scenes[2].position, 0);
    EXPECT_EQ(logCount("********* Scene Completed !***********"), 2);
    EXPECT_TRUE(fileExists(s.queueFilePath));
}

TEST_F(FrameQueue, ACompleteSceneAfterALiveOneGivesNothingOnceThenTheLiveFrames) {
    int a = queueScene(7, 1, 5);
    copyText(s.scenes[a].outputPath, fx.dir.makeDir("a") + "/a0000.TGA");
    int b = queueScene(9, 1, 2);
    writeImage(b, 1);
    writeImage(b, 2);
    s.waitingForGo = 0;
    int frame = 0;
    int32_t scene = 0;
    EXPECT_FALSE(pickFrame(farm, -1, frame, scene));
    EXPECT_EQ(s.scenes[findScene(s, 9)].position, 0);
    ASSERT_TRUE(pickFrame(farm, -1, frame, scene));
    EXPECT_EQ(std::pair(scene, frame), std::pair(7, 1));
}

TEST_F(FrameQueue, TwentyFramesToDoFillTheQueueWithTheFirstFourteen) {
    queueScene(7, 1, 20);
    int b = queueScene(9, 1, 5);
    EXPECT_EQ(scanScenes(farm, 15), 20);
    EXPECT_EQ(code(b, 1), kFrameNotScanned);  // the scan stopped after the first scene
    ASSERT_TRUE(buildFrameQueue(farm));
    ASSERT_EQ(s.frameQueueCount, 14);
    for (int taken = 1; taken <= 14; ++taken) {
        EXPECT_EQ(s.frameQueue[15 - taken].frame, taken);
    }
}

TEST_F(FrameQueue, ASceneWithNoFrameToScanIsPassedOver) {
    int bad = queueScene(7, 10, 5);
    int good = queueScene(9, 1, 2);
    int remaining = 0;
    EXPECT_FALSE(scanImages(farm, bad, remaining));
    EXPECT_EQ(remaining, 0);
    scanNextScene(farm);
    EXPECT_EQ(code(good, 1), kFrameMissing);
}

TEST_F(FrameQueue, AScanListsTheImageFolderOnce) {
    int e = queueScene(7, 0, 2999);
    for (int f = 0; f < 3000; f += 2) {
        writeImage(e, f);
    }
    fx.fs.resetCounters();
    int remaining = 0;
    scanImages(farm, e, remaining);
    EXPECT_EQ(remaining, 1500);
    EXPECT_EQ(fx.fs.counters.listings, 1u);
    EXPECT_LE(fx.fs.counters.total(), 3u);  // the listing and the save-path probe

    failScene(s, "Unsuccessful", e);  // no folder to list or probe: nothing touches the disk
    fx.fs.resetCounters();
    scanImages(farm, e, remaining);
    EXPECT_EQ(remaining, 1500);
    EXPECT_EQ(fx.fs.counters.total(), 0u);
}

}  // namespace
