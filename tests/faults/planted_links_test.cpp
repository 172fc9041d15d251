// Links planted in the shared folders (the queue folder, the command folder, an image folder,
// HasBeenRendered): whatever they point to, the farm neither writes, truncates nor deletes it,
// and never copies it out. Links the operator may make on purpose (a scene linked in from a
// project folder) are read through and moved as links.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/channel.h"
#include "engine/farm_stats.h"
#include "engine/render_again_frames.h"
#include "farm/command_words.h"
#include "fault_support.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"
#include "report/farm_log.h"
#include "settings/settings_file.h"

namespace {

constexpr const char* kPrecious = "precious contents\n";

class PlantedLinks : public ::testing::Test {
  protected:
    FarmFixture f;
    FarmState& s = f.farm->state;
    std::string victim = f.dir.file("home/victim");

    void SetUp() override {
        f.dir.makeDir("home");
        writeText(victim, kPrecious);
        ASSERT_TRUE(loadSettings(*f.farm));
    }
    void plant(const std::string& link, const std::string& target) {
        ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0) << link;
    }
    static bool isLink(const std::string& path) {
        struct stat st;
        return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    }
    void expectVictimWhole() {
        EXPECT_EQ(readText(victim), kPrecious);
        struct stat st;
        ASSERT_EQ(::stat(victim.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0644u) << "the victim's mode changed";
    }
    void queueScene(const std::string& name, const std::string& prefix) {
        f.addSceneFile(name, sceneText(1, 3, 1, prefix));
        ASSERT_TRUE(checkSceneQueue(*f.farm));
    }
};

TEST_F(PlantedLinks, SavePathProbesNeverTruncateOrDeleteAFileTheFarmDidNotMake) {
    std::string renders = f.dir.makeDir("content/Renders");
    plant(renders + "/evil.tmp", victim);
    std::string report = f.dir.makeDir("content/precious") + "/report.tmp";
    writeText(report, "a report");
    queueScene("evil.lws", "Renders/evil");
    queueScene("report.lws", "precious\\report");
    ASSERT_EQ(s.sceneCount, 2);
    for (int k = 1; k <= 2; ++k) {
        EXPECT_EQ(s.scenes[k].problemCount, 0) << textOf(s.scenes[k].outputPath);
    }
    expectVictimWhole();
    EXPECT_TRUE(isLink(renders + "/evil.tmp"));
    EXPECT_EQ(readText(report), "a report");
}

TEST_F(PlantedLinks, TheConfigureProbeLeavesALinkAtItsOldNameAlone) {
    plant(f.queueDir + "/~rf.tmp", victim);
    EXPECT_TRUE(directoryWritable(f.fs, f.queueDir));
    expectVictimWhole();
    EXPECT_TRUE(isLink(f.queueDir + "/~rf.tmp"));
}

TEST_F(PlantedLinks, TheQueueFileReplacesALinkInsteadOfWritingThroughIt) {
    plant(f.queueDir + "/Kestrun.que.tmp", victim);
    queueScene("a.lws", "Renders/a");
    ASSERT_TRUE(saveQueueFile(*f.farm));
    expectVictimWhole();
    std::string queueFile = f.queueDir + "/Kestrun.que";
    ASSERT_EQ(::unlink(queueFile.c_str()), 0);
    plant(queueFile, victim);
    ASSERT_TRUE(saveQueueFile(*f.farm));
    expectVictimWhole();
    EXPECT_FALSE(isLink(queueFile));
    EXPECT_EQ(readQueueFile(queueFile).entries.size(), 1u);
}

// A queue file and a stats file planted as links, or hard links, to private files of the
// operator's: neither is read, so nothing of them is queued, counted or logged, and the next
// saves put files of the farm's own in their place.
TEST_F(PlantedLinks, QueueAndStatsFilesThatAreLinksAreNeverRead) {
    queueScene("secret-name.lws", "Renders/secret");
    f.farm->stats.farm = FrameTimes{3000, 3};
    ASSERT_TRUE(saveQueueFile(*f.farm));
    ASSERT_TRUE(saveFarmStats(*f.farm));
    ASSERT_EQ(::unlink((f.queueDir + "/secret-name.lws").c_str()), 0);
    const std::string queueFile = f.queueDir + "/Kestrun.que";
    const std::string statsFile = statsFilePath(*f.farm);
    const std::string privateQueue = f.dir.file("home/queue");
    const std::string privateStats = f.dir.file("home/stats");
    ASSERT_EQ(::rename(queueFile.c_str(), privateQueue.c_str()), 0);
    ASSERT_EQ(::rename(statsFile.c_str(), privateStats.c_str()), 0);
    const std::string queueBytes = readText(privateQueue);
    const std::string statsText = readText(privateStats);
    for (bool hardLink : {false, true}) {
        SCOPED_TRACE(hardLink ? "hard links" : "symbolic links");
        for (auto [at, target] : {std::pair{queueFile, privateQueue}, {statsFile, privateStats}}) {
            ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
            ::unlink(at.c_str());
            if (hardLink) {
                ASSERT_EQ(::link(target.c_str(), at.c_str()), 0);
            } else {
                plant(at, target);
            }
        }
        loadQueueFile(*f.farm);
        loadFarmStats(*f.farm);
        EXPECT_EQ(s.sceneCount, 0);
        EXPECT_EQ(f.farm->stats.farm.frames, 0u);
        ASSERT_TRUE(saveQueueFile(*f.farm));
        ASSERT_TRUE(saveFarmStats(*f.farm));
        EXPECT_EQ(readText(privateQueue), queueBytes);
        EXPECT_EQ(readText(privateStats), statsText);
        EXPECT_FALSE(isLink(queueFile));
        EXPECT_EQ(readQueueFile(queueFile).entries.size(), 0u);
        EXPECT_EQ(countOf(f.log(), "secret-name"), 1) << "named again after its queueing";
    }
}

// A render-again list planted as a link would make the farm render over images on a stranger's
// say, and its save would write through to the link's target.
TEST_F(PlantedLinks, ARenderAgainListThatIsALinkIsNeitherReadNorWrittenThrough) {
    queueScene("shot.lws", "Renders/shot");
    std::string list =
        "Kestrun.again 1\r\nframes " + std::to_string(s.scenes[1].sceneId) + " 1 3 shot.lws\r\n";
    writeText(victim, list);
    plant(renderAgainFilePath(*f.farm), victim);
    loadRenderAgain(*f.farm);
    EXPECT_FALSE(toRenderAgain(*f.farm, s.scenes[1].sceneId, 2));
    EXPECT_TRUE(saveRenderAgain(*f.farm));
    EXPECT_EQ(readText(victim), list);
}

TEST_F(PlantedLinks, ALogFileLinkIsNeitherAppendedToNorClearedNorShown) {
    std::string log = f.queueDir + "/Logfile.txt";
    plant(log, victim);
    logLine(*f.farm, "a line that must go nowhere");
    clearLog(*f.farm);
    expectVictimWhole();
    EXPECT_EQ(readLogTail(*f.farm), std::nullopt) << "the pane would show the link's target";
    EXPECT_TRUE(isLink(log));
}

TEST_F(PlantedLinks, AJobFileLinkIsNotWrittenThroughAndAnAckLinkIsNoAnswer) {
    plant(f.commandDir + "/job1", victim);
    sendCommand(*f.farm, 1, words::kWait);
    expectVictimWhole();
    writeText(victim, "Ready");
    plant(f.commandDir + "/ack2", victim);
    EXPECT_FALSE(readAck(*f.farm, 2).present);
}

// The command folder swapped for a link to a folder of documents, at its own level or at the
// level above it: a channel reset (as when the folder "is back") deletes and writes nothing
// there. A folder made again at the path is reset as before.
TEST_F(PlantedLinks, AChannelResetNeverFollowsALinkSwappedInForTheCommandFolder) {
    for (std::string swapped : {"share/command", "share"}) {
        SCOPED_TRACE(swapped);
        FarmFixture g;
        g.dir.makeDir("share/command");
        ASSERT_TRUE(loadSettings(*g.farm));
        g.farm->settings.Screamer_Command_Dir = g.dir.file("share/command");
        resetChannelNoTrail(*g.farm);
        ASSERT_EQ(readText(g.dir.file("share/command/job1")), "init");

        std::string docs = g.dir.makeDir("home/documents/command");
        const std::vector<std::string> mine{"ack.doc", "job offer.txt", "Jobs.txt", "job1"};
        for (const std::string& name : mine) {
            writeText(docs + "/" + name, "mine");
        }
        std::string target = swapped == "share" ? g.dir.file("home/documents") : docs;
        ASSERT_EQ(::rename(g.dir.file(swapped).c_str(), g.dir.file("old").c_str()), 0);
        ASSERT_EQ(::symlink(target.c_str(), g.dir.file(swapped).c_str()), 0);
        resetChannelNoTrail(*g.farm);
        for (const std::string& name : mine) {
            EXPECT_EQ(readText(docs + "/" + name), "mine") << name;
        }
        EXPECT_FALSE(fileExists(docs + "/job2"));
        EXPECT_EQ(countOf(g.log(), "ScreamerNet command directory now leads elsewhere"), 1);

        ASSERT_EQ(::unlink(g.dir.file(swapped).c_str()), 0);
        g.dir.makeDir("share/command");
        writeText(g.dir.file("share/command/ack1"), "Ready");
        resetChannelNoTrail(*g.farm);
        EXPECT_FALSE(fileExists(g.dir.file("share/command/ack1")));
        EXPECT_EQ(readText(g.dir.file("share/command/job3")), "init");
    }
}

TEST_F(PlantedLinks, TidyMovesAPrivateFilesLinkAsALinkAndCopiesNothingOutOfIt) {
    ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
    plant(f.queueDir + "/key.lws", victim);
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    ASSERT_EQ(s.sceneCount, 1);
    EXPECT_TRUE(tidyScene(*f.farm, 1));
    std::string moved = f.queueDir + "/HasBeenRendered/key.lws";
    EXPECT_TRUE(isLink(moved)) << "the scene was copied instead of moved";
    EXPECT_FALSE(fileExists(f.queueDir + "/key.lws"));
    EXPECT_EQ(readText(victim), kPrecious);
    if (!runningAsRoot()) {
        GTEST_SKIP() << "who may read the moved entry is tried as root only (it runs as nobody)";
    }
    openToEveryone(f.dir.path());
    ChildProcess cat(kSetpriv, asNobody("/bin/cat", {moved}), f.dir.file("cat.out"));
    EXPECT_NE(cat.wait(10000), 0) << "nobody could read the private file through HasBeenRendered";
    EXPECT_EQ(readText(f.dir.file("cat.out")).find(kPrecious), std::string::npos);
}

TEST_F(PlantedLinks, TidyReplacesALinkInHasBeenRenderedAndRefusesAFolderThatIsALink) {
    queueScene("done.lws", "Renders/done");
    f.dir.makeDir("queue/HasBeenRendered");
    plant(f.queueDir + "/HasBeenRendered/done.lws", victim);
    EXPECT_TRUE(tidyScene(*f.farm, 1));
    expectVictimWhole();
    EXPECT_FALSE(isLink(f.queueDir + "/HasBeenRendered/done.lws"));
    EXPECT_NE(readText(f.queueDir + "/HasBeenRendered/done.lws").find("LWSC"), std::string::npos);

    FarmFixture g;
    std::string elsewhere = g.dir.makeDir("project");
    writeText(elsewhere + "/shot.lws", "the project's own scene");
    g.addSceneFile("shot.lws", sceneText(1, 2, 1, "Renders/shot"));
    ASSERT_EQ(::symlink(elsewhere.c_str(), (g.queueDir + "/HasBeenRendered").c_str()), 0);
    ASSERT_TRUE(loadSettings(*g.farm));
    ASSERT_TRUE(checkSceneQueue(*g.farm));
    EXPECT_FALSE(tidyScene(*g.farm, 1));
    EXPECT_EQ(g.host.errors, std::vector<std::string>{"Couldn't tidy scene files"});
    EXPECT_EQ(readText(elsewhere + "/shot.lws"), "the project's own scene");
    EXPECT_TRUE(fileExists(g.queueDir + "/shot.lws"));
}

TEST_F(PlantedLinks, ASceneLinkedInFromAProjectIsReadThroughAndItsTargetNeverMoves) {
    std::string project = f.dir.makeDir("project") + "/shot.lws";
    writeText(project, sceneText(4, 9, 1, "Renders/linked"));
    plant(f.queueDir + "/shot.lws", project);
    ASSERT_TRUE(checkSceneQueue(*f.farm));
    ASSERT_EQ(s.sceneCount, 1);
    EXPECT_EQ(s.scenes[1].problemCount, 0) << textOf(s.scenes[1].outputPath);
    EXPECT_EQ(s.scenes[1].firstFrame, 4);
    EXPECT_EQ(s.scenes[1].lastFrame, 9);
    EXPECT_TRUE(tidyScene(*f.farm, 1));
    EXPECT_TRUE(isLink(f.queueDir + "/HasBeenRendered/shot.lws"));
    EXPECT_EQ(readText(project), sceneText(4, 9, 1, "Renders/linked"));
}

}  // namespace
