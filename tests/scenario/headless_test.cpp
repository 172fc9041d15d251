// kestrun-headless as an operator or a script runs it: start-up, the already-running question,
// the Quit steps, and the queue folder watched while it runs.
#include <gtest/gtest.h>
#include <signal.h>

#include "platform/fixed_text.h"
#include "scenario_support.h"

namespace {
const std::vector<std::string> kShortRun{"--max-ticks", "3", "--cycle-ms", "50"};
}

TEST(Headless, FirstStartWritesDefaultSettingsAndStopsNotConfigured) {
    TempDir home;
    std::string out = home.file("out.txt");
    ChildProcess p(binaryPath("kestrun-headless"), kShortRun, out,
                   {"XDG_CONFIG_HOME=" + home.path()}, home.path());
    EXPECT_EQ(p.wait(30000), 2);
    std::string ini = readText(home.file("Kestrun.ini"));
    EXPECT_NE(ini.find("[Config_Dir]"), std::string::npos);
    EXPECT_NE(readText(out).find("is not configured"), std::string::npos);
    // Nothing of a farm was written: no log, no queue file, no job file anywhere near.
    EXPECT_FALSE(fileExists(home.file("\\/Logfile.txt")));
    EXPECT_FALSE(fileExists(home.file("\\/Kestrun.que")));
    EXPECT_FALSE(fileExists(home.file("\\/job1")));
}

TEST(Headless, AShortRunOpensTheFarmAndEndsWithTheQuitSteps) {
    ScenarioFarm f;
    ASSERT_EQ(f.runHeadless(kShortRun, 30000), 0) << f.output();
    std::string log = f.log();
    EXPECT_EQ(log.find("********* Started Kestrun!***********"), 15u) << log;
    EXPECT_NE(log.rfind("********* Quitted Kestrun!*********** \r\n"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(f.job(n), "wait") << n;
    }
    QueueFile q = f.queue();
    ASSERT_TRUE(q.read);
    EXPECT_EQ(q.runningFlag, 0);
    EXPECT_NE(f.output().find("********* Quitted Kestrun!"), std::string::npos);
}

// A service's journal holds the log lines and the summary; the status texts, a few every
// cycle, only when asked for.
TEST(Headless, StatusTextsArePrintedOnlyWithVerbose) {
    struct Case {
        bool verbose;
        bool statusPrinted;
    };
    for (Case c : {Case{false, false}, Case{true, true}}) {
        SCOPED_TRACE(c.verbose);
        ScenarioFarm f;
        std::vector<std::string> args = kShortRun;
        if (c.verbose) {
            args.push_back("--verbose");
        }
        ASSERT_EQ(f.runHeadless(args, 30000), 0) << f.output();
        EXPECT_EQ(f.output().find("status: Checking nodes") != std::string::npos, c.statusPrinted)
            << f.output();
        EXPECT_NE(f.output().find("********* Started Kestrun!"), std::string::npos);
        EXPECT_NE(f.output().find("Frames "), std::string::npos) << f.output();  // the summary
    }
}

TEST(Headless, GoAtStartIsLoggedInTheFarmsLogAfterItsStart) {
    ScenarioFarm f;
    ASSERT_EQ(f.runHeadless({"--go", "--max-ticks", "3", "--cycle-ms", "50"}, 30000), 0);
    std::string log = f.log();
    size_t started = log.find("Started Kestrun!");
    EXPECT_NE(started, std::string::npos) << log;
    EXPECT_GT(log.find("Operator: GO !"), started) << log;
    EXPECT_EQ(f.output().find("No such file"), std::string::npos) << f.output();
}

TEST(Headless, AFarmKilledWhileRunningIsReportedAtTheNextStart) {
    ScenarioFarm f;
    auto running = f.startHeadless({"--cycle-ms", "50"});
    ASSERT_TRUE(waitFor([&] { return f.queue().runningFlag == -1; }, 20000));
    running->kill(SIGKILL);
    running->wait(5000);

    EXPECT_EQ(f.runHeadless(kShortRun, 30000), 3);
    EXPECT_NE(f.output().find("KESTRUN.QUE shows that Kestrun is already Running"),
              std::string::npos);
    EXPECT_NE(f.output().find("start again with --yes"), std::string::npos) << f.output();
    EXPECT_EQ(f.queue().runningFlag, -1);

    EXPECT_EQ(f.runHeadless({"--yes", "--max-ticks", "3", "--cycle-ms", "50"}, 30000), 0);
    EXPECT_EQ(f.queue().runningFlag, 0);
    EXPECT_EQ(countOf(f.log(), "Started Kestrun!"), 3);
    EXPECT_EQ(countOf(f.log(), "Quitted Kestrun!"), 1);
}

TEST(Headless, SigtermEndsTheRunThroughTheQuitSteps) {
    ScenarioFarm f;
    auto running = f.startHeadless({"--cycle-ms", "50"});
    ASSERT_TRUE(waitFor([&] { return f.queue().runningFlag == -1; }, 20000));
    running->kill(SIGTERM);
    EXPECT_EQ(running->wait(20000), 0);
    EXPECT_EQ(f.queue().runningFlag, 0);
    EXPECT_NE(f.log().find("Quitted Kestrun!"), std::string::npos);
}

TEST(Headless, SceneFilesDroppedWhileItRunsJoinTheQueueInNameOrder) {
    ScenarioFarm f;
    auto running = f.startHeadless({"--cycle-ms", "50"});
    ASSERT_TRUE(waitFor([&] { return f.queue().runningFlag == -1; }, 20000));
    // The farm is held while the files land, so that one folder check finds all three.
    running->kill(SIGSTOP);
    f.fixture.addSceneFile("b_shot.lws", sceneText(1, 20, 2, "Renders/b"));
    f.fixture.addSceneFile("a_shot.lws", sceneText(5, 9, 1, "Renders/a"));
    f.fixture.addSceneFile("c_bad.lws", "LWSC\n3\n\nFirstFrame 1\nLastFrame 3\n");
    running->kill(SIGCONT);
    ASSERT_TRUE(waitFor([&] { return f.queue().entries.size() == 3; }, 20000));
    running->kill(SIGTERM);
    ASSERT_EQ(running->wait(20000), 0);

    QueueFile q = f.queue();
    ASSERT_EQ(q.entries.size(), 3u);
    // The failed scene is out of the running and sorts first; the live ones follow in name order.
    EXPECT_EQ(textOf(q.entries[0].fileName), "c_bad.lws");
    EXPECT_EQ(textOf(q.entries[0].outputPath), "\nUnable to find SaveRGBBImagesPrefix!");
    EXPECT_EQ(textOf(q.entries[1].fileName), "a_shot.lws");
    EXPECT_EQ(q.entries[1].firstFrame, 5);
    EXPECT_EQ(q.entries[1].lastFrame, 9);
    EXPECT_EQ(textOf(q.entries[1].outputPath), f.fixture.contentDir + "/Renders/a0000.TGA");
    EXPECT_EQ(textOf(q.entries[2].fileName), "b_shot.lws");
    EXPECT_EQ(q.entries[2].frameStep, 2);
    EXPECT_TRUE(fileExists(f.fixture.contentDir + "/Renders"));
}

// A second run prints the lines it writes, not the log the first run left.
TEST(Headless, ARunPrintsOnlyTheLogLinesItWrites) {
    ScenarioFarm f;
    ASSERT_EQ(f.runHeadless(kShortRun, 30000), 0) << f.output();
    ASSERT_EQ(countOf(f.output(), "********* Started Kestrun!***********"), 1) << f.output();
    ASSERT_EQ(f.runHeadless(kShortRun, 30000), 0) << f.output();
    EXPECT_EQ(countOf(f.log(), "********* Started Kestrun!***********"), 2);
    // Both runs print into the one output file: each its own two banners.
    EXPECT_EQ(countOf(f.output(), "********* Started Kestrun!***********"), 2) << f.output();
    EXPECT_EQ(countOf(f.output(), "********* Quitted Kestrun!***********"), 2) << f.output();
}
