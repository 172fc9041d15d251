// A night alone: a farm of four simulated nodes left to itself with the faults a night brings. One
// node dies in the middle of a frame, another is stopped (SIGSTOP) in the middle of one, and among
// the images there at the start one is empty and one cut short; a scene file in the queue is
// empty. Every frame is rendered whole, both scenes complete with no operator command, the log
// and the notify command name each event, and --until-done ends saying that a scene failed. The
// stall limit is set to 3 s with --stuck-ms, so the test takes seconds, not minutes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>

#include "engine/image_check.h"
#include "scenario_support.h"
#include "sim/frame_image.h"

namespace {

// A notify command as an operator would write one: a script appending its two arguments as one
// line to a file.
std::string writeNotifyScript(const TempDir& dir, const std::string& notified) {
    std::string script = dir.file("notify.sh");
    writeText(script, "#!/bin/sh\nprintf '%s %s\\n' \"$1\" \"$2\" >> '" + notified + "'\n");
    chmod(script.c_str(), 0755);
    return script;
}

bool wholeImage(const std::string& path) {
    if (!fileExists(path)) {
        return false;
    }
    std::string bytes = readText(path);
    std::string_view all(bytes);
    return imageWhole(".TGA", all.substr(0, std::min(all.size(), kImageHeadBytes)),
                      all.substr(all.size() - std::min(all.size(), kImageTailBytes)), bytes.size());
}

}  // namespace

TEST(NightAlone, EveryFrameIsRenderedWholeAndEveryEventIsNamed) {
    FarmFixtureOptions options;
    options.nodes = 4;
    ScenarioFarm f(options);
    std::string notified = f.fixture.dir.file("notified.txt");
    std::string script = writeNotifyScript(f.fixture.dir, notified);
    // The fixture's settings end in [Options]: these two lines join that section.
    writeText(f.fixture.settingsFile,
              f.fixture.iniText() + "Stuck_Minutes=1\r\nNotify_Command=" + script + "\r\n");
    f.fixture.addSceneFile("a.lws", sceneText(1, 12, 1, "Renders/a"));
    f.fixture.addSceneFile("b.lws", sceneText(1, 12, 1, "Renders/b"));
    f.fixture.addSceneFile("c.lws", "");
    f.fixture.dir.makeDir("content/Renders");
    for (int frame : {1, 2}) {
        writeText(renderedImage(f, "a", frame), sim::frameImageBytes(".TGA", frame));
    }
    writeText(renderedImage(f, "a", 3), "");
    std::string cut = sim::frameImageBytes(".TGA", 5);
    writeText(renderedImage(f, "a", 5), cut.substr(0, cut.size() / 2));

    // Node 1 renders one frame and dies in its second; node 2 renders slowly enough to be
    // stopped in the middle of a frame; nodes 3 and 4 are healthy.
    f.startNode(1, {"--die-after-frames", "1"});
    ChildProcess node2(binaryPath("kestrun-node-sim"), f.quickNodeArgs(2, {"--render-ms", "800"}),
                       f.fixture.dir.file("node2.out"));
    f.startNode(3);
    f.startNode(4);
    auto farm = f.startHeadless({"--go", "--until-done", "--cycle-ms", "50", "--stuck-ms", "3000"});
    ASSERT_TRUE(waitFor(
        [&] { return readText(f.fixture.commandDir + "/ack2").starts_with("Rendering frame"); },
        30000))
        << f.log();
    node2.kill(SIGSTOP);

    EXPECT_EQ(farm->wait(60000), 4) << f.log() << f.output();
    node2.kill(SIGKILL);
    for (const char* prefix : {"a", "b"}) {
        for (int frame = 1; frame <= 12; ++frame) {
            EXPECT_TRUE(wholeImage(renderedImage(f, prefix, frame))) << prefix << frame;
        }
    }
    std::string log = f.log();
    EXPECT_EQ(countOf(log, "********* Scene Completed !***********"), 2) << log;
    for (const char* stall :
         {"Node PC_1 has shown no progress for ", "Node PC_2 has shown no progress for "}) {
        EXPECT_EQ(countOf(log, stall), 1) << stall << log;
    }
    EXPECT_EQ(countOf(log, "handed back, node made offline"), 2) << log;
    EXPECT_EQ(countOf(log, "Image incomplete, frame to be rendered again: frame 3 of a.lws"), 1)
        << log;
    EXPECT_EQ(countOf(log, "Image incomplete, frame to be rendered again: frame 5 of a.lws"), 1)
        << log;
    EXPECT_EQ(countOf(log, "Scene file cannot be rendered: c.lws: "), 1) << log;
    EXPECT_EQ(countOf(log, "Problem Frame"), 0) << log;
    // GO, pressed by --go at the start, is the one operator command.
    EXPECT_EQ(countOf(log, "Operator:"), 1) << log;
    EXPECT_EQ(countOf(log, "Operator: GO !"), 1) << log;
    EXPECT_NE(f.output().find("1 scene failed"), std::string::npos) << f.output();
    EXPECT_NE(f.output().find("Failed scenes: c.lws\n"), std::string::npos) << f.output();

    // The notify command is started without waiting: the last ones may still be running.
    const char* events[] = {"node-stuck PC_1\n", "node-stuck PC_2\n", "scene-unreadable c.lws\n",
                            "scene-completed a.lws\n", "scene-completed b.lws\n"};
    auto allNotified = [&] {
        std::string text = fileExists(notified) ? readText(notified) : "";
        return std::all_of(std::begin(events), std::end(events),
                           [&](const char* event) { return countOf(text, event) == 1; });
    };
    EXPECT_TRUE(waitFor(allNotified, 10000)) << (fileExists(notified) ? readText(notified) : "");
}
