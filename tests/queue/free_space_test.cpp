// The free-space halt: the queue check asks the operator while the disk receiving the head
// scene's images has too little room, and the farm stays halted while the box is open.
#include "queue/free_space.h"

#include <gtest/gtest.h>

#include "queue/queue_dir.h"
#include "tests/support/farm_fixture.h"
#include "tests/support/free_space_file_system.h"
#include "tests/support/recording_host.h"

namespace {

constexpr uint64_t kMB = 1048576;

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
    std::vector<std::string> lines = f.loggedMessages();
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
