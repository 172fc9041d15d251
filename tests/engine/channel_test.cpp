// The command channel through real files: which acknowledgement texts match which words, and
// what sending and resetting leave in the command folder.
#include "engine/channel.h"

#include <sys/stat.h>

#include "engine_test.h"
#include "farm/command_words.h"

namespace {

using ChannelTest = EngineTest;

struct AckCase {
    const char* name;
    const char* fileText;
    std::string_view word;
    bool matches;
};

const AckCase kAckCases[] = {
    {"RenderingFrameMatchesRender", "Rendering frame 5", words::kRender, true},
    {"LoadingSceneMatchesLoad", "Loading scene", words::kLoad, true},
    {"LowerCaseReadyIsNotReady", "ready", words::kReady, false},
    {"ThreeLettersAreNotReady", "Rea", words::kReady, false},
    {"LineEndAfterTheWordIsIgnored", "Ready\r\n", words::kReady, true},
    {"InitializingIsNotReady", "Initializing", words::kReady, false},
    {"InitializingWithMoreText", "Initializing LightWave", words::kInitializing, true},
    {"AnEmptyFileMeansAlive", "", "", true},
    {"OfflineMeansAliveToo", "Offline", "", true},
};

TEST_F(ChannelTest, AcknowledgementMatchesOnlyByItsFirstBytes) {
    for (const AckCase& c : kAckCases) {
        writeAck(1, c.fileText);
        EXPECT_EQ(ackSays(farm, 1, c.word), c.matches) << c.name;
    }
}

TEST_F(ChannelTest, MissingOrUnreadableAcknowledgementMatchesNothing) {
    EXPECT_FALSE(ackSays(farm, 1, ""));
    ::mkdir((fx.commandDir + "/ack2").c_str(), 0755);  // exists, but cannot be read as a file
    EXPECT_FALSE(ackSays(farm, 2, ""));
}

TEST_F(ChannelTest, SendWritesTheExactTextAndRecordsTheTick) {
    fx.clock.tick = 1234;
    sendCommand(farm, 2, words::renderCommand(12));
    EXPECT_EQ(job(2), "render 12 12 1");
    EXPECT_EQ(node(2).commandTick, 1234u);
}

TEST_F(ChannelTest, ACommandThatCannotBeWrittenKeepsTheOldTick) {
    farm.settings.Screamer_Command_Dir = fx.dir.file("missing");
    fx.clock.tick = 99;
    sendCommand(farm, 1, words::kWait);
    EXPECT_EQ(node(1).commandTick, 0u);
}

TEST_F(ChannelTest, ResetDeletesEveryAckAndJobFileAndSendsInit) {
    for (const char* name : {"ack1", "ack12.old", "jobs.txt", "job7", "notes.txt"}) {
        writeText(fx.commandDir + "/" + name, "x");
    }
    fx.dir.makeDir("command/ackdir");
    node(2).state = Rendering;
    resetChannelNoTrail(farm);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(job(n), "init");
        EXPECT_EQ(node(n).state, Offline);
    }
    for (const char* gone : {"ack1", "ack12.old", "jobs.txt", "job7"}) {
        EXPECT_FALSE(fileExists(fx.commandDir + "/" + gone)) << gone;
    }
    EXPECT_TRUE(fileExists(fx.commandDir + "/notes.txt"));
    EXPECT_TRUE(fileExists(fx.commandDir + "/ackdir"));
}

}  // namespace
