#include "queue/queue_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "platform/fixed_text.h"
#include "queue/queue_file.h"
#include "queue/queue_order.h"
#include "queue/scene_listing.h"
#include "tests/support/farm_fixture.h"
#include "tests/support/free_space_file_system.h"

namespace {

constexpr uint64_t kMB = 1048576;

// The log's messages and details, without their time prefixes.
std::vector<std::string> logged(const FarmFixture& f) {
    std::vector<std::string> lines;
    std::string text =
        fileExists(f.farm->state.logFilePath) ? readText(f.farm->state.logFilePath) : std::string();
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(text.substr(at + 15, end - at - 15));
    }
    return lines;
}

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
    size_t before = logged(f).size();

    ASSERT_TRUE(checkSceneQueue(*f.farm));
    std::vector<std::string> lines = logged(f);
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
    std::vector<std::string> lines = logged(f);
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
        size_t before = logged(f).size();
        int32_t id = s.scenes[row.entry].sceneId;
        int after = row.raise ? raiseScene(*f.farm, row.entry, row.target)
                              : lowerScene(*f.farm, row.entry, row.target);
        EXPECT_EQ(s.scenes[after].sceneId, id);
        EXPECT_EQ(queueNames(s), row.order);
        EXPECT_EQ(logged(f).size(), before + (row.logs ? 1 : 0));
        EXPECT_EQ(fileExists(s.queueFilePath), row.logs);
        EXPECT_EQ(s.frameQueueCount, row.logs ? 0 : 3);
    }
    EXPECT_EQ(logged(f).back(), "Queue item b.lws preprioritized to 4 ");
}

TEST_F(QueueDirTest, ProblemSceneDoesNotMove) {
    addScene("a.lws");
    addScene("b.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    s.scenes[2].problemCount = 32;
    size_t before = logged(f).size();
    EXPECT_EQ(raiseScene(*f.farm, 2, 1), 2);
    EXPECT_EQ(lowerScene(*f.farm, 2, 3), 2);
    s.scenes[1].problemCount = 40;
    EXPECT_EQ(lowerScene(*f.farm, 1, 2), 1);
    EXPECT_EQ(queueNames(s), (std::vector<std::string>{"1:a.lws", "2:b.lws"}));
    EXPECT_EQ(logged(f).size(), before);
}

TEST_F(QueueDirTest, UnreadableFolderKeepsTheQueueAndLogsOnce) {
    addScene("a.lws");
    addScene("b.lws");
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    std::string saved = readText(s.queueFilePath);
    std::string folder = f.farm->settings.Scene_Queue_Dir;
    std::string gone = f.dir.path() + "/unmounted";
    std::vector<std::string> expected = logged(f);

    for (int round = 0; round < 2; ++round) {
        f.farm->settings.Scene_Queue_Dir = gone;
        EXPECT_TRUE(checkSceneQueue(*f.farm));
        EXPECT_TRUE(checkSceneQueue(*f.farm));
        EXPECT_EQ(s.sceneCount, 2);
        expected.push_back("Scene queue directory cannot be read " + gone);
        EXPECT_EQ(logged(f), expected);
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
        std::vector<std::string> lines = logged(f);
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
    std::vector<std::string> lines = logged(f);
    EXPECT_EQ(
        std::count(lines.begin(), lines.end(), "Scene file name cannot be queued: bad?name.lws"),
        1);
}

// Records whether the farm was halted while the box was open.
class HaltWatchingHost : public RecordingHost {
  public:
    const Farm* farm = nullptr;
    std::vector<bool> haltedWhileAsked;
    bool askFreeSpaceRetry(const std::string& text) override {
        haltedWhileAsked.push_back(farm->state.halted);
        return RecordingHost::askFreeSpaceRetry(text);
    }
};

class FreeSpaceTest : public ::testing::Test {
  protected:
    FarmFixture f;
    FreeSpaceFileSystem fs;
    HaltWatchingHost host;
    Farm farm{host, fs, f.clock, f.settingsFile};

    void SetUp() override {
        farm.settings = f.farm->settings;
        farm.state.logFilePath = f.farm->state.logFilePath;
        farm.state.queueFilePath = f.farm->state.queueFilePath;
        farm.settings.Free_Space_Minimum = 100;
        host.farm = &farm;
        f.addSceneFile("head.lws", sceneText(1, 5, 1, f.contentDir + "/images/shot"));
        fs.answers = {200 * kMB};
        ASSERT_TRUE(checkSceneQueue(farm));
        f.addSceneFile("later.lws", sceneText(1, 5, 1, f.contentDir + "/images/later"));
        fs.queries = 0;
    }
};

TEST_F(FreeSpaceTest, HaltAsksUntilThereIsRoomThenGoesOn) {
    farm.settings.Beep_error = 1;
    fs.answers = {50 * kMB, 60 * kMB, 100 * kMB};
    host.freeSpaceAnswers = {true, true};
    EXPECT_TRUE(checkSceneQueue(farm));
    std::string mount = fs.mountPoint(f.contentDir + "/images");
    // One alert for the halt, however often the box asks.
    EXPECT_EQ(host.alerts, std::vector<std::string>{"free-space-halt " + mount});
    EXPECT_EQ(host.questions,
              (std::vector<std::string>{
                  "Free space on " + mount + " only 50 MB!\n\nPlease increase to 100 MB",
                  "Free space on " + mount + " only 60 MB!\n\nPlease increase to 100 MB"}));
    EXPECT_EQ(host.haltedWhileAsked, (std::vector<bool>{true, true}));
    EXPECT_FALSE(farm.state.halted);
    std::vector<std::string> lines = logged(f);
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Free space on " + mount + " only 50 MB! Kestrun Halted. "),
              1);
    EXPECT_EQ(farm.state.sceneCount, 2);
}

TEST_F(FreeSpaceTest, CancelEndsTheCheckBeforeTheFolderIsListed) {
    fs.answers = {50 * kMB};
    host.freeSpaceAnswers = {true, false};
    EXPECT_FALSE(checkSceneQueue(farm));
    EXPECT_EQ(host.questions.size(), 2u);
    EXPECT_FALSE(farm.state.halted);
    EXPECT_EQ(farm.state.sceneCount, 1);  // later.lws not taken in
}

TEST_F(FreeSpaceTest, RoomIsComparedInSixtyFourBits) {
    struct Row {
        const char* name;
        int minimum;
        uint64_t free;
        size_t asked;
        int queries;
    };
    const std::vector<Row> rows = {
        {"above 4 GB, low word small", 100, (uint64_t{4} << 30) + 50 * kMB, 0, 1},
        {"exactly the minimum", 100, 100 * kMB, 0, 1},
        {"check off", 0, 0, 0, 0},
        {"below zero counts as off", -5, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        farm.settings.Free_Space_Minimum = row.minimum;
        fs.answers = {row.free};
        fs.queries = 0;
        host.questions.clear();
        EXPECT_TRUE(checkSceneQueue(farm));
        EXPECT_EQ(host.questions.size(), row.asked);
        EXPECT_EQ(fs.queries, row.queries);
    }
}

TEST_F(FreeSpaceTest, NoLiveSceneNoCheck) {
    farm.state.scenes[1].position = 0;
    fs.answers = {0};
    EXPECT_TRUE(checkSceneQueue(farm));
    EXPECT_EQ(fs.queries, 0);
}

}  // namespace

namespace {

// A second scene writing the images of a live one would be complete at once on the first one's
// images: it is refused with a text naming that scene, unless the two ranges share no frame or
// the first one is out of the running.
TEST(SharedImageNames, ASceneWritingTheImagesOfALiveOneIsRefused) {
    struct Case {
        const char* name;
        int first2, last2, step2;
        const char* prefix2;  // under the content folder; the first scene writes "out/shot"
        bool firstComplete;
        bool refused;
    };
    const Case cases[] = {
        {"same images, same range", 1, 10, 1, "out/shot", false, true},
        {"overlapping ranges", 8, 20, 1, "out/shot", false, true},
        {"ranges apart: a shot split in two", 11, 20, 1, "out/shot", false, false},
        {"steps that never meet", 2, 10, 2, "out/shot", false, false},
        {"another image name", 1, 10, 1, "out/other", false, false},
        {"the first one complete", 1, 10, 1, "out/shot", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FarmFixture f;
        FarmState& s = f.farm->state;
        f.addSceneFile("a.lws", sceneText(1, 9, 2, f.contentDir + "/out/shot"));
        ASSERT_TRUE(checkSceneQueue(*f.farm));
        int32_t idA = s.scenes[1].sceneId;
        s.scenes[1].position = c.firstComplete ? 0 : 1;
        f.addSceneFile("b.lws",
                       sceneText(c.first2, c.last2, c.step2, f.contentDir + "/" + c.prefix2));
        ASSERT_TRUE(checkSceneQueue(*f.farm));
        ASSERT_EQ(s.sceneCount, 2);
        const SceneEntry& b = s.scenes[s.scenes[1].sceneId == idA ? 2 : 1];
        EXPECT_EQ(sceneFailed(b), c.refused);
        EXPECT_EQ(textOf(b.outputPath) == "Same image names as a.lws, which is still queued",
                  c.refused)
            << textOf(b.outputPath);
        EXPECT_EQ(b.position == 0, c.refused);
    }
}

}  // namespace
