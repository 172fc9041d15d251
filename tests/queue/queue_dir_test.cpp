#include "queue/queue_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "platform/fixed_text.h"
#include "queue/queue_file.h"
#include "queue/queue_order.h"
#include "queue/scene_listing.h"
#include "tests/support/farm_fixture.h"

namespace {

std::vector<std::string> queueNames(const FarmState& s) {
    std::vector<std::string> names;
    for (int k = 1; k <= s.sceneCount; ++k) {
        names.push_back(std::to_string(s.scenes[k].position) + ":" +
                        std::string(textOf(s.scenes[k].fileName)));
    }
    return names;
}

class QueueDirTest : public ::testing::Test {
  protected:
    FarmFixture f;
    FarmState& s = f.farm->state;

    void addScene(const std::string& name, long mtime = 1000000) {
        std::string path = f.addSceneFile(name, sceneText(1, 5, 1, f.contentDir + "/out/" + name));
        setModifiedTime(path, mtime);
    }
};

TEST_F(QueueDirTest, ListingTakesSceneFilesOfAnyCaseInNameOrder) {
    addScene("b.LWS");
    addScene("a.lws");
    writeText(f.queueDir + "/notes.txt", "x");
    f.dir.makeDir("queue/folder.lws");
    saveQueueFile(*f.farm);
    ASSERT_TRUE(listQueueDirectory(*f.farm));
    ASSERT_EQ(s.listingCount, 2);
    EXPECT_EQ(textOf(s.listing[1].fileName), "a.lws");
    EXPECT_EQ(textOf(s.listing[2].fileName), "b.LWS");
    f.farm->settings.Scene_Queue_Dir += "/missing";
    EXPECT_FALSE(listQueueDirectory(*f.farm));
    EXPECT_EQ(s.listingCount, 0);
}

TEST_F(QueueDirTest, SceneSavedAgainIsRemovedThenAddedAtTheEndWithANewId) {
    addScene("a.lws");
    addScene("b.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    int32_t oldIds = std::max(s.scenes[1].sceneId, s.scenes[2].sceneId);
    setModifiedTime(f.queueDir + "/a.lws", 2000000);
    size_t before = f.loggedMessages().size();

    ASSERT_TRUE(checkSceneQueue(*f.farm));
    std::vector<std::string> lines = f.loggedMessages();
    lines.erase(lines.begin(), lines.begin() + before);
    EXPECT_EQ(lines, (std::vector<std::string>{"Scene file removed from queue: a.lws",
                                               "Added Newer scene file with name a.lws"}));
    EXPECT_EQ(queueNames(s), (std::vector<std::string>{"1:b.lws", "2:a.lws"}));
    EXPECT_GT(s.scenes[2].sceneId, oldIds);
    EXPECT_EQ(s.frameQueueCount, 0);
}

// A scene that cannot be rendered says so in the log, with its name and why, the reason as the
// queue list shows it (without the line feed one failure text begins with).
TEST_F(QueueDirTest, ASceneThatCannotBeRenderedIsLoggedWithItsReason) {
    std::string noPrefix = sceneText(1, 4, 1, "out/x");
    noPrefix.erase(noPrefix.find("SaveRGBImagesPrefix"), std::string("SaveRGBImagesPrefix").size());
    f.addSceneFile("a_empty.lws", "");
    f.addSceneFile("b_no_prefix.lws", noPrefix);
    addScene("c_good.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    std::vector<std::string> lines = f.loggedMessages();
    auto count = [&](const std::string& line) {
        return std::count(lines.begin(), lines.end(), line);
    };
    EXPECT_EQ(count("Scene file cannot be rendered: a_empty.lws: Unable to find "
                    "SaveRGBBImagesPrefix!"),
              1);
    EXPECT_EQ(count("Scene file cannot be rendered: b_no_prefix.lws: Unable to find "
                    "SaveRGBBImagesPrefix!"),
              1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find("cannot be rendered") != std::string::npos;
                            }),
              2);
}

TEST_F(QueueDirTest, NewFilesJoinTheEndInNameOrder) {
    addScene("m.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    addScene("z.lws");
    addScene("c.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    EXPECT_EQ(queueNames(s), (std::vector<std::string>{"1:m.lws", "2:c.lws", "3:z.lws"}));
    loadQueueFile(*f.farm);
    EXPECT_EQ(s.sceneCount, 3);  // the check saved the changed queue
}

TEST_F(QueueDirTest, EmptiedQueueGivesANewFilePositionOne) {
    addScene("old.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    std::remove((f.queueDir + "/old.lws").c_str());
    addScene("new.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    EXPECT_EQ(queueNames(s), std::vector<std::string>{"1:new.lws"});
}

TEST_F(QueueDirTest, UnchangedFolderDoesNotSaveTheQueue) {
    addScene("a.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    std::remove(s.queueFilePath.c_str());
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    EXPECT_FALSE(fileExists(s.queueFilePath));
}

TEST_F(QueueDirTest, ReorderCommands) {
    addScene("a.lws");
    addScene("b.lws");
    addScene("c.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    struct Row {
        const char* name;
        bool raise;
        int entry, target;
        bool logs;
        std::vector<std::string> order;
    };
    const std::vector<Row> rows = {
        {"move up at the top", true, 1, 0, false, {"1:a.lws", "2:b.lws", "3:c.lws"}},
        {"boost at the top", true, 1, 1, true, {"1:a.lws", "2:b.lws", "3:c.lws"}},
        {"boost the last", true, 3, 1, true, {"1:c.lws", "2:a.lws", "3:b.lws"}},
        {"move down", false, 1, 2, true, {"1:a.lws", "2:c.lws", "3:b.lws"}},
        {"move down the last", false, 3, 4, true, {"1:a.lws", "2:c.lws", "3:b.lws"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::remove(s.queueFilePath.c_str());
        s.frameQueueCount = 3;
        size_t before = f.loggedMessages().size();
        int32_t id = s.scenes[row.entry].sceneId;
        int after = row.raise ? raiseScene(*f.farm, row.entry, row.target)
                              : lowerScene(*f.farm, row.entry, row.target);
        EXPECT_EQ(s.scenes[after].sceneId, id);
        EXPECT_EQ(queueNames(s), row.order);
        EXPECT_EQ(f.loggedMessages().size(), before + (row.logs ? 1 : 0));
        EXPECT_EQ(fileExists(s.queueFilePath), row.logs);
        EXPECT_EQ(s.frameQueueCount, row.logs ? 0 : 3);
    }
    EXPECT_EQ(f.loggedMessages().back(), "Queue item b.lws preprioritized to 4 ");
}

TEST_F(QueueDirTest, ProblemSceneDoesNotMove) {
    addScene("a.lws");
    addScene("b.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    s.scenes[2].problemCount = 32;
    size_t before = f.loggedMessages().size();
    EXPECT_EQ(raiseScene(*f.farm, 2, 1), 2);
    EXPECT_EQ(lowerScene(*f.farm, 2, 3), 2);
    s.scenes[1].problemCount = 40;
    EXPECT_EQ(lowerScene(*f.farm, 1, 2), 1);
    EXPECT_EQ(queueNames(s), (std::vector<std::string>{"1:a.lws", "2:b.lws"}));
    EXPECT_EQ(f.loggedMessages().size(), before);
}

TEST_F(QueueDirTest, UnreadableFolderKeepsTheQueueAndLogsOnce) {
    addScene("a.lws");
    addScene("b.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    std::string saved = readText(s.queueFilePath);
    std::string folder = f.farm->settings.Scene_Queue_Dir;
    std::string gone = f.dir.path() + "/unmounted";
    std::vector<std::string> expected = f.loggedMessages();

    for (int round = 0; round < 2; ++round) {
        f.farm->settings.Scene_Queue_Dir = gone;
        EXPECT_TRUE(checkSceneQueue(*f.farm));
        EXPECT_TRUE(checkSceneQueue(*f.farm));
        EXPECT_EQ(s.sceneCount, 2);
        expected.push_back("Scene queue directory cannot be read " + gone);
        EXPECT_EQ(f.loggedMessages(), expected);
        f.farm->settings.Scene_Queue_Dir = folder;
        EXPECT_TRUE(checkSceneQueue(*f.farm));
    }
    EXPECT_EQ(readText(s.queueFilePath), saved);
}

TEST_F(QueueDirTest, FullQueueLeavesTheRestInTheFolderAndSaysSoOnceEachTime) {
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "s%03d.lws", i);
        addScene(name);
    }
    auto fullLines = [&] {
        std::vector<std::string> lines = f.loggedMessages();
        return std::count(lines.begin(), lines.end(), "Scene queue full ");
    };
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    EXPECT_EQ(s.sceneCount, kMaxScenes);
    EXPECT_EQ(textOf(s.scenes[kMaxScenes].fileName), "s298.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    EXPECT_EQ(fullLines(), 1);

    std::remove((f.queueDir + "/s000.lws").c_str());  // room for the one left waiting
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    EXPECT_EQ(s.sceneCount, kMaxScenes);
    EXPECT_EQ(textOf(s.scenes[kMaxScenes].fileName), "s299.lws");
    EXPECT_EQ(fullLines(), 1);

    addScene("t.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    EXPECT_EQ(fullLines(), 2);
}

// A folder so full that listing it is slow (here every file operation takes 60 ms) is listed
// again only when its last-write time changed, or at every eighth check: junk costs a bounded
// share of the ticks, and a new scene is still queued at the next check.
TEST_F(QueueDirTest, AFloodedFolderIsListedAgainOnlyWhenItChangesOrAtEveryEighthCheck) {
    addScene("a.lws");
    f.fs.setDelay(std::chrono::milliseconds(60));
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    ASSERT_TRUE(checkSceneQueue(*f.farm));  // the first slow listing left the folder's time unknown
    f.fs.resetCounters();
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(checkSceneQueue(*f.farm));
    }
    EXPECT_EQ(f.fs.counters.listings, 0u);
    addScene("b.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    EXPECT_EQ(f.fs.counters.listings, 1u);
    EXPECT_EQ(queueNames(s), (std::vector<std::string>{"1:a.lws", "2:b.lws"}));
    f.fs.resetCounters();
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(checkSceneQueue(*f.farm));
    }
    EXPECT_EQ(f.fs.counters.listings, 1u);
}

TEST_F(QueueDirTest, NameWithAControlCharacterIsRefusedOnce) {
    addScene("bad\tname.lws");
    addScene("good.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    EXPECT_EQ(queueNames(s), std::vector<std::string>{"1:good.lws"});
    std::vector<std::string> lines = f.loggedMessages();
    EXPECT_EQ(
        std::count(lines.begin(), lines.end(), "Scene file name cannot be queued: bad?name.lws"),
        1);
}

}  // namespace
