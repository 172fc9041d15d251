// Saves of the operator's settings file and of the queue file: the settings file's link, mode,
// owner and other names are kept; a queue folder the farm may not write to (while Kestrun.que
// is writable) still gets every save, in place; a save that fails is logged once until it works
// again and shown; and a read-only image folder does not fail its scene.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fault_support.h"
#include "platform/fixed_text.h"
#include "queue/queue_dir.h"
#include "queue/queue_file.h"
#include "settings/settings_file.h"

namespace {

struct stat statOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

bool isLink(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(OperatorSaves, ALinkedSettingsFileKeepsItsLinkAndItsTargetsMode) {
    FarmFixture f;
    std::string target = f.dir.makeDir("dotfiles") + "/Kestrun.ini";
    ASSERT_EQ(::rename(f.settingsFile.c_str(), target.c_str()), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("dotfiles/Kestrun.ini", f.settingsFile.c_str()), 0);
    ASSERT_TRUE(loadSettings(*f.farm));
    f.farm->settings.Cycle_time = 7;
    saveSettings(*f.farm, false);

    EXPECT_TRUE(isLink(f.settingsFile)) << "the link was replaced by a plain file";
    EXPECT_NE(readText(target).find("Cycle_time=7"), std::string::npos);
    EXPECT_EQ(statOf(target).st_mode & 0777, 0600u);
    EXPECT_TRUE(f.host.errors.empty());
}

TEST(OperatorSaves, ASettingsFileWithAnotherNameKeepsBothNamesInStep) {
    FarmFixture f;
    std::string other = f.dir.file("Kestrun.ini.shared");
    ASSERT_EQ(::link(f.settingsFile.c_str(), other.c_str()), 0);
    ASSERT_TRUE(loadSettings(*f.farm));
    f.farm->settings.Cycle_time = 9;
    saveSettings(*f.farm, false);
    EXPECT_NE(readText(other).find("Cycle_time=9"), std::string::npos);
    EXPECT_EQ(statOf(other).st_ino, statOf(f.settingsFile).st_ino);
}

TEST(OperatorSaves, ASettingsFileOfAnotherOwnerKeepsItsOwner) {
    if (!runningAsRoot()) {
        GTEST_SKIP() << "giving the file to another owner needs root";
    }
    FarmFixture f;
    ASSERT_TRUE(giveToNobody(f.settingsFile));
    ASSERT_EQ(::chmod(f.settingsFile.c_str(), 0640), 0);
    ASSERT_TRUE(loadSettings(*f.farm));
    saveSettings(*f.farm, false);
    struct stat st = statOf(f.settingsFile);
    EXPECT_EQ(st.st_uid, ::getpwnam("nobody")->pw_uid);
    EXPECT_EQ(st.st_gid, ::getgrnam("nogroup")->gr_gid);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(OperatorSaves, AFailedQueueSaveIsLoggedAndShownOnceUntilASaveWorksAgain) {
    FarmFixture f;
    ASSERT_TRUE(loadSettings(*f.farm));
    std::string queueFile = f.farm->state.queueFilePath;
    f.dir.makeDir("queue/Kestrun.que");  // a folder where the file should be
    EXPECT_FALSE(saveQueueFile(*f.farm));
    EXPECT_FALSE(saveQueueFile(*f.farm));
    EXPECT_EQ(f.host.errors.size(), 1u);
    ASSERT_EQ(::rmdir(queueFile.c_str()), 0);
    EXPECT_TRUE(saveQueueFile(*f.farm));
    f.dir.makeDir("queue/Kestrun.que.x");
    ASSERT_EQ(::rename(queueFile.c_str(), (queueFile + ".y").c_str()), 0);
    ASSERT_EQ(::rename((queueFile + ".x").c_str(), queueFile.c_str()), 0);
    EXPECT_FALSE(saveQueueFile(*f.farm));

    std::string log = readText(f.farm->state.logFilePath);
    EXPECT_EQ(countOf(log, "Queue file cannot be saved: " + queueFile + " (Is a directory)"), 2)
        << log;
    ASSERT_EQ(f.host.errors.size(), 2u);
    EXPECT_EQ(f.host.errors[0], "Couldn't save the queue file " + queueFile + ": Is a directory");
}

TEST(OperatorSaves, AFailedSettingsSaveIsShownEveryTimeTheOperatorSaves) {
    FarmFixture f;
    ASSERT_TRUE(loadSettings(*f.farm));
    ASSERT_EQ(::unlink(f.settingsFile.c_str()), 0);
    f.dir.makeDir("Kestrun.ini");
    saveSettings(*f.farm, false);
    saveSettings(*f.farm, false);
    EXPECT_EQ(f.host.errors.size(), 2u);
    EXPECT_EQ(countOf(readText(f.farm->state.logFilePath), "Settings file cannot be saved:"), 1);
}

// A farm run as nobody: the queue folder belongs to root (nobody may not make a file there),
// while Kestrun.que and Logfile.txt are nobody's; the image folder belongs to root too, as on a
// read-only mount of the render share.
TEST(OperatorSaves, AnUnwritableQueueFolderGetsEverySaveInPlaceAndAReadOnlyImageFolderIsFine) {
    if (!runningAsRoot()) {
        GTEST_SKIP() << "running the farm as nobody needs root";
    }
    ScenarioFarm f;
    FarmFixture& x = f.fixture;
    x.addSceneFile("shot.lws", sceneText(1, 4, 1, "Renders/shot"));
    x.dir.makeDir("content/Renders");
    const std::string queueFile = x.queueDir + "/Kestrun.que";
    const std::string log = x.queueDir + "/Logfile.txt";
    writeText(queueFile, std::string(4, '\0'));
    writeText(log, "");
    openToEveryone(x.dir.path());
    ASSERT_TRUE(giveToNobody(x.commandDir));
    ASSERT_TRUE(giveToNobody(queueFile));
    ASSERT_TRUE(giveToNobody(log));

    ChildProcess farm(
        kSetpriv,
        asNobody(binaryPath("kestrun-headless"), {"--max-ticks", "8", "--cycle-ms", "20"}),
        f.outputFile, {"XDG_CONFIG_HOME=" + x.dir.path()}, x.dir.path());
    ASSERT_EQ(farm.wait(60000), 0) << f.output();

    QueueFile q = f.queue();
    ASSERT_EQ(q.entries.size(), 1u) << f.output();
    EXPECT_EQ(q.entries[0].problemCount, 0) << textOf(q.entries[0].outputPath);
    EXPECT_EQ(textOf(q.entries[0].outputPath), x.contentDir + "/Renders/shot0000.TGA");
    EXPECT_EQ(q.runningFlag, 0) << "the Quit save was lost";
    std::string text = readText(log);
    EXPECT_EQ(countOf(text, "Queue file saved in place, not through a temporary file: " +
                                queueFile + " (Permission denied)"),
              1)
        << text;
    EXPECT_EQ(countOf(text, "cannot be saved"), 0) << text;
}

}  // namespace
