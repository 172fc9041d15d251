#include "queue/queue_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "farm/scene_record.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "tests/support/farm_fixture.h"

namespace {

SceneEntry sceneNamed(const std::string& name, int32_t id) {
    SceneEntry e;
    e.position = id;
    copyText(e.fileName, name);
    e.sceneId = id;
    e.firstFrame = 1;
    e.lastFrame = 10;
    e.frameStep = 1;
    return e;
}

std::string record(const SceneEntry& e) {
    unsigned char bytes[scene_record::kSize];
    encodeSceneEntry(e, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// A queue file as another run might have left it: a flag and the records.
std::string queueFileOf(int n, const std::string& flag = std::string(4, '\xff')) {
    std::string data = flag;
    for (int i = 1; i <= n; ++i) {
        data += record(sceneNamed("s" + std::to_string(i) + ".lws", i));
    }
    return data;
}

class QueueFileTest : public ::testing::Test {
  protected:
    FarmFixture f;
    FarmState& s = f.farm->state;
    std::string queueFile = s.queueFilePath;
};

TEST_F(QueueFileTest, TwoScenesMakeTheFlagAndTwoRecords) {
    s.sceneCount = 2;
    s.scenes[1] = sceneNamed("a.lws", 4);
    s.scenes[2] = sceneNamed("b.lws", 9);
    s.scenes[2].frameMap[3] = kFrameInHand;
    s.runningFlag = -1;
    ASSERT_TRUE(saveQueueFile(*f.farm));
    std::string running = readText(queueFile);
    ASSERT_EQ(running.size(), 7676u);
    EXPECT_EQ(running.substr(0, 4), std::string(4, '\xff'));
    EXPECT_EQ(running.substr(4 + 3836), record(s.scenes[2]));

    s.runningFlag = 0;
    ASSERT_TRUE(saveQueueFile(*f.farm));
    EXPECT_EQ(readText(queueFile).substr(0, 4), std::string(4, '\0'));

    s.sceneCount = 0;
    s.runningFlag = -1;
    loadQueueFile(*f.farm);
    EXPECT_EQ(s.runningFlag, 0);
    ASSERT_EQ(s.sceneCount, 2);
    EXPECT_EQ(s.scenes[2].sceneId, 9);
    EXPECT_EQ(s.scenes[2].frameMap[3], kFrameInHand);  // handed back by the farm cycle, not here
}

TEST_F(QueueFileTest, LengthDecidesWhatLoads) {
    struct Row {
        const char* name;
        std::string data;
        int32_t flag;  // runningFlag before is -7
        int scenes;
    };
    const std::vector<Row> rows = {
        {"empty file keeps the flag", "", -7, 0},
        {"one byte", "\xff", 0, 0},
        {"three bytes", "\xff\xff\xff", 0, 0},
        {"flag only", std::string(4, '\xff'), -1, 0},
        {"cut in the third record", queueFileOf(3).substr(0, 4 + 2 * 3836 + 100), -1, 2},
        {"more records than the table holds", queueFileOf(301), -1, 299},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeText(queueFile, row.data);
        s.runningFlag = -7;
        s.sceneCount = 5;
        loadQueueFile(*f.farm);
        EXPECT_EQ(s.runningFlag, row.flag);
        EXPECT_EQ(s.sceneCount, row.scenes);
        EXPECT_EQ(textOf(s.scenes[s.sceneCount].fileName),
                  row.scenes ? "s" + std::to_string(row.scenes) + ".lws" : "");
    }
}

TEST_F(QueueFileTest, MissingFileGivesAnEmptyQueue) {
    s.sceneCount = 3;
    s.runningFlag = -1;
    loadQueueFile(*f.farm);
    EXPECT_EQ(s.sceneCount, 0);
    EXPECT_EQ(s.runningFlag, -1);
}

TEST_F(QueueFileTest, RecordsAreTakenAsUntrusted) {
    SceneEntry wide = sceneNamed("wide.lws", 1);
    wide.lastFrame = 3000;
    SceneEntry still = sceneNamed("still.lws", 2);
    still.frameStep = 0;
    SceneEntry unended = sceneNamed("", 3);
    std::memset(unended.fileName, 'n', sizeof unended.fileName);
    std::memset(unended.outputPath, 'o', sizeof unended.outputPath);
    std::memset(unended.imageSize, 'i', sizeof unended.imageSize);
    unended.lastNode = 5000;
    SceneEntry reversed = sceneNamed("back.lws", 4);
    reversed.firstFrame = 9;
    reversed.lastFrame = 3;
    writeText(queueFile, std::string(4, '\0') + record(wide) + record(still) + record(unended) +
                             record(reversed));

    loadQueueFile(*f.farm);
    ASSERT_EQ(s.sceneCount, 4);
    EXPECT_EQ(s.scenes[4].position, 0);
    EXPECT_EQ(textOf(s.scenes[4].outputPath), "First frame after last frame");
    EXPECT_EQ(s.scenes[1].position, 0);
    EXPECT_EQ(s.scenes[1].problemCount, 33);
    EXPECT_EQ(textOf(s.scenes[1].outputPath), "Frame range outside 0 to 2999");
    EXPECT_EQ(s.scenes[2].position, 0);
    EXPECT_EQ(textOf(s.scenes[2].outputPath), "Frame step below 1");
    EXPECT_EQ(s.scenes[3].position, 3);
    EXPECT_EQ(textOf(s.scenes[3].fileName), std::string(255, 'n'));
    EXPECT_EQ(textOf(s.scenes[3].outputPath), std::string(515, 'o'));
    EXPECT_EQ(textOf(s.scenes[3].imageSize), std::string(11, 'i'));
    EXPECT_EQ(s.scenes[3].lastNode, 0);
}

// Only a live record needs a usable frame range: a scene that failed before its range was read
// (step 0) keeps its own failure text and counts.
TEST_F(QueueFileTest, RecordsOutOfTheRunningComeBackAsTheyStand) {
    SceneEntry failed = sceneNamed("nosave.lws", 5);
    failed.position = 0;
    failed.firstFrame = failed.lastFrame = failed.frameStep = 0;
    failed.problemCount = 33;
    copyText(failed.outputPath, "No path mapping for E:\\");
    SceneEntry done = sceneNamed("done.lws", 6);
    done.position = 0;
    done.lastFrame = 4000;  // out of the running: nothing scans it
    std::string bytes = std::string(4, '\0') + record(failed) + record(done);
    writeText(queueFile, bytes);

    loadQueueFile(*f.farm);
    ASSERT_EQ(s.sceneCount, 2);
    EXPECT_EQ(textOf(s.scenes[1].outputPath), "No path mapping for E:\\");
    EXPECT_EQ(s.scenes[2].lastFrame, 4000);
    ASSERT_TRUE(saveQueueFile(*f.farm));
    EXPECT_EQ(readText(queueFile), bytes);
}

// Positions no farm writes (below 0, beyond the table) put their scenes at the back of the queue
// in file order; the live scenes are numbered 1..n again.
TEST_F(QueueFileTest, PositionsOutsideTheTableGoToTheBackOfTheQueue) {
    std::vector<SceneEntry> records = {sceneNamed("far.lws", 1), sceneNamed("one.lws", 2),
                                       sceneNamed("out.lws", 3), sceneNamed("minus.lws", 4),
                                       sceneNamed("two.lws", 5)};
    records[0].position = 1000;
    records[1].position = 1;
    records[2].position = 0;
    records[3].position = -1;
    records[4].position = 2;
    std::string bytes(4, '\0');
    for (const SceneEntry& e : records) {
        bytes += record(e);
    }
    writeText(queueFile, bytes);

    loadQueueFile(*f.farm);
    ASSERT_EQ(s.sceneCount, 5);
    const std::vector<std::pair<std::string, int>> expected = {
        {"out.lws", 0}, {"one.lws", 1}, {"two.lws", 2}, {"far.lws", 3}, {"minus.lws", 4}};
    for (int k = 1; k <= 5; ++k) {
        EXPECT_EQ(textOf(s.scenes[k].fileName), expected[k - 1].first) << k;
        EXPECT_EQ(s.scenes[k].position, expected[k - 1].second) << k;
    }
}

TEST_F(QueueFileTest, AFolderNamedLikeATemporaryDoesNotStopTheSave) {
    writeText(queueFile, queueFileOf(2));
    f.dir.makeDir("queue/Kestrun.que.tmp");
    s.sceneCount = 1;
    s.scenes[1] = sceneNamed("new.lws", 1);
    EXPECT_TRUE(saveQueueFile(*f.farm));
    EXPECT_EQ(readText(queueFile).size(), 4 + scene_record::kSize);
    EXPECT_TRUE(f.host.errors.empty());
}

class TidyTest : public QueueFileTest {
  protected:
    void SetUp() override {
        f.addSceneFile("done.lws", sceneText(1, 2, 1, f.dir.path() + "/out/done"));
        ASSERT_TRUE(checkSceneQueue(*f.farm));
        ASSERT_EQ(s.sceneCount, 1);
    }
};

TEST_F(TidyTest, MissingHasBeenRenderedIsCreatedAndTheCheckDropsTheScene) {
    EXPECT_TRUE(tidyScene(*f.farm, 1));
    EXPECT_TRUE(fileExists(f.queueDir + "/HasBeenRendered/done.lws"));
    EXPECT_FALSE(fileExists(f.queueDir + "/done.lws"));
    EXPECT_TRUE(f.host.errors.empty());
    checkSceneQueue(*f.farm);
    EXPECT_EQ(s.sceneCount, 0);
}

TEST_F(TidyTest, FailedCopyShowsTheBoxAndKeepsTheFile) {
    f.dir.makeDir("queue/HasBeenRendered/done.lws");  // a folder in the copy's way
    EXPECT_FALSE(tidyScene(*f.farm, 1));
    EXPECT_EQ(f.host.errors, std::vector<std::string>{"Couldn't tidy scene files"});
    EXPECT_TRUE(fileExists(f.queueDir + "/done.lws"));
}

}  // namespace
