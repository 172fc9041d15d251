// Farm events told to the operator: the front end's alert follows Beep_compl and Beep_error,
// Notify_Command is started for every event with the event word and its text, and a command
// that cannot be started is logged once.
#include "report/farm_notify.h"

#include <sys/stat.h>

#include "engine/problem_frame.h"
#include "engine/scheduler.h"
#include "engine_test.h"
#include "wait_for.h"

namespace {

class Notify : public EngineTest {
  protected:
    std::string events = fx.dir.file("events.txt");

    // A Notify_Command that appends "<word>|<text>" to events.txt.
    void useRecordingCommand() {
        std::string script = fx.dir.file("notify.sh");
        writeText(script, "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" >> '" + events + "'\n");
        ::chmod(script.c_str(), 0755);
        farm.settings.Notify_Command = script;
    }
    // Waits until events.txt holds lines lines; gives its text.
    std::string eventLines(size_t lines) {
        auto text = [&] { return fileExists(events) ? readText(events) : std::string(); };
        waitFor(
            [&] {
                std::string now = text();
                return static_cast<size_t>(std::count(now.begin(), now.end(), '\n')) >= lines;
            },
            20000);
        return text();
    }
    // Scene 7 with frame 2 reported finished by node 1 and no image: a problem frame.
    int queueProblemFrame() {
        int e = queueScene(7, 1, 3);
        writeImage(e, 1);
        writeImage(e, 3);
        s.scenes[e].frameMap[2] = kFrameFinished;
        s.scenes[e].lastNode = 1;
        node(1).state = Loaded;
        return e;
    }
};

TEST_F(Notify, AProblemFrameAlertsWithBeepErrorAndTheCommandRunsWhateverTheOption) {
    farm.settings.Beep_error = 1;
    useRecordingCommand();
    int e = queueProblemFrame();
    int remaining = 0;
    scanImages(farm, e, remaining);
    EXPECT_EQ(fx.host.alerts,
              (std::vector<std::string>{"problem-frame scene7.lws", "node-offline PC_1"}));
    // Started without waiting, the two commands may append in either order.
    std::string text = eventLines(2);
    EXPECT_NE(text.find("problem-frame|scene7.lws\n"), std::string::npos) << text;
    EXPECT_NE(text.find("node-offline|PC_1\n"), std::string::npos) << text;

    farm.settings.Beep_error = 0;
    fx.host.alerts.clear();
    s.scenes[e].frameMap[2] = kFrameFinished;
    scanImages(farm, e, remaining);
    EXPECT_TRUE(fx.host.alerts.empty());
    std::string all = eventLines(4);
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 4) << all;
    EXPECT_NE(all.find("problem-frame|", all.find("problem-frame|") + 1), std::string::npos);
}

TEST_F(Notify, TheThirtySecondProblemFrameFailsTheSceneOnceAndEndsTheQueue) {
    farm.settings.Beep_error = 1;
    farm.settings.Beep_compl = 1;
    int e = queueProblemFrame();
    s.scenes[e].problemCount = 31;
    handleProblemFrame(farm, e, 2);
    handleProblemFrame(farm, e, 2);  // a later problem frame of the failed scene
    EXPECT_EQ(std::count(fx.host.alerts.begin(), fx.host.alerts.end(), "scene-failed scene7.lws"),
              1);
    EXPECT_EQ(std::count(fx.host.alerts.begin(), fx.host.alerts.end(), "queue-done scene7.lws"), 1);
}

TEST_F(Notify, ACompletedSceneAlertsWithBeepComplAndTheLastOneEndsTheQueue) {
    farm.settings.Beep_compl = 1;
    s.waitingForGo = false;
    int a = queueScene(7, 1, 2);
    int b = queueScene(8, 1, 2);
    copyText(s.scenes[b].outputPath, fx.dir.makeDir("other") + "/take0000.TGA");
    for (int f : {1, 2}) {
        writeImage(a, f);
    }
    scanScenes(farm, 15);
    EXPECT_EQ(fx.host.alerts, std::vector<std::string>{"scene-completed scene7.lws"});
    for (int f : {1, 2}) {
        writeImage(b, f);
    }
    scanScenes(farm, 15);
    EXPECT_EQ(fx.host.alerts,
              (std::vector<std::string>{"scene-completed scene7.lws", "scene-completed scene8.lws",
                                        "queue-done scene8.lws"}));
    farm.settings.Beep_compl = 0;
    int c = queueScene(9, 1, 1);
    copyText(s.scenes[c].outputPath, fx.dir.makeDir("third") + "/cut0000.TGA");
    writeImage(c, 1);
    scanNextScene(farm);
    EXPECT_EQ(s.scenes[findScene(s, 9)].position, 0);  // completed, without an alert
    EXPECT_EQ(fx.host.alerts.size(), 3u);
}

TEST_F(Notify, ACommandThatCannotStartIsLoggedOnceUntilAnotherIsSet) {
    farm.settings.Notify_Command = fx.dir.file("no-such-notifier");
    notifyEvent(farm, FarmEvent::NodeStuck, "PC_1");
    notifyEvent(farm, FarmEvent::NodeStuck, "PC_2");
    EXPECT_EQ(logCount("Notify command cannot be started: No such file or directory " +
                       farm.settings.Notify_Command),
              1)
        << log();
    farm.settings.Notify_Command = fx.dir.file("another-missing");
    notifyEvent(farm, FarmEvent::QueueDone, "x.lws");
    EXPECT_EQ(logCount("Notify command cannot be started"), 2);
}

TEST_F(Notify, EveryEventHasItsWordAndItsOption) {
    const std::pair<FarmEvent, const char*> words[] = {
        {FarmEvent::SceneCompleted, "scene-completed"},
        {FarmEvent::QueueDone, "queue-done"},
        {FarmEvent::ProblemFrame, "problem-frame"},
        {FarmEvent::SceneFailed, "scene-failed"},
        {FarmEvent::NodeOffline, "node-offline"},
        {FarmEvent::NodeStuck, "node-stuck"},
        {FarmEvent::FreeSpaceHalt, "free-space-halt"},
        {FarmEvent::SceneUnreadable, "scene-unreadable"},
    };
    farm.settings.Beep_compl = 1;
    farm.settings.Beep_error = 1;
    std::vector<std::string> every;
    for (auto [event, word] : words) {
        notifyEvent(farm, event, "t");
        every.push_back(std::string(word) + " t");
    }
    EXPECT_EQ(fx.host.alerts, every);
    fx.host.alerts.clear();
    farm.settings.Beep_error = 0;
    for (const auto& w : words) {
        notifyEvent(farm, w.first, "t");
    }
    EXPECT_EQ(fx.host.alerts, (std::vector<std::string>{"scene-completed t", "queue-done t"}));
}

}  // namespace
