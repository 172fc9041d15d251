// The queue folder's disk fills up while a farm renders: a save of the queue file fails without
// touching the file already there, the farm renders on, and once there is room again the next
// save goes through.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/farm_cycle.h"
#include "engine/operator_commands.h"
#include "farm/scene_record.h"
#include "fault_support.h"
#include "platform/fixed_text.h"
#include "queue/queue_file.h"

namespace {

FarmFixtureOptions nodes(int n) {
    FarmFixtureOptions o;
    o.nodes = n;
    return o;
}

int framesPresent(const Farm& farm, int entry) {
    const SceneEntry& e = farm.state.scenes[entry];
    return static_cast<int>(
        std::count(std::begin(e.frameMap), std::end(e.frameMap), kFramePresent));
}

}  // namespace

TEST(DiskFull, TheQueueFileStaysWholeWhileItsDiskIsFullAndIsSavedOnceThereIsRoom) {
    if (!runningAsRoot()) {
        GTEST_SKIP() << "mounting a small disk over the queue folder needs root";
    }
    ScenarioFarm f(nodes(2));
    TmpfsMount disk(f.fixture.queueDir, "256k");
    ASSERT_TRUE(disk.mounted()) << disk.error();
    f.fixture.addSceneFile("a.lws", sceneText(1, 10, 1, "Renders/a"));
    f.fixture.addSceneFile("b.lws", sceneText(1, 10, 1, "Renders/b"));
    f.startNodes(2);
    LiveFarm live(f);
    pressGo(live.farm);
    ASSERT_TRUE(startFarm(live.farm));
    ASSERT_TRUE(live.tickUntil([&] { return framesPresent(live.farm, 1) >= 2; }, 1200));

    const std::string queueFile = f.fixture.queueDir + "/Kestrun.que";
    ASSERT_TRUE(saveQueueFile(live.farm));
    const std::string before = readText(queueFile);
    ASSERT_EQ(before.size(), 4 + 2 * scene_record::kSize);
    const std::string filler = f.fixture.queueDir + "/filler";
    ASSERT_GT(fillFileSystem(filler), 0u);

    EXPECT_FALSE(saveQueueFile(live.farm));
    EXPECT_EQ(readText(queueFile), before);
    std::vector<DirEntry> entries;
    ASSERT_TRUE(live.farm.fs.listDirectory(f.fixture.queueDir, entries));
    for (const DirEntry& entry : entries) {
        EXPECT_FALSE(entry.name.starts_with("Kestrun.que.")) << entry.name << " left behind";
    }
    int presentWhenFull = framesPresent(live.farm, 1) + framesPresent(live.farm, 2);
    ASSERT_TRUE(live.tickUntil(
        [&] {
            return framesPresent(live.farm, 1) + framesPresent(live.farm, 2) >= presentWhenFull + 3;
        },
        1200))
        << "the farm stopped rendering while the queue folder's disk was full";
    EXPECT_EQ(readText(queueFile), before);

    std::filesystem::remove(filler);
    ASSERT_TRUE(live.tickUntil(
        [&] {
            return live.farm.state.scenes[1].position == 0 &&
                   live.farm.state.scenes[2].position == 0;
        },
        2400));
    quitFarm(live.farm);
    QueueFile q = f.queue();
    ASSERT_EQ(q.entries.size(), 2u);
    EXPECT_EQ(q.runningFlag, 0);
    for (const SceneEntry& e : q.entries) {
        EXPECT_EQ(e.position, 0) << textOf(e.fileName);
        EXPECT_EQ(std::count(std::begin(e.frameMap), std::end(e.frameMap), kFrameInHand), 0);
    }
    EXPECT_TRUE(allRendered(f, "a", 1, 10) && allRendered(f, "b", 1, 10));
}
