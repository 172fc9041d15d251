// The table operations on the farm records.
#include "farm/farm_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>

#include "platform/fixed_text.h"

namespace {

std::unique_ptr<FarmState> queueWith(std::initializer_list<std::pair<int, int>> positionAndId) {
    auto s = std::make_unique<FarmState>();
    for (auto [position, id] : positionAndId) {
        SceneEntry& e = s->scenes[++s->sceneCount];
        e.position = position;
        e.sceneId = id;
        copyText(e.fileName, "scene" + std::to_string(id) + ".lws");
    }
    return s;
}

}  // namespace

TEST(FarmState, ReorderGathersOutOfRunningFirstAndRenumbersTheLiveOnes) {
    auto s = queueWith({{0, 10}, {3, 11}, {0, 12}, {1, 13}});
    s->queueListDirty = false;
    reorderQueue(*s);
    int expectedIds[] = {10, 12, 13, 11};
    int expectedPositions[] = {0, 0, 1, 2};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(s->scenes[k].sceneId, expectedIds[k - 1]) << k;
        EXPECT_EQ(s->scenes[k].position, expectedPositions[k - 1]) << k;
    }
    EXPECT_TRUE(s->queueListDirty);
}

TEST(FarmState, ReorderKeepsTheOrderOfEqualPositionsAndClosesGaps) {
    auto s = queueWith({{5, 1}, {2, 2}, {5, 3}, {9, 4}});
    reorderQueue(*s);
    EXPECT_EQ(s->scenes[1].sceneId, 2);
    EXPECT_EQ(s->scenes[2].sceneId, 1);
    EXPECT_EQ(s->scenes[3].sceneId, 3);
    EXPECT_EQ(s->scenes[4].position, 4);
}

TEST(FarmState, NextSceneIdIsOneAboveTheLargest) {
    EXPECT_EQ(nextSceneId(*queueWith({})), 0);
    EXPECT_EQ(nextSceneId(*queueWith({{1, 9}, {2, 4}})), 10);
}

// An id taken out of the table is not given again: a node may still hold it.
TEST(FarmState, SceneIdsCountOnPastTheOnesThatLeft) {
    auto s = queueWith({{1, 3}, {2, 7}});
    EXPECT_EQ(nextSceneId(*s), 8);
    s->sceneCount = 1;  // the entry with id 7 (and the one just given) left
    EXPECT_EQ(nextSceneId(*s), 9);
    s->sceneCount = 0;
    EXPECT_EQ(nextSceneId(*s), 10);
}

TEST(FarmState, ANodeWithoutASceneShowsNoScene) {
    auto s = queueWith({{1, 0}});
    EXPECT_EQ(findScene(*s, -1), 0);
    EXPECT_EQ(sceneFileName(*s, -1), "No Scene");
    EXPECT_EQ(sceneFileName(*s, 0), "scene0.lws");
}

TEST(FarmState, ReleasingAFrameHandsItBackOnlyInTheNodesScene) {
    auto s = queueWith({{1, 4}, {2, 5}});
    s->scenes[1].frameMap[7] = kFrameInHand;
    s->scenes[2].frameMap[7] = kFrameInHand;
    s->nodes[2].sceneId = 5;
    s->nodes[2].frame = 7;
    releaseNodeFrame(*s, 2);
    EXPECT_EQ(s->scenes[1].frameMap[7], kFrameInHand);
    EXPECT_EQ(s->scenes[2].frameMap[7], kFrameNotScanned);
    s->nodes[3].sceneId = 77;  // a scene no longer queued: nothing changes, nothing breaks
    s->nodes[3].frame = 99999;
    releaseNodeFrame(*s, 3);
}

// Only a frame in hand goes back: a node taken out of work after finishing its frame (at Quit,
// or blamed for a problem frame) leaves a completed scene complete.
TEST(FarmState, ReleasingAFrameLeavesAFinishedOrPresentOneAsItIs) {
    auto s = queueWith({{1, 4}});
    s->nodes[2].sceneId = 4;
    s->nodes[2].frame = 7;
    for (auto [before, after] :
         {std::pair(kFrameInHand, kFrameNotScanned), std::pair(kFrameFinished, kFrameFinished),
          std::pair(kFramePresent, kFramePresent), std::pair(kFrameMissing, kFrameMissing)}) {
        s->scenes[1].frameMap[7] = before;
        releaseNodeFrame(*s, 2);
        EXPECT_EQ(s->scenes[1].frameMap[7], after) << before;
    }
}

TEST(FarmState, FramesOutsideTheMapHaveNoPlace) {
    SceneEntry e;
    setFrameCode(e, 3000, 'M');
    setFrameCode(e, -1, 'M');
    EXPECT_EQ(frameCode(e, 3000), kFrameNotScanned);
    EXPECT_EQ(frameCode(e, -1), kFrameNotScanned);
    setFrameCode(e, 2999, 'M');
    EXPECT_EQ(frameCode(e, 2999), 'M');
    e.firstFrame = 0;
    e.lastFrame = 2999;
    e.frameStep = 1;
    EXPECT_TRUE(sceneRangeValid(e));
    e.frameStep = 0;
    EXPECT_FALSE(sceneRangeValid(e));
    e.frameStep = 1;
    e.lastFrame = 3000;
    EXPECT_FALSE(sceneRangeValid(e));
}

TEST(FarmState, FailingASceneKeepsItsTextInsideTheRecord) {
    auto s = queueWith({{1, 0}});
    failScene(*s, std::string(600, 'x'), 1);
    EXPECT_EQ(s->scenes[1].problemCount, 33);
    EXPECT_EQ(textOf(s->scenes[1].outputPath).size(), 515u);
}

// The count reads eight codes at a time; codes one bit away from a done code, and ranges that
// start and end anywhere within a word, must count as one code at a time would.
TEST(FarmState, FramesAreCountedAsOneByOneWouldCountThem) {
    const char codes[] = {kFramePresent,    kFrameFinished, kFrameMissing, kFrameInHand,
                          kFrameNotScanned, 'P' ^ '\x80',   'S' ^ '\x80',  'P' + 1,
                          'S' - 1,          '\x7f',         '\xff',        'P' ^ 0x01};
    SceneEntry e;
    unsigned seed = 7;
    for (char& code : e.frameMap) {
        seed = seed * 1103515245u + 12345u;
        code = codes[(seed >> 16) % std::size(codes)];
    }
    for (int first : {0, 1, 7, 8, 13, 2990}) {
        for (int last : {first, first + 6, first + 8, first + 9, 2999}) {
            for (int step : {1, 2, 3}) {
                e.firstFrame = first;
                e.lastFrame = std::min(last, 2999);
                e.frameStep = step;
                FrameCounts expected;
                for (int f = first; f <= e.lastFrame; f += step) {
                    bool done = e.frameMap[f] == kFramePresent || e.frameMap[f] == kFrameFinished;
                    (done ? expected.done : expected.toDo) += 1;
                }
                FrameCounts c = countFrames(e);
                EXPECT_EQ(c.done, expected.done) << first << ".." << last << " by " << step;
                EXPECT_EQ(c.toDo, expected.toDo) << first << ".." << last << " by " << step;
            }
        }
    }
    e.frameStep = 0;
    EXPECT_EQ(countFrames(e).done + countFrames(e).toDo, 0);
}
