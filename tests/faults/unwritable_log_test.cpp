// A farm run as the unprivileged user nobody, so that file permissions bind it: its log file
// belongs to root and cannot be written, and one scene file cannot be read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fault_support.h"
#include "platform/fixed_text.h"

TEST(UnwritableLog, TheFarmRendersOnAndEveryLostLineIsToldOnStandardError) {
    if (!runningAsRoot()) {
        GTEST_SKIP() << "running the farm as nobody needs root";
    }
    FarmFixtureOptions options;
    options.nodes = 2;
    ScenarioFarm f(options);
    f.fixture.addSceneFile("shot.lws", sceneText(1, 6, 1, "Renders/shot"));
    openToEveryone(f.fixture.dir.path());
    for (const std::string& dir :
         {f.fixture.queueDir, f.fixture.commandDir, f.fixture.contentDir}) {
        ASSERT_TRUE(giveToNobody(dir)) << dir;
    }
    const std::string log = f.fixture.queueDir + "/Logfile.txt";
    writeText(log, "");
    const std::string secret = f.fixture.addSceneFile("secret.lws", sceneText(1, 2, 1, "R/s"));
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    f.startNodes(2);

    ChildProcess farm(
        kSetpriv,
        asNobody(binaryPath("kestrun-headless"), {"--go", "--until-done", "--cycle-ms", "50"}),
        f.outputFile, {"XDG_CONFIG_HOME=" + f.fixture.dir.path()}, f.fixture.dir.path());
    // The unreadable scene failed: --until-done says so in its exit status and last line.
    ASSERT_EQ(farm.wait(90000), 4) << f.output();
    EXPECT_NE(f.output().find("Failed scenes: secret.lws\n"), std::string::npos);

    EXPECT_TRUE(allRendered(f, "shot", 1, 6));
    EXPECT_EQ(readText(log), "");
    std::string output = f.output();
    EXPECT_GE(countOf(output, log + ": Permission denied"), 4) << output;
    QueueFile q = f.queue();
    ASSERT_EQ(q.entries.size(), 2u);
    EXPECT_EQ(q.runningFlag, 0);
    for (const SceneEntry& e : q.entries) {
        EXPECT_EQ(e.position, 0) << textOf(e.fileName);
        if (textOf(e.fileName) == "secret.lws") {
            EXPECT_EQ(textOf(e.outputPath), "Unable to read scene file!");
        }
    }
}
