// The farm cycle: start-up order, the rhythm of the ticks and the Quit steps, against real
// folders and a host that records what it was asked.
#include "engine/farm_cycle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/operator_commands.h"
#include "farm/command_words.h"
#include "farm/scene_record.h"
#include "platform/fixed_text.h"
#include "platform/posix_file_system.h"
#include "sim/node_files.h"
#include "tests/support/farm_fixture.h"
#include "tests/support/free_space_file_system.h"

namespace {

int count(const RecordingHost& h, const std::string& call) {
    return h.count(call);
}

const std::string kPoll = "status:Checking nodes";
const std::string kCheck = "status:Checking scene-queue directory.";

std::string queueHead(const FarmFixture& f) {
    return readText(f.queueDir + "/Kestrun.que").substr(0, 4);
}

void tickUntilCount(Farm& farm, int tickCount) {
    while (farm.state.tickCount <= tickCount) {
        farmTick(farm);
    }
}

}  // namespace

TEST(FarmCycle, TheFirstTickPollsTwiceAndChecksTheQueueOnce) {
    FarmFixture f;
    ASSERT_TRUE(startFarm(*f.farm));
    EXPECT_EQ(count(f.host, kPoll), 2 * 5);
    EXPECT_EQ(count(f.host, kCheck), 1 + 1);  // the start-up check and the first tick's
    EXPECT_EQ(f.farm->state.tickCount, 1);
    EXPECT_EQ(count(f.host, "farmList"), 1);
    EXPECT_EQ(count(f.host, "queueList"), 1);
    EXPECT_EQ(queueHead(f), std::string(4, '\xFF'));
}

TEST(FarmCycle, AHaltedTickDoesNothingAndTheRhythmResumesWhereItStopped) {
    FarmFixture f;
    ASSERT_TRUE(startFarm(*f.farm));
    f.farm->state.halted = true;
    size_t before = f.host.calls.size();
    for (int i = 0; i < 5; ++i) {
        farmTick(*f.farm);
    }
    EXPECT_EQ(f.host.calls.size(), before);
    EXPECT_EQ(f.farm->state.tickCount, 1);
    f.farm->state.halted = false;
    farmTick(*f.farm);  // tick count 1: no poll is due, nothing made progress
    farmTick(*f.farm);
    farmTick(*f.farm);
    EXPECT_EQ(count(f.host, kCheck), 2);
    farmTick(*f.farm);  // tick count 4
    EXPECT_EQ(count(f.host, kCheck), 3);
}

TEST(FarmCycle, QuietPeriodsScanOneUnscannedSceneAtTickCounts8_20And32) {
    FarmFixture f;
    for (const char* name : {"a.lws", "b.lws", "c.lws"}) {
        f.addSceneFile(name, sceneText(1, 3, 1, std::string("Renders/") + name[0]));
    }
    ASSERT_TRUE(startFarm(*f.farm));
    FarmState& s = f.farm->state;
    ASSERT_EQ(s.sceneCount, 3);
    auto scanned = [&] {
        int n = 0;
        for (int k = 1; k <= 3; ++k) {
            n += s.scenes[k].frameMap[1] != kFrameNotScanned;
        }
        return n;
    };
    tickUntilCount(*f.farm, 7);
    EXPECT_EQ(scanned(), 0);
    tickUntilCount(*f.farm, 8);
    EXPECT_EQ(scanned(), 1);
    tickUntilCount(*f.farm, 19);
    EXPECT_EQ(scanned(), 1);
    tickUntilCount(*f.farm, 20);
    EXPECT_EQ(scanned(), 2);
    tickUntilCount(*f.farm, 32);
    EXPECT_EQ(scanned(), 3);
}

TEST(FarmCycle, AFarmThatCannotReadLwCfgIsNeverOpened) {
    FarmFixtureOptions o;
    o.writeLwCfg = false;
    FarmFixture f(o);
    EXPECT_FALSE(startFarm(*f.farm));
    EXPECT_EQ(f.host.notConfigured, 1);
    EXPECT_EQ(f.host.quitPosts, 1);
    quitFarm(*f.farm);
    EXPECT_FALSE(fileExists(f.queueDir + "/Logfile.txt"));
    EXPECT_FALSE(fileExists(f.queueDir + "/Kestrun.que"));
    EXPECT_FALSE(fileExists(f.commandDir + "/job1"));
}

TEST(FarmCycle, NoToTheAlreadyRunningQuestionLeavesTheFarmAsItWas) {
    FarmFixture f;
    writeText(f.queueDir + "/Kestrun.que", std::string(4, '\xFF'));
    writeText(f.commandDir + "/job1", "render 3 3 1");
    f.host.alreadyRunningAnswers = {false};
    EXPECT_FALSE(startFarm(*f.farm));
    EXPECT_TRUE(f.farm->state.alreadyRunning);
    EXPECT_EQ(f.host.quitPosts, 1);
    EXPECT_EQ(queueHead(f), std::string(4, '\xFF'));
    EXPECT_EQ(readText(f.commandDir + "/job1"), "render 3 3 1");
    EXPECT_NE(f.host.questions.at(0).find("KESTRUN.QUE shows that Kestrun is already Running"),
              std::string::npos);
}

TEST(FarmCycle, YesResumesAndHandsBackFramesLeftInHand) {
    FarmFixture f;
    std::string path = f.addSceneFile("shot.lws", sceneText(1, 4, 1, "Renders/shot"));
    // A queue file left by a farm that was killed while frames 2 and 3 were in hand.
    SceneEntry e;
    e.position = 1;
    copyText(e.fileName, "shot.lws");
    e.firstFrame = 1;
    e.lastFrame = 4;
    e.frameStep = 1;
    e.frameMap[1] = kFramePresent;
    e.frameMap[2] = kFrameInHand;
    e.frameMap[3] = kFrameInHand;
    e.frameMap[4] = kFrameMissing;
    PosixFileSystem fs;
    ASSERT_TRUE(fs.fileTime(path, e.fileTime));
    copyText(e.outputPath, f.contentDir + "/Renders/shot0000.TGA");
    std::string bytes(4, '\xFF');
    bytes.resize(4 + scene_record::kSize);
    encodeSceneEntry(e, reinterpret_cast<unsigned char*>(bytes.data()) + 4);
    writeText(f.queueDir + "/Kestrun.que", bytes);

    f.host.alreadyRunningAnswers = {true};
    ASSERT_TRUE(startFarm(*f.farm));
    const SceneEntry& loaded = f.farm->state.scenes[1];
    EXPECT_EQ(loaded.frameMap[1], kFramePresent);
    EXPECT_EQ(loaded.frameMap[2], kFrameNotScanned);
    EXPECT_EQ(loaded.frameMap[3], kFrameNotScanned);
    EXPECT_EQ(readText(f.commandDir + "/job1"), "init");
}

TEST(FarmCycle, QuitRetiresEveryNodeAndRecordsThatTheFarmStopped) {
    FarmFixture f;
    ASSERT_TRUE(startFarm(*f.farm));
    quitFarm(*f.farm);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(f.job(n), "wait");
        EXPECT_EQ(f.farm->state.nodes[n].state, Retired);
    }
    EXPECT_EQ(queueHead(f), std::string(4, '\0'));
    std::string log = f.log();
    EXPECT_NE(log.find("********* Quitted Kestrun!*********** \r\n"), std::string::npos);
    quitFarm(*f.farm);  // a second quit (a signal during exit) changes nothing
    std::string again = f.log();
    EXPECT_EQ(again, log);
}

TEST(FarmCycle, CancelAtAFreeSpaceHaltDuringATickAsksToQuit) {
    FarmFixtureOptions o;
    o.freeSpaceMinimum = 100;
    FarmFixture f(o);
    f.addSceneFile("shot.lws", sceneText(1, 4, 1, "Renders/shot"));
    FreeSpaceFileSystem disk;
    disk.answers = {1048576};  // 1 MB free
    Farm farm(f.host, disk, f.clock, f.settingsFile);
    // The start-up check finds no head scene yet (the queue is empty until it adds one); the
    // first tick's check halts on it.
    f.host.freeSpaceAnswers = {false};
    ASSERT_TRUE(startFarm(farm));
    EXPECT_EQ(f.host.count("freeSpace"), 1);
    EXPECT_EQ(f.host.quitPosts, 1);
    EXPECT_FALSE(farm.state.halted);
}

// Thirty idle nodes answering "Ready" while every frame of the one live scene is in hand: each
// asks for a frame at every pass, and the refill behind it saves only what changed.
TEST(FarmCycle, IdleNodesWithNothingToTakeDoNotRewriteTheQueueFile) {
    FarmFixtureOptions options;
    options.nodes = 30;
    FarmFixture f(options);
    f.addSceneFile("shot.lws", sceneText(1, 3, 1, "Renders/shot"));
    pressGo(*f.farm);
    ASSERT_TRUE(startFarm(*f.farm));
    FarmState& s = f.farm->state;
    ASSERT_EQ(s.sceneCount, 1);
    std::fill(s.scenes[1].frameMap + 1, s.scenes[1].frameMap + 4, kFrameInHand);
    for (int n = 1; n <= 30; ++n) {
        s.nodes[n].state = Ready;
        f.writeAck(n, "Ready");
    }
    f.fs.resetCounters();
    for (int tick = 0; tick < 12; ++tick) {
        farmTick(*f.farm);
    }
    EXPECT_LE(f.fs.counters.renames, 3u);
    EXPECT_EQ(s.scenes[1].position, 1);
}

// A restart with nothing changed on disk gives back the queue file byte for byte: failure texts
// of scenes that failed before their frame range was read, counts and frame states included.
TEST(FarmCycle, ARestartLeavesTheQueueFileAsItWas) {
    FarmFixture f;
    std::string noPrefix = sceneText(1, 4, 1, "Renders/x");
    noPrefix.erase(noPrefix.find("SaveRGBImagesPrefix"), std::string("SaveRGBImagesPrefix").size());
    f.addSceneFile("no_prefix.lws", noPrefix);
    f.addSceneFile("windows.lws", sceneText(1, 4, 1, "E:\\Renders\\w"));
    f.addSceneFile("good.lws", sceneText(1, 4, 1, "Renders/good"));
    sim::writeFrameImage(f.dir.makeDir("content/Renders") + "/good0002.TGA", 2);
    ASSERT_TRUE(startFarm(*f.farm));
    tickUntilCount(*f.farm, 12);  // the quiet-time scan has looked at the good scene
    quitFarm(*f.farm);
    std::string first = readText(f.queueDir + "/Kestrun.que");
    ASSERT_EQ(first.size(), 4u + 3 * scene_record::kSize);
    EXPECT_NE(first.find("Unable to find SaveRGBBImagesPrefix!"), std::string::npos);
    EXPECT_NE(first.find("No path mapping for E:\\"), std::string::npos);

    Farm again(f.host, f.fs, f.clock, f.settingsFile);
    ASSERT_TRUE(startFarm(again));
    tickUntilCount(again, 12);
    quitFarm(again);
    EXPECT_EQ(readText(f.queueDir + "/Kestrun.que"), first);
}

// The command folder drops out while nodes 1 and 2 render frames 2 and 3, then comes back as it
// was or made again empty. Answers written meanwhile are lost, so once the folder is back every
// node starts again from "init" and the frames they held go back to be handed out: a frame left
// in hand would never be rendered again and its scene would never complete.
TEST(FarmCycle, TheFramesInHandGoBackWhenTheCommandFolderReturns) {
    for (bool madeAgainEmpty : {false, true}) {
        SCOPED_TRACE(madeAgainEmpty ? "made again empty" : "as it was");
        FarmFixture f;
        f.addSceneFile("shot.lws", sceneText(1, 4, 1, "Renders/shot"));
        ASSERT_TRUE(startFarm(*f.farm));
        FarmState& s = f.farm->state;
        ASSERT_EQ(s.sceneCount, 1);
        for (int n : {1, 2}) {
            int frame = n + 1;
            s.scenes[1].frameMap[frame] = kFrameInHand;
            s.nodes[n].state = Rendering;
            s.nodes[n].sceneId = s.scenes[1].sceneId;
            s.nodes[n].frame = frame;
            writeText(f.commandDir + "/job" + std::to_string(n), words::renderCommand(frame));
            f.writeAck(n, "Rendering frame " + std::to_string(frame));
        }
        auto tickToTheNextFolderWatch = [&] {
            for (int i = 0; i < 4; ++i) {
                farmTick(*f.farm);
            }
        };
        std::filesystem::rename(f.commandDir, f.commandDir + ".away");
        tickToTheNextFolderWatch();
        ASSERT_EQ(countOf(f.log(), "ScreamerNet command directory cannot be found"), 1);
        EXPECT_EQ(s.scenes[1].frameMap[2], kFrameInHand);  // nothing moves while it is away

        if (madeAgainEmpty) {
            std::filesystem::create_directory(f.commandDir);
        } else {
            std::filesystem::rename(f.commandDir + ".away", f.commandDir);
        }
        tickToTheNextFolderWatch();
        EXPECT_EQ(countOf(f.log(), "ScreamerNet command directory is back"), 1);
        for (int frame : {2, 3}) {
            EXPECT_NE(s.scenes[1].frameMap[frame], kFrameInHand) << "frame " << frame;
        }
        for (int n = 1; n <= 3; ++n) {
            EXPECT_EQ(f.job(n), "init") << "node " << n;
            EXPECT_FALSE(fileExists(f.commandDir + "/ack" + std::to_string(n))) << "node " << n;
        }
    }
}
