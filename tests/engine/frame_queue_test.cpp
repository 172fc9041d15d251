// The image scans and the frame queue, with real image files in a temporary folder.
#include "engine/frame_queue.h"
#include "engine/image_scan.h"
#include "engine/scene_scans.h"

#include <cstring>
#include <vector>

#include "engine/scheduler.h"
#include "engine/supervisor.h"
#include "engine_test.h"
#include "sim/frame_image.h"
#include "sim/node_files.h"

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
    sim::writeFrameImage(fx.dir.file("images/SHOT0001.tga"), 1);
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

// No idle node waits while a live scene has a frame to do, whatever the scenes behind it hold:
// a complete scene, one with no frame in its range, or the frames in hand of the one before.
TEST_F(FrameQueue, TheScenesAroundALiveOneDoNotHoldBackItsFrames) {
    struct Case {
        const char* name;
        int before;                 // frames 1..20 of scene 5, all in hand, ahead of scene 7
        int afterFirst, afterLast;  // scene 9 behind scene 7, its images all written
    } cases[] = {
        {"complete scene behind", 0, 1, 2},
        {"reversed range behind", 0, 5, 1},
        {"frames in hand before", 20, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s.sceneCount = 0;
        clearFrameQueue(s);
        if (c.before) {
            int k = queueScene(5, 1, c.before);
            std::fill(s.scenes[k].frameMap + 1, s.scenes[k].frameMap + 1 + c.before, kFrameInHand);
        }
        int a = queueScene(7, 1, 5);
        copyText(s.scenes[a].outputPath, fx.dir.makeDir("a") + "/a0000.TGA");
        int b = queueScene(9, c.afterFirst, c.afterLast);
        writeImage(b, 1);
        writeImage(b, 2);
        s.waitingForGo = false;
        int frame = 0;
        int32_t scene = 0;
        ASSERT_TRUE(pickFrame(farm, -1, frame, scene));
        EXPECT_EQ(std::pair(scene, frame), std::pair(7, 1));
    }
}

// Scan Scene takes the scanned scene, not whatever the scan's reordering put in its slot.
TEST_F(FrameQueue, ScanSceneOfACompleteSceneLeavesItOut) {
    int x = queueScene(5, 1, 3);
    copyText(s.scenes[x].outputPath, fx.dir.makeDir("x") + "/x0000.TGA");
    int a = queueScene(6, 1, 3);
    copyText(s.scenes[a].outputPath, fx.dir.makeDir("y") + "/y0000.TGA");
    int k = queueScene(7, 1, 2);  // out of the running at the end of the table
    writeImage(k, 1);
    writeImage(k, 2);
    s.scenes[k].position = 0;
    scanSceneNoTrail(farm, k);
    EXPECT_EQ(s.scenes[findScene(s, 7)].position, 0);
    EXPECT_GT(s.scenes[findScene(s, 5)].position, 0);
    EXPECT_GT(s.scenes[findScene(s, 6)].position, 0);
}

// Idle nodes run the refill at every pass; a refill that changes nothing writes nothing.
TEST_F(FrameQueue, ARefillThatChangesNothingDoesNotRewriteTheQueueFile) {
    int e = queueScene(7, 1, 3);
    std::fill(s.scenes[e].frameMap + 1, s.scenes[e].frameMap + 4, kFrameInHand);
    scanScenes(farm, 15);
    ASSERT_TRUE(fileExists(s.queueFilePath));
    fx.fs.resetCounters();
    for (int i = 0; i < 10; ++i) {
        scanScenes(farm, 15);
    }
    EXPECT_EQ(fx.fs.counters.renames, 0u);
    s.scenes[e].frameMap[1] = kFrameFinished;
    writeImage(e, 1);
    scanScenes(farm, 15);
    EXPECT_EQ(fx.fs.counters.renames, 1u);
}

// The refill scan stops at the first scene that alone has the limit to do, and gives that
// scene's count, not a sum over the scenes it scanned.
TEST_F(FrameQueue, TheRefillStopsAtTheFirstSceneWithTheLimitToDo) {
    struct Case {
        const char* name;
        std::vector<int> frames;  // frames to do of each scene, in queue order
        size_t scanned;
        int count;
    } cases[] = {
        {"no scene reaches the limit", {10, 10, 3}, 3, 3},
        {"the second reaches it", {14, 16, 5}, 2, 16},
        {"the first reaches it", {15, 5}, 1, 15},
    };
    for (const Case& c : cases) {
        s.sceneCount = 0;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            queueScene(static_cast<int32_t>(10 + i), 1, c.frames[i]);
        }
        EXPECT_EQ(scanScenes(farm, 15), c.count) << c.name;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            bool scanned = code(static_cast<int>(i) + 1, 1) != kFrameNotScanned;
            EXPECT_EQ(scanned, i < c.scanned) << c.name << ", scene " << i + 1;
        }
    }
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

// Each image is read once in a run to see that it is whole; a later scan of the same images
// reads none of them, an image written again is read again.
TEST_F(FrameQueue, AScanListsTheImageFolderOnceAndReadsEachNewImageOnce) {
    int e = queueScene(7, 0, 2999);
    for (int f = 0; f < 3000; f += 2) {
        writeImage(e, f);
    }
    fx.fs.resetCounters();
    int remaining = 0;
    scanImages(farm, e, remaining);
    EXPECT_EQ(remaining, 1500);
    EXPECT_EQ(fx.fs.counters.listings, 1u);
    EXPECT_EQ(fx.fs.counters.opens, 1500u);
    EXPECT_LE(fx.fs.counters.total(), 1503u);  // and the save-path probe

    std::memset(s.scenes[e].frameMap, 0, sizeof s.scenes[e].frameMap);
    writeText(imageName(s.scenes[e], 2), "cut");
    fx.fs.resetCounters();
    scanImages(farm, e, remaining);
    EXPECT_EQ(remaining, 1501);
    EXPECT_EQ(fx.fs.counters.listings, 1u);
    EXPECT_EQ(fx.fs.counters.opens, 1u);    // the image written again
    EXPECT_LE(fx.fs.counters.total(), 5u);  // and the log line that says it is cut

    failScene(s, "Unsuccessful", e);  // no folder to list or probe: nothing touches the disk
    fx.fs.resetCounters();
    scanImages(farm, e, remaining);
    EXPECT_EQ(remaining, 1501);
    EXPECT_EQ(fx.fs.counters.total(), 0u);
}

}  // namespace

namespace {

using WholeImages = EngineTest;

// An empty or cut image is no rendered frame: it is to be rendered again, and is logged once
// however often it is scanned, until it is written again.
TEST_F(WholeImages, AnEmptyOrCutImageIsRenderedAgainAndLoggedOnce) {
    int e = queueScene(7, 1, 3);
    writeImage(e, 1);
    writeText(imageName(s.scenes[e], 2), "");
    std::string cut = sim::frameImageBytes(".TGA", 3);
    writeText(imageName(s.scenes[e], 3), cut.substr(0, cut.size() - 4));
    int remaining = 0;
    EXPECT_FALSE(scanImages(farm, e, remaining));
    EXPECT_EQ(std::string(s.scenes[e].frameMap + 1, 3), "PMM");
    EXPECT_EQ(remaining, 2);
    EXPECT_EQ(logCount("Image incomplete, frame to be rendered again: frame 2 of scene7.lws"), 1);
    EXPECT_EQ(logCount("Image incomplete, frame to be rendered again: frame 3 of scene7.lws"), 1);
    scanImages(farm, e, remaining);
    EXPECT_EQ(logCount("Image incomplete"), 2);

    writeImage(e, 2);
    writeImage(e, 3);
    EXPECT_TRUE(scanImages(farm, e, remaining));
    EXPECT_EQ(logCount("Image incomplete"), 2);
}

// The queue file's codes are not taken on trust: a scene whose frames all say present is looked
// at on disk before it counts as complete, and frames without a whole image go back to missing.
TEST_F(WholeImages, PresentFramesAreLookedAtAgainBeforeASceneCompletes) {
    int e = queueScene(7, 1, 4);
    std::fill(s.scenes[e].frameMap + 1, s.scenes[e].frameMap + 5, kFramePresent);
    writeImage(e, 1);
    writeImage(e, 4);
    writeText(imageName(s.scenes[e], 3), "");
    int remaining = 0;
    EXPECT_FALSE(scanImages(farm, e, remaining));
    EXPECT_EQ(std::string(s.scenes[e].frameMap + 1, 4), "PMMP");
    EXPECT_EQ(remaining, 2);
    EXPECT_EQ(s.scenes[e].problemCount, 0);  // no node is blamed for the queue file's word
}

// A frame a node reported finished whose image is cut is a problem frame, and the node blamed
// is the one that reported that frame, not the one that reported last.
TEST_F(WholeImages, ACutImageReportedFinishedBlamesTheNodeThatReportedIt) {
    s.waitingForGo = false;
    int e = queueScene(7, 1, 2);
    for (int n : {1, 2}) {
        node(n).state = Rendering;
        node(n).sceneId = 7;
        node(n).frame = n;
        s.scenes[e].frameMap[n] = kFrameInHand;
    }
    writeText(imageName(s.scenes[e], 1), "");  // node 1 leaves an empty image
    writeAck(1, "Ready");
    stepNode(farm, 1);
    writeImage(e, 2);
    writeAck(2, "Ready");
    stepNode(farm, 2);
    ASSERT_EQ(s.scenes[e].lastNode, 2);
    int remaining = 0;
    scanImages(farm, e, remaining);
    EXPECT_EQ(std::string(s.scenes[e].frameMap + 1, 2), "MP");
    EXPECT_EQ(node(1).state, Offline);
    EXPECT_NE(node(2).state, Offline);
    EXPECT_EQ(logCount("********* Problem Frame*********** frame 1 of scene7.lws by PC_1"), 1)
        << log();
    EXPECT_EQ(logCount("Node PC_1 taken out of work for a problem frame"), 1);
}

}  // namespace
