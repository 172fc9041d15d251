// A node that dies in the middle of its work, on a farm with Stuck_Minutes=1 and a
// Notify_Command: the farm reports the node once as showing no progress, tells the command, and
// the other node finishes the other scene. The stall is measured on the real clock from the
// command the node left unanswered, so this test waits a little over a minute (it mostly sleeps).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>

#include "scenario_support.h"

namespace {

// A notify command as an operator would write one: a script appending its two arguments as one
// line to a file.
std::string writeNotifyScript(const TempDir& dir, const std::string& notified) {
    std::string script = dir.file("notify.sh");
    writeText(script, "#!/bin/sh\nprintf '%s %s\\n' \"$1\" \"$2\" >> '" + notified + "'\n");
    chmod(script.c_str(), 0755);
    return script;
}

// The index of the first line equal to `line`, or -1.
int lineIndex(const std::vector<std::string>& lines, const std::string& line) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == line) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

TEST(StuckNode, ADeadNodeIsReportedOnceAndTheLiveOneFinishesItsScene) {
    FarmFixtureOptions options;
    options.nodes = 2;
    ScenarioFarm f(options);
    std::string notified = f.fixture.dir.file("notified.txt");
    std::string script = writeNotifyScript(f.fixture.dir, notified);
    // The fixture's settings end in [Options]: these two lines join that section.
    writeText(f.fixture.settingsFile,
              f.fixture.iniText() + "Stuck_Minutes=1\r\nNotify_Command=" + script + "\r\n");
    // Both nodes start on a.lws; the quick node renders two of its frames and dies on the
    // third, which it keeps in hand, so a.lws never completes. The live node renders the rest
    // of a.lws, then b.lws: 24 frames of 2.5 s and the polls between them, over 3 s a frame, so
    // b.lws completes after the dead node's minute. A stall must also outlast ten of its scene's
    // average frame times, about 30 s here, so Stuck_Minutes decides.
    f.fixture.addSceneFile("a.lws", sceneText(1, 10, 1, "Renders/a"));
    f.fixture.addSceneFile("b.lws", sceneText(1, 17, 1, "Renders/b"));

    auto started = std::chrono::steady_clock::now();
    f.startNode(1, {"--die-after-frames", "2"});
    f.startNode(2, {"--render-ms", "2500"});
    auto farm = f.startHeadless({"--go", "--cycle-ms", "200"});

    const std::string report = "Node PC_1 has shown no progress for ";
    ASSERT_TRUE(waitFor([&] { return countOf(f.log(), report) > 0; }, 120000)) << f.log();
    auto reportedAfter = std::chrono::steady_clock::now() - started;
    EXPECT_LT(reportedAfter, std::chrono::seconds(90));
    EXPECT_GE(reportedAfter, std::chrono::seconds(60));

    ASSERT_TRUE(waitFor(
        [&] { return readText(notified).find("scene-completed") != std::string::npos; }, 100000))
        << readText(notified) << f.log();
    std::vector<std::string> lines = linesOf(readText(notified));
    int stuck = lineIndex(lines, "node-stuck PC_1");
    int completed = lineIndex(lines, "scene-completed b.lws");
    EXPECT_GE(stuck, 0) << readText(notified);
    EXPECT_GT(completed, stuck) << readText(notified);
    EXPECT_EQ(countOf(readText(notified), "node-stuck"), 1) << readText(notified);
    EXPECT_EQ(countOf(f.log(), report), 1) << f.log();
    EXPECT_EQ(countOf(f.log(), "has shown no progress"), 1) << f.log();
    EXPECT_EQ(countOf(readText(notified), "a.lws"), 0) << readText(notified);
    farm->kill(SIGTERM);
    EXPECT_EQ(farm->wait(20000), 0);
}
